// Player statistics over every record of the record folder.
//
// Run: build/bin/balvek-script scripts/stats.js
// (the record folder is the one config.ini names, [LOG] PATH; balvek-script
// --record-folder PATH sets it). For each player seen as a record's owner
// (the seat the record was kept for) it prints games, rounds, the win,
// deal-in, riichi and call rates, the average points won and dealt in, and
// the average placement. Each record's result is kept in the analysis cache,
// so a later run reports known records from the cache without replaying them.

var CACHE_VERSION = "s1";
var external = window.external;
var analyzer = external.mjCommand("CREATEINSTANCE::LOGANA1.0");
var cache = analyzer.cache;

var players = {};   // owner name -> totals
var fromCache = {}; // record names the cache pass reported
var counts = { cached: 0, replayed: 0 };
var current = null; // the record being replayed

function totals(name) {
  if (!players[name]) {
    players[name] = { games: 0, rounds: 0, wins: 0, dealIns: 0, riichi: 0, calls: 0,
                      winPoints: 0, dealInPoints: 0, placements: 0 };
  }
  return players[name];
}

// One record's result, as the cache keeps it: "s1|rounds|wins|...|owner name".
var FIELDS = ["rounds", "wins", "dealIns", "riichi", "calls", "winPoints", "dealInPoints", "placement"];
function encode(r) {
  return [CACHE_VERSION].concat(FIELDS.map(function (f) { return r[f]; })).join("|") + "|" + r.name;
}
function decode(text) {
  var parts = String(text).split("|");
  if (parts[0] !== CACHE_VERSION || parts.length < FIELDS.length + 2) return null;
  var r = { name: parts.slice(FIELDS.length + 1).join("|") };
  FIELDS.forEach(function (f, i) { r[f] = Number(parts[i + 1]); });
  return r;
}

function add(name, r) {
  var t = totals(name);
  t.games += 1;
  FIELDS.forEach(function (f) { if (f !== "placement") t[f] += r[f]; });
  t.placements += r.placement;
}

// The owner's place 1..4 by final score; equal scores go to the lower seat.
function placement(owari, seat) {
  var place = 1;
  for (var s = 0; s < 4; ++s) {
    if (s === seat) continue;
    if (owari[2 * s] > owari[2 * seat] || (owari[2 * s] === owari[2 * seat] && s < seat)) ++place;
  }
  return place;
}

var options = {
  Array: Array,
  sortAs: "CTimeAscent",

  OnEnumCache: function (key, info) {
    if (!info) return;  // not a record name: not ours
    var r = decode(cache.get(key));
    if (!r) return;  // another page's entry, or an older form: replayed again
    fromCache[key] = true;
    counts.cached += 1;
    add(r.name, r);
  },

  // Records the cache already reported are not replayed again.
  OnEnumLog: function (info) {
    return !fromCache[info.filetw];
  },

  OnLogBegin: function (info, seats) {
    var seat = info.tw;
    current = { key: info.filetw, seat: seat, name: seats[seat].un,
                rounds: 0, wins: 0, dealIns: 0, riichi: 0, calls: 0, winPoints: 0, dealInPoints: 0,
                placement: 0, roundRiichi: false, roundCall: false, roundDealIn: false };
  },

  OnSceneBegin: function () {
    current.rounds += 1;
    current.roundRiichi = current.roundCall = current.roundDealIn = false;
  },

  OnReach: function (who) {
    if (who === current.seat && !current.roundRiichi) {
      current.roundRiichi = true;
      current.riichi += 1;
    }
  },

  // Chi, pon and open kans open the hand; a closed kan does not.
  OnNaki: function (who, m, type) {
    if (who === current.seat && !current.roundCall && (type === 0 || type === 1 || type === 5 || type === 6)) {
      current.roundCall = true;
      current.calls += 1;
    }
  },

  OnAgari: function (who, ten0, ten1, ten2, yaku, yakuExtra, doraHaiUra, sc, paoSeat, fromSeat) {
    var delta = sc[2 * current.seat + 1] * 100;
    if (who === current.seat) {
      current.wins += 1;
      current.winPoints += delta;
    } else if (fromSeat === current.seat) {
      current.dealInPoints -= delta;  // a double ron counts once as a round
      if (!current.roundDealIn) {
        current.roundDealIn = true;
        current.dealIns += 1;
      }
    }
  },

  OnLogEnd: function (owari) {
    current.placement = placement(owari, current.seat);
    add(current.name, current);
    counts.replayed += 1;
    cache.set(current.key, encode(current), current.name);
  },

  OnAnalyzeEnd: function () {
    report();
  }
};

function pct(n, d) { return d ? (100 * n / d).toFixed(1) + "%" : "-"; }
function avg(n, d, digits) { return d ? (n / d).toFixed(digits) : "-"; }
// Columns as a terminal shows them: East Asian characters take two.
function columns(text) {
  var n = 0;
  for (var i = 0; i < text.length; ++i) n += text.charCodeAt(i) >= 0x2E80 ? 2 : 1;
  return n;
}
function pad(text, width, left) {
  text = String(text);
  for (var n = columns(text); n < width; ++n) text = left ? text + " " : " " + text;
  return text;
}

function report() {
  var names = Object.keys(players).sort(function (a, b) {
    return players[b].games - players[a].games || (a < b ? -1 : a > b ? 1 : 0);
  });
  var header = [pad("player", 14, true), pad("games", 6), pad("rounds", 7), pad("win", 7), pad("deal-in", 8),
                pad("riichi", 7), pad("call", 7), pad("avg win", 8), pad("avg deal-in", 12), pad("avg place", 10)];
  print(header.join(" "));
  names.forEach(function (name) {
    var t = players[name];
    print([pad(name || "(no name)", 14, true), pad(t.games, 6), pad(t.rounds, 7), pad(pct(t.wins, t.rounds), 7),
           pad(pct(t.dealIns, t.rounds), 8), pad(pct(t.riichi, t.rounds), 7), pad(pct(t.calls, t.rounds), 7),
           pad(avg(t.winPoints, t.wins, 0), 8), pad(avg(t.dealInPoints, t.dealIns, 0), 12),
           pad(avg(t.placements, t.games, 2), 10)].join(" "));
  });
  print("records: " + (counts.cached + counts.replayed) + " (" + counts.cached + " from the cache, " +
        counts.replayed + " replayed)");
}

var status = analyzer.analyze(options);
