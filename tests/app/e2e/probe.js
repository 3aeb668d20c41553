// Analyzer probe for the end-to-end tests: runs one analysis with the
// behaviour that scriptArgs[0] (JSON) asks for and prints what the page saw.
//   callbacks: names to supply (default: all fifteen)
//   select: OnEnumLog's answer (default true); sortAs, enum*: the options
//   stopIn / failIn / exitIn / secondIn: the callback that calls stop, throws,
//     calls exit, or calls analyze again (the first time it runs)
//   store: OnLogEnd stores each record's result in the cache, with "plain-"
//     keys beside them
//   runs: how many analyses to run one after another (default 1)
var cfg = JSON.parse(scriptArgs[0] || "{}");
var names = ["OnAnalyzeBegin", "OnEnumLog", "OnEnumCache", "OnLogBegin", "OnSceneBegin", "OnTsumo", "OnDahai",
             "OnNaki", "OnDora", "OnReach", "OnAgari", "OnRyuukyoku", "OnSceneEnd", "OnLogEnd", "OnAnalyzeEnd"];
var analyzer = window.external.mjCommand("CREATEINSTANCE::LOGANA1.0");
var cache = analyzer.cache;
var counts = {}, bad = [], done = {}, runsLeft = cfg.runs || 1;

function out() { print(Array.prototype.join.call(arguments, " ")); }
function isInt(v) { return typeof v === "number" && (v | 0) === v; }
function ints(a, n) { return Array.isArray(a) && (n === undefined || a.length === n) && a.every(isInt); }
function expect(ok, what) { if (!ok) bad.push(what); }

function once(key, name) {
  if (cfg[key] !== name || done[key]) return false;
  done[key] = true;
  return true;
}

function hook(name) {
  if (once("stopIn", name)) { out("STOP", name); analyzer.stop(); }
  if (once("failIn", name)) throw new Error("failing in " + name);
  if (once("exitIn", name)) { out("EXIT", name); exit(3); }
  if (once("secondIn", name)) {
    try {
      analyzer.analyze({ Array: Array, OnAnalyzeBegin: function () { out("OTHER OnAnalyzeBegin"); },
                         OnLogBegin: function () { out("OTHER OnLogBegin"); } });
      out("SECOND started");
    } catch (e) {
      out("SECOND refused", (e.number >>> 0).toString(16));
    }
  }
}

var handlers = {
  OnEnumCache: function (key, info) {
    out("ENUMCACHE", key, arguments.length, info ? info.filetw + " " + info.wGameType + " " + info.tw : "-",
        analyzer.nProgress + "/" + analyzer.nTotal);
  },
  OnEnumLog: function (info) {
    expect(analyzer.nProgress === analyzer.nTotal, "nProgress equals nTotal while enumerating");
    out("ENUMLOG", info.filetw, info.wGameType, info.dwLobbyID);
    return cfg.select === undefined ? true : cfg.select;
  },
  OnLogBegin: function (info, players) {
    expect(players.length === 4 && typeof players[0].un === "string" && typeof players[0].tehai.length === "number",
           "four players");
    out("LOG", info.filetw, analyzer.nProgress + "/" + analyzer.nTotal);
  },
  OnSceneBegin: function (s0, s1, s2, s3, s4, dora) { expect([s0, s1, s2, s3, s4].every(isInt) && ints(dora), "seed"); },
  OnTsumo: function (who, hai) { expect(isInt(who) && hai >= 0 && hai < 136, "tsumo"); },
  OnDahai: function (who, hai) { expect(isInt(who) && hai >= 0 && hai < 136, "dahai"); },
  OnNaki: function (who, m, type, from, t0, t1, t2, t3) { expect([who, m, type, from, t0, t1, t2, t3].every(isInt), "naki"); },
  OnAgari: function (who, ten0, ten1, ten2, yaku, yakuExtra, dora, sc, pao, from) {
    expect(ints(yaku) && ints(yakuExtra) && ints(dora) && Array.isArray(sc) && sc.length === 8 && isInt(pao), "agari");
  },
  OnRyuukyoku: function (type, sc, tenpai) {
    expect(typeof type === "string" && ints(sc) && tenpai.length === 4 &&
           tenpai.every(function (t) { return typeof t === "boolean"; }), "ryuukyoku");
  },
  OnLogEnd: function (owari) {
    expect(Array.isArray(owari) && owari.length >= 8, "owari");
    if (cfg.store) {
      var info = current;
      cache.set(info, "result of " + info, "owner");
      cache.set("plain-" + info.substring(0, 10), "x");
    }
  },
  OnAnalyzeEnd: function () {
    var line = [];
    names.forEach(function (n) { if (counts[n]) line.push(n + "=" + counts[n]); });
    out("COUNTS", line.join(" "));
    out("END", analyzer.nProgress + "/" + analyzer.nTotal, bad.length ? "BAD " + bad.join(",") : "types ok");
    if (--runsLeft > 0) start();
  }
};

var current = "";
function start() {
  counts = {};
  var options = { Array: Array };
  ["sortAs", "enumMatch", "enumMatchMask", "enumSkip", "enumSkipMask", "enumLobbyID", "enumPlayer"].forEach(
      function (k) { if (cfg[k] !== undefined) options[k] = cfg[k]; });
  (cfg.callbacks || names).forEach(function (name) {
    options[name] = function () {
      counts[name] = (counts[name] || 0) + 1;
      if (name === "OnLogBegin") current = arguments[0].filetw;
      var answer = handlers[name] ? handlers[name].apply(null, arguments) : undefined;
      hook(name);
      return answer;
    };
  });
  analyzer.analyze(options);
  out("STARTED");
}
start();
