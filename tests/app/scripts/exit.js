// exit() ends the run at once with its code.
// expect-exit: 7
// expect-stdout: before
// expect-stdout-not: after
print("before");
setTimeout(function () { print("after timer"); }, 0);
exit(7);
print("after");
