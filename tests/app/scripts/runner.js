// The runner's own globals: print, scriptArgs, timers, and ending by itself.
// args: first "second arg"
// expect-stdout: args 2 first\|second arg\n
// expect-stdout: timer a 1 2\ntimer b\ndone\n
// expect-stdout-not: cleared
print("args " + scriptArgs.length + " " + scriptArgs.join("|"));
setTimeout(function () { print("done"); }, 30);
setTimeout(function (p, q) { print("timer a", p, q); }, 0, 1, 2);
var t = setTimeout(function () { print("cleared"); }, 10);
setTimeout(function () { print("timer b"); }, 5);
clearTimeout(t);
