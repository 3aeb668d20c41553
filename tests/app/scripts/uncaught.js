// An uncaught exception is printed with file and line, and the run fails.
// expect-exit: 1
// expect-stderr: uncaught.js:5: Error: boom
print("start");
throw new Error("boom");
