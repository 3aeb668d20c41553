// The external object as page script sees it.
// expect-stdout: ^ok\n$
var failures = 0;
function check(ok, what) { if (!ok) { print("FAIL " + what); ++failures; } }
function status(f) { try { f(); return "ok"; } catch (e) { return (e.number >>> 0).toString(16); } }

var e = window.external;
check(typeof e === "object" && e === window.external, "one external object per document");
check(e.mjCommand("VERSION") === 1.03, "VERSION compares equal to 1.03");
check(e.mjCommand("VERSION") + "" === "1.03", "VERSION prints as 1.03");
check(status(function () { e.mjCommand("version"); }) === "80020003", "lower-case command");
check(status(function () { e.mjCommand(1); }) === "80020003", "number argument");
check(e.mjCommand("x", "VERSION") === 1.03, "the last argument is the command");
check(status(function () { e.mjcommand("VERSION"); }) !== "ok", "names are exact");
check(e.mjCommand === e.mjCommand, "a method read twice is the same function");
var f = e.mjCommand;
check(f("VERSION") === 1.03, "method read as a value and called");
check(f("version") === undefined, "the function object reports success");
check(e.startGame("2026010112gm-0009-0000-0123abcd&tw=1") === undefined, "startGame gives no value");
check(e.startGame() === undefined && e.trayPopup(3) === undefined, "wrong arguments never fail");
var analyzer = e.mjCommand("CREATEINSTANCE::LOGANA1.0");
check(analyzer.cache === analyzer.cache, "the cache read twice is the same object");
check(e.mjCommand("CREATEINSTANCE::FILE1.0") !== e.mjCommand("CREATEINSTANCE::FILE1.0"), "each create is new");
check(String(e) === "[object Object]" && JSON.stringify(e) === "{}", "String and JSON");

print(failures ? failures + " failures" : "ok");
exit(failures ? 1 : 0);
