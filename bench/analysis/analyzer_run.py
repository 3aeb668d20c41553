#!/usr/bin/env python3
"""Times the analyzer end to end on a generated record folder.

usage: analyzer_run.py BIN_DIR RECORD_FOLDER [RECORD_FOLDER...]

For each folder, in one sitting so that the figures compare:
  zcat      every record decompressed by gzip alone (the floor of reading)
  floor     balvek-script selecting every record with no replay callbacks:
            walk, hand-over and decompression, no per-event script
  stats     scripts/stats.js, first run (every record replayed, cache written)
  cached    scripts/stats.js again (every record reported from the cache)
The profile lines of the stats run give the share of time spent in page
callbacks; peak resident memory comes from /usr/bin/time.
"""
import os
import re
import socket
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

FLOOR_SCRIPT = """
var a = window.external.mjCommand("CREATEINSTANCE::LOGANA1.0");
a.analyze({ Array: Array, OnEnumLog: function () { return true; },
            OnAnalyzeEnd: function () { print("records " + a.nTotal); } });
"""


def listen():
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        sock.bind(("127.0.0.1", 514))
    except OSError:
        return None
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 22)
    return sock


def drain(sock):
    lines = []
    if sock:
        sock.settimeout(0.3)
        try:
            while True:
                lines.append(sock.recv(4096).rstrip(b"\0").decode("utf-8", "replace"))
        except socket.timeout:
            pass
    return lines


def timed(command, env):
    start = time.monotonic()
    done = subprocess.run(["/usr/bin/time", "-f", "maxrss_kb=%M"] + command, env=env, capture_output=True)
    elapsed = time.monotonic() - start
    if done.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(command), done.stderr.decode()[-2000:]))
    rss = int(re.search(r"maxrss_kb=(\d+)", done.stderr.decode()).group(1))
    return elapsed, rss, done.stdout.decode()


def count_records(folder):
    return sum(1 for _, _, files in os.walk(folder) for f in files if f.endswith(".mjlog"))


def main():
    bin_dir = os.path.abspath(sys.argv[1])
    script = os.path.join(bin_dir, "balvek-script")
    for folder in sys.argv[2:]:
        folder = os.path.abspath(folder)
        records = count_records(folder)
        with tempfile.TemporaryDirectory() as data:
            env = dict(os.environ, XDG_DATA_HOME=data)
            floor_js = os.path.join(data, "floor.js")
            with open(floor_js, "w") as f:
                f.write(FLOOR_SCRIPT)
            start = time.monotonic()
            subprocess.run("find '%s' -name '*.mjlog' -print0 | xargs -0 zcat > /dev/null" % folder, shell=True,
                           check=True)
            zcat = time.monotonic() - start
            base = [script, "--quiet", "--record-folder", folder]
            floor, floor_rss, _ = timed(base + [floor_js], env)
            sock = listen()
            drain(sock)
            stats, stats_rss, out = timed(base + [os.path.join(ROOT, "scripts", "stats.js")], env)
            lines = drain(sock)
            cached, cached_rss, again = timed(base + [os.path.join(ROOT, "scripts", "stats.js")], env)
            if sock:
                sock.close()
        print("records=%d" % records)
        print("  zcat    %7.2f s %8.0f rec/s" % (zcat, records / zcat))
        print("  floor   %7.2f s %8.0f rec/s  peak RSS %6.1f MB" % (floor, records / floor, floor_rss / 1024))
        print("  stats   %7.2f s %8.0f rec/s  peak RSS %6.1f MB  (%.2fx the floor's time, %.2fx zcat's)" %
              (stats, records / stats, stats_rss / 1024, stats / floor, stats / zcat))
        print("  cached  %7.2f s %8.0f rec/s  peak RSS %6.1f MB" % (cached, records / cached, cached_rss / 1024))
        print("  " + out.strip().splitlines()[-1])
        print("  " + again.strip().splitlines()[-1])
        if "----- profile -----\r\n" in lines:
            profile = lines[lines.index("----- profile -----\r\n") + 1:]
            callback_ms = 0
            for line in profile:
                m = re.match(r"^(\S+)\s+(-?\d+)\s+(\d+)\r\n$", line)
                total = re.match(r"^total=(\d+) run=(\d+)", line)
                if m:
                    callback_ms += int(m.group(2))
                    print("    %-14s %7s ms %9s calls" % m.groups())
                elif total:
                    total_ms, run_ms = int(total.group(1)), int(total.group(2))
                    print("    total=%d ms run=%d ms; callbacks %d ms = %.0f%% of total, %.0f%% of replay" %
                          (total_ms, run_ms, callback_ms, 100.0 * callback_ms / max(total_ms, 1),
                           100.0 * callback_ms / max(run_ms, 1)))
                    break
        else:
            print("  (no profile: the log port 127.0.0.1:514 is taken)")


if __name__ == "__main__":
    main()
