// Prints the shanten number of a few hands through window.external.
// Run: build/bin/balvek-script scripts/syanten.js
// expect-stdout: version 1.03
// expect-stdout: 1m2m3m4m5m6m7m8m9m1p2p3p4p4p syanten -1 \(by counts -1\)
// expect-stdout: 1m2m3m4m5m6m7m8m9m1p2p3p4p syanten 0 \(by counts 0\)
// expect-stdout: 1m2m3m1p2p3p1s2sEEPFC syanten 2 \(by counts 2\)
// expect-stdout: 1m5m9m1p5p9p1s5s9sESWN syanten 3 \(by counts 3\)
// Tile ids: kind * 4 + copy; kinds 0-8 man, 9-17 pin, 18-26 sou, 27-33 honors.

function tiles(kinds) {
  var used = {};
  return kinds.map(function (kind) {
    used[kind] = (used[kind] || 0) + 1;
    return kind * 4 + used[kind] - 1;
  });
}

var names = "123456789m123456789p123456789s";
function show(kinds) {
  return kinds.map(function (k) {
    return k < 27 ? names.charAt((k % 9)) + "mps".charAt(Math.floor(k / 9)) : "ESWNPFC".charAt(k - 27);
  }).join("");
}

var hands = [
  [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 12],  // complete
  [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12],      // ready
  [0, 1, 2, 9, 10, 11, 18, 19, 27, 27, 31, 32, 33], // two away
  [0, 4, 8, 9, 13, 17, 18, 22, 26, 27, 28, 29, 30]  // three away, by thirteen orphans
];

var external = window.external;
print("version " + external.mjCommand("VERSION"));
hands.forEach(function (kinds) {
  var counts = [];
  for (var k = 0; k < 34; ++k) counts.push(0);
  kinds.forEach(function (k) { counts[k]++; });
  print(show(kinds) + " syanten " + external.mjCalcSyanten14(tiles(kinds)) +
        " (by counts " + external.mjCalcSyanten34(counts) + ")");
});
