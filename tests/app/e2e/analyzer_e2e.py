#!/usr/bin/env python3
"""End-to-end tests of the analyzer: balvek-script runs page scripts over
record folders made by balvek-recgen, in a data folder of its own.

usage: analyzer_e2e.py BIN_DIR [unittest arguments, e.g. E2E.test_full_run]
"""
import gzip
import http.server
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
BIN = None


class LogListener:
    """The client's diagnostic datagrams on 127.0.0.1:514; None when taken."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            self.sock.bind(("127.0.0.1", 514))
        except OSError:
            self.sock.close()
            self.sock = None
        self.lines = []

    def read(self):
        if self.sock:
            self.sock.settimeout(0.2)
            try:
                while True:
                    data = self.sock.recv(4096)
                    self.lines.append(data.rstrip(b"\0").decode("utf-8", "replace"))
            except socket.timeout:
                pass
        return self.lines

    def close(self):
        if self.sock:
            self.sock.close()


class RecordServer:
    """The service's web host on 127.0.0.1: answers "/0/log/?ID" from a table."""

    def __init__(self, answers):
        self.answers = answers  # id -> (status, body bytes)
        self.requests = []
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                record_id = self.path.split("?", 1)[1] if "?" in self.path else ""
                outer.requests.append(self.path)
                status, body = outer.answers.get(record_id, (404, b"not here"))
                self.send_response(status)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    @property
    def host(self):
        return "127.0.0.1:%d" % self.server.server_address[1]

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def record_files(folder):
    found = []
    for base, _, files in os.walk(os.path.join(folder, "log")):
        found += [os.path.join(base, f) for f in files if f.lower().endswith(".mjlog")]
    return sorted(found)


def name_of(path):
    return os.path.basename(path)[:-len(".mjlog")]


def game_type(name):
    return int(name[13:17], 16)


