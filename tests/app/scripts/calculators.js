// Both shanten calculators, both argument forms and their errors.
// expect-stdout: ^ok\n$
var failures = 0;
function check(ok, what) { if (!ok) { print("FAIL " + what); ++failures; } }
function status(f) { try { f(); return "ok"; } catch (e) { return (e.number >>> 0).toString(16); } }

var x = window.external;
var ready = [0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48];  // 123456789m1234p
check(x.mjCalcSyanten14() === -1, "14: no argument");
check(x.mjCalcSyanten34() === 0, "34: no argument");
check(x.mjCalcSyanten14(ready) === 0, "14: array");
check(x.mjCalcSyanten14.apply(x, ready) === 0, "14: separate integers");
check(x.mjCalcSyanten14(ready.concat([49])) === -1, "14: complete");
check(x.mjCalcSyanten14(ready.concat([255, 1, 2, 3, 5, 6, 7])) === 0, "14: only 14 elements read");
check(x.mjCalcSyanten14({0: 0, 1: 4, 2: 8}) === x.mjCalcSyanten14(0, 4, 8), "14: no length");
check(x.mjCalcSyanten14([]) === -1, "14: empty array");
check(status(function () { x.mjCalcSyanten14(136); }) === "80004005", "14: 136");
check(status(function () { x.mjCalcSyanten14(1.5); }) === "80020005", "14: 1.5");
check(status(function () { x.mjCalcSyanten14(0, "4"); }) === "80020005", "14: a string");

var counts = [];
for (var k = 0; k < 34; ++k) counts.push(k < 13 ? 1 : 0);
check(x.mjCalcSyanten34(counts) === 0, "34: array");
check(x.mjCalcSyanten34.apply(x, counts.slice().reverse()) === 0, "34: the last argument is kind 0");
check(x.mjCalcSyanten34.apply(x, counts) === x.mjCalcSyanten34(counts.slice().reverse()),
      "34: the first argument is kind 33");
check(status(function () { x.mjCalcSyanten34(5); }) === "80004005", "34: count 5 positionally");
check(status(function () { x.mjCalcSyanten34([5]); }) === "ok", "34: count 5 in an array");
check(x.mjCalcSyanten34(2) === x.mjCalcSyanten34([2]), "34: one integer is kind 0");

var g = x.mjCalcSyanten14;
check(g(136) === undefined, "through a function object errors do not reach script");

print(failures ? failures + " failures" : "ok");
exit(failures ? 1 : 0);
