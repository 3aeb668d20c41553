// An exception in a timer is uncaught too.
// expect-exit: 1
// expect-stderr: uncaught_timer.js:5: TypeError
setTimeout(function () {
  window.external.noSuchMethod();
}, 0);