class E2E(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="balvek-e2e-")
        self.env = dict(os.environ, XDG_DATA_HOME=os.path.join(self.tmp, "data"), HOME=os.path.join(self.tmp, "home"))
        self.env.pop("BALVEK_SERVICE_HOST", None)
        os.makedirs(self.env["HOME"])
        self.records = os.path.join(self.tmp, "records")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def generate(self, games, seed=1):
        subprocess.run([os.path.join(BIN, "balvek-recgen"), self.records, "--games", str(games), "--seed", str(seed)],
                       check=True, capture_output=True)
        return record_files(self.records)

    def run_script(self, script, *args, options=(), timeout=120):
        path = script if os.path.isabs(script) else os.path.join(HERE, script)
        command = [os.path.join(BIN, "balvek-script"), "--record-folder", self.records, *options, path, *args]
        os.makedirs(self.records, exist_ok=True)
        done = subprocess.run(command, env=self.env, capture_output=True, timeout=timeout)
        return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")

    def probe(self, **cfg):
        options = cfg.pop("options", ())
        return self.run_script("probe.js", json.dumps(cfg), options=options)

    @staticmethod
    def lines(out, tag):
        return [l.split(" ", 1)[1] if " " in l else "" for l in out.splitlines() if l.split(" ", 1)[0] == tag]

    # ---- full runs -------------------------------------------------------

    def test_full_run_with_every_callback_and_the_cache_across_two_runs(self):
        files = self.generate(12, seed=3)
        listener = LogListener()
        try:
            code, out, err = self.probe(store=True)
            lines = listener.read()
        finally:
            listener.close()
        self.assertEqual(code, 0, err)
        self.assertEqual(len(self.lines(out, "ENUMLOG")), 12)
        logs = self.lines(out, "LOG")
        self.assertEqual(len(logs), 12)
        names = [l.split(" ")[0] for l in logs]
        self.assertEqual(names, sorted(names, reverse=True), "newest first by default")
        self.assertEqual([l.split(" ")[1] for l in logs], ["%d/12" % i for i in range(12)])
        end = self.lines(out, "END")
        self.assertEqual(end, ["12/12 types ok"])
        counts = dict(kv.split("=") for kv in self.lines(out, "COUNTS")[0].split(" "))
        for name in ("OnAnalyzeBegin", "OnEnumLog", "OnLogBegin", "OnSceneBegin", "OnTsumo", "OnDahai", "OnAgari",
                     "OnSceneEnd", "OnLogEnd"):
            self.assertIn(name, counts)
        self.assertNotIn("OnEnumCache", counts, "nothing cached yet")
        self.assertIn("Scanning ... log", err)
        self.assertIn("Analyzing 11/12", err)
        self.assertTrue(err.rstrip().endswith("done"), err[-300:])
        cache_file = os.path.join(self.env["XDG_DATA_HOME"], "D-ORB", "balvek", "app", "00.dat")
        self.assertTrue(os.path.exists(cache_file))
        if listener.sock:
            self.assertIn("----- profile -----\r\n", lines)
            profile = lines[lines.index("----- profile -----\r\n") + 1:]
            tsumo = [l for l in profile if l.startswith("OnTsumo ")]
            self.assertEqual(len(tsumo), 1)
            self.assertRegex(tsumo[0], r"^OnTsumo +\d+ +%s\r\n$" % counts["OnTsumo"])
            self.assertTrue(any(re.match(r"^total=\d+ run=\d+\r\n$", l) for l in profile))
            self.assertIn("nDownload=0 vLogList=12\r\n", lines)

        # A second run of the program: 00.dat survived, and the cache pass
        # hands out both key forms, newest first.
        code, out, err = self.probe(select=False)
        self.assertEqual(code, 0, err)
        cached = self.lines(out, "ENUMCACHE")
        full = [c for c in cached if not c.startswith("plain-")]
        plain = [c for c in cached if c.startswith("plain-")]
        self.assertEqual(len(full), 12)
        self.assertTrue(plain)
        for line in full:
            key, count, filetw = line.split(" ")[:3]
            self.assertEqual(count, "2")
            self.assertEqual(filetw, key)
        for line in plain:
            self.assertEqual(line.split(" ")[1:3], ["1", "-"])
        keys = [c.split(" ")[0] for c in cached]
        self.assertEqual(keys, sorted(keys, reverse=True))
        self.assertIn("Analyzing cache 0/%d" % len(cached), err)
        self.assertEqual(self.lines(out, "LOG"), [], "nothing selected")

    def test_sort_orders(self):
        self.generate(8, seed=5)
        for sort_as, newest_first in ((None, True), ("CTimeAscent", False), ("CTimeDescent", True),
                                      ("ctimeascent", True)):
            cfg = {} if sort_as is None else {"sortAs": sort_as}
            code, out, err = self.probe(callbacks=["OnEnumLog", "OnLogBegin", "OnAnalyzeEnd"], **cfg)
            self.assertEqual(code, 0, err)
            names = [l.split(" ")[0] for l in self.lines(out, "LOG")]
            self.assertEqual(len(names), 8)
            self.assertEqual(names, sorted(names, reverse=newest_first), sort_as)

    def test_game_type_filters(self):
        files = self.generate(30, seed=7)
        types = [game_type(name_of(f)) for f in files]
        for cfg, passes in (
                ({}, lambda t: True),
                ({"enumMatchMask": 0x10, "enumMatch": 0x10}, lambda t: t & 0x10 == 0x10),
                ({"enumSkipMask": 0x80, "enumSkip": 0x80}, lambda t: t & 0x80 != 0x80),
                ({"enumMatchMask": 0x1, "enumMatch": 0x1, "enumSkipMask": 0x20, "enumSkip": 0x20},
                 lambda t: t & 1 == 1 and t & 0x20 != 0x20)):
            code, out, err = self.probe(callbacks=["OnEnumLog", "OnAnalyzeEnd"], select=False, **cfg)
            self.assertEqual(code, 0, err)
            seen = sorted(int(l.split(" ")[1]) for l in self.lines(out, "ENUMLOG"))
            self.assertEqual(seen, sorted(t for t in types if passes(t)), cfg)
        self.assertGreater(len(set(types)), 1, "the corpus has several game types")

    # ---- ending a run ----------------------------------------------------

    def seed_cache(self):
        code, out, err = self.probe(store=True, callbacks=["OnEnumLog", "OnLogBegin", "OnLogEnd"])
        self.assertEqual(code, 0, err)

    def test_stop_in_each_pass_still_finishes(self):
        self.generate(6, seed=9)
        self.seed_cache()
        for where, replayed in (("OnEnumCache", 0), ("OnEnumLog", 0), ("OnLogBegin", 1)):
            code, out, err = self.probe(stopIn=where)
            self.assertEqual(code, 0, err)
            self.assertEqual(self.lines(out, "STOP"), [where])
            if where == "OnEnumCache":
                self.assertEqual(len(self.lines(out, "ENUMCACHE")), 1)
                self.assertEqual(self.lines(out, "ENUMLOG"), [])
            if where == "OnEnumLog":
                self.assertEqual(len(self.lines(out, "ENUMLOG")), 1)
            self.assertEqual(len(self.lines(out, "LOG")), replayed, where)
            end = self.lines(out, "END")
            self.assertEqual(len(end), 1, where)
            progress, total = end[0].split(" ")[0].split("/")
            self.assertEqual(progress, total)
            self.assertTrue(err.rstrip().endswith("done"), where)

    def test_failing_callback_in_each_pass(self):
        files = self.generate(4, seed=11)
        self.seed_cache()
        for where, error, finishes in (("OnEnumCache", 2, True), ("OnEnumLog", 1, False), ("OnTsumo", 3, False)):
            code, out, err = self.probe(failIn=where)
            self.assertEqual(code, 0, "a callback's exception is its caller's status, not the page's end")
            self.assertIn("failing in " + where, err)
            self.assertRegex(err, r"ERROR\(%d\) hr=80020009 " % error)
            if finishes:  # only the cache pass ends; the records are still analysed
                self.assertEqual(len(self.lines(out, "LOG")), len(files), where)
                self.assertEqual(len(self.lines(out, "END")), 1, where)
                self.assertIn("done", err.splitlines())
            else:
                self.assertEqual(self.lines(out, "END"), [], where)
                self.assertNotIn("done", err.splitlines())

    def test_second_analyze_during_a_run_is_refused(self):
        self.generate(3, seed=13)
        code, out, err = self.probe(secondIn="OnEnumLog")
        self.assertEqual(code, 0, err)
        self.assertEqual(self.lines(out, "SECOND"), ["refused 8000ffff"])
        self.assertIn("THREAD IS NOT EMPTY", err)
        self.assertEqual(self.lines(out, "OTHER"), [])
        self.assertEqual(len(self.lines(out, "LOG")), 3, "the run goes on with its own page")
        self.assertEqual(self.lines(out, "END"), ["3/3 types ok"])

    def test_next_run_started_from_on_analyze_end(self):
        self.generate(3, seed=14)
        code, out, err = self.probe(runs=2)
        self.assertEqual(code, 0, err)
        self.assertEqual(self.lines(out, "END"), ["3/3 types ok", "3/3 types ok"])
        self.assertEqual(len(self.lines(out, "LOG")), 6)
        self.assertEqual(err.splitlines().count("done"), 2)
        self.assertNotIn("TICK ALREADY ATTACHED", err)
        self.assertNotIn("DETACH UNKNOWN", err)

    def test_page_going_away_during_a_run(self):
        self.generate(5, seed=15)
        listener = LogListener()
        try:
            start = time.monotonic()
            code, out, err = self.probe(exitIn="OnLogBegin")
            elapsed = time.monotonic() - start
            lines = listener.read()
        finally:
            listener.close()
        self.assertEqual(code, 3, err)
        self.assertEqual(self.lines(out, "EXIT"), ["OnLogBegin"])
        self.assertEqual(self.lines(out, "END"), [])
        self.assertNotIn("[Error]", err)
        self.assertLess(elapsed, 30)
        if listener.sock:
            self.assertIn("IDispatchLogAnaImpl DESTRUCT\r\n", lines)
            self.assertIn("KillThread end\r\n", lines)
            self.assertIn("LogAnaThread DESTRUCT\r\n", lines)

    # ---- bad records -----------------------------------------------------

    def test_malformed_record_ends_its_replay(self):
        files = self.generate(3, seed=17)
        oldest = files[0]
        text = gzip.decompress(open(oldest, "rb").read()).decode("utf-8")
        broken = re.sub(r'<INIT seed="[^"]*"', '<INIT seed="1,2"', text, count=1)
        self.assertNotEqual(broken, text)
        with open(oldest, "wb") as f:
            f.write(gzip.compress(broken.encode("utf-8")))
        code, out, err = self.probe(sortAs="CTimeAscent")
        self.assertEqual(code, 0, err)
        self.assertIn("INVALID INIT seed=2", err)
        self.assertIn("ERROR(3) hr=80004005 " + name_of(oldest), err)
        self.assertEqual(len(self.lines(out, "LOG")), 1, "the later records are not replayed")
        self.assertEqual(self.lines(out, "END"), [])

    def test_invalid_file_name_and_unusable_folder(self):
        self.generate(2, seed=19)
        open(os.path.join(self.records, "log", "abc.mjlog"), "wb").close()
        code, out, err = self.probe()
        self.assertEqual(code, 0, err)
        self.assertIn("INVALID LOG FILENAME\r\nabc.mjlog", err)
        self.assertEqual(self.lines(out, "END"), [])
        shutil.rmtree(os.path.join(self.records, "log"))
        code, out, err = self.probe()
        self.assertIn("牌譜保存フォルダが利用できません", err)
        self.assertEqual(self.lines(out, "END"), [])

    # ---- downloads -------------------------------------------------------

    def placeholders(self, count, seed):
        """Records moved to the server's table; empty files left in their place."""
        files = self.generate(count, seed=seed)
        bodies = {}
        for f in files:
            bodies[name_of(f).split("&")[0]] = open(f, "rb").read()
            open(f, "wb").close()
        return files, bodies

    def probe_with_server(self, answers):
        """A probe run whose service host is a record server answering from `answers`."""
        server = RecordServer(answers)
        try:
            self.env["BALVEK_SERVICE_HOST"] = server.host
            return server, self.probe()
        finally:
            server.close()

    def test_placeholders_are_downloaded_then_replayed(self):
        files, bodies = self.placeholders(4, seed=21)
        server, (code, out, err) = self.probe_with_server({k: (200, v) for k, v in bodies.items()})
        self.assertEqual(code, 0, err)
        self.assertEqual(len(server.requests), 4)
        self.assertTrue(all(r.startswith("/0/log/?") for r in server.requests))
        self.assertIn("Downloading 4/4 ", err)
        self.assertIn("Downloading 1/4 ", err)
        for f in files:
            self.assertEqual(open(f, "rb").read(), bodies[name_of(f).split("&")[0]])
        self.assertEqual(len(self.lines(out, "LOG")), 4)
        self.assertEqual(self.lines(out, "END"), ["4/4 types ok"])

    def test_download_failures_stop_after_five(self):
        files, bodies = self.placeholders(7, seed=23)
        server, (code, out, err) = self.probe_with_server({})
        self.assertEqual(code, 0, err)
        self.assertEqual(len(server.requests), 5)
        box = err[err.index("DOWNLOAD FAILED"):]
        self.assertEqual(len([f for f in files if f in box]), 5)
        self.assertEqual(self.lines(out, "LOG"), [])
        self.assertEqual(self.lines(out, "END"), [])
        self.assertTrue(all(os.path.getsize(f) == 0 for f in files), "placeholders stay placeholders")

    def test_download_answers_that_are_no_record(self):
        for answer, message in (((200, b""), "EMPTY LOG FILE"), ((200, b"<mjloggm/>"), "INVALID LOG FORMAT")):
            files, bodies = self.placeholders(1, seed=25)
            server, (code, out, err) = self.probe_with_server({list(bodies)[0]: answer})
            self.assertIn(message + "\r\n" + files[0], err)
            self.assertEqual(self.lines(out, "END"), [])
            shutil.rmtree(self.records)

    # ---- the other objects and notices -----------------------------------

    def test_file_object_through_the_console_dialog(self):
        target = os.path.join(self.tmp, "saved.txt")
        script = os.path.join(self.tmp, "save.js")
        with open(script, "w") as f:
            f.write('var file = window.external.mjCommand("CREATEINSTANCE::FILE1.0");\n'
                    'var opened = file.open("default", ".txt", "統計");\n'
                    'print("opened " + opened);\n'
                    'if (opened) { file.write("a"); file.write("b\\r\\n牌譜"); file.close(); }\n')
        code, out, err = self.run_script(script)
        self.assertEqual(out, "opened false\n")
        code, out, err = self.run_script(script, options=("--save-as", target))
        self.assertEqual(out, "opened true\n", err)
        self.assertEqual(open(target, "rb").read(), "ab\r\n牌譜".encode("utf-8"))
        code, out, err = self.run_script(script, options=("--save-as", target, "--answer", "no"))
        self.assertEqual(out, "opened false\n")
        self.assertIn("already exists", err)
        code, out, err = self.run_script(script, options=("--save-as", target, "--answer", "yes"))
        self.assertEqual(out, "opened true\n")

    def test_game_notices_and_placeholders(self):
        os.makedirs(self.records)
        self.env["BALVEK_SERVICE_HOST"] = "127.0.0.1:9"
        script = os.path.join(self.tmp, "notice.js")
        record_id = "2011010512gm-0009-0000-0123abcd&tw=1"
        with open(script, "w") as f:
            f.write('window.external.startGame("%s");\nwindow.external.startGame();\n'
                    'window.external.trayPopup("お知らせ");\n' % record_id)
        code, out, err = self.run_script(script, options=("--address", "http://127.0.0.1:9/1/script/"))
        self.assertEqual(err.count("[BALVEK] このURLからは利用できません"), 3)
        self.assertFalse(os.path.exists(os.path.join(self.records, "log")))
        code, out, err = self.run_script(script, options=("--address", "http://127.0.0.1:9/0/?lobby=1"))
        self.assertIn("[BALVEK] 牌譜情報を記録しました\n" + record_id, err)
        self.assertIn("[BALVEK] 対局開始", err)
        self.assertIn("[BALVEK] お知らせ", err)
        placeholder = os.path.join(self.records, "log", "201101", record_id + ".mjlog")
        self.assertEqual(os.path.getsize(placeholder), 0)

    def test_example_statistics_script(self):
        self.generate(25, seed=27)
        stats = os.path.join(ROOT, "scripts", "stats.js")
        code, out, err = self.run_script(stats, options=("--quiet",))
        self.assertEqual(code, 0, err)
        self.assertRegex(out, r"player +games +rounds +win +deal-in +riichi +call +avg win +avg deal-in +avg place")
        self.assertIn("records: 25 (0 from the cache, 25 replayed)", out)
        games = sum(int(l.split()[-9]) for l in out.splitlines()[1:-1])
        self.assertEqual(games, 25)
        code, again, err = self.run_script(stats, options=("--quiet",))
        self.assertIn("records: 25 (25 from the cache, 0 replayed)", again)
        self.assertEqual(again.splitlines()[:-1], out.splitlines()[:-1], "the same table from the cache")


if __name__ == "__main__":
    BIN = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
