#!/usr/bin/python3
"""Benchmarks of rekuda31 against two floor programs, printed as one table.

The floor (bench/floor/) is the least a Qt Widgets program can do to sit in the
notification area; the Japanese floor also shows a frameless window with one
line of Japanese text for 0.8 s, in the splash's font stack, as any Japanese
tray program does at start-up. All run side by side on one private desktop of
the end-to-end tests' harness (tests/e2e/harness.py: Xvfb, trayer, PulseAudio
null sink), with a D-Bus session bus added, and are measured the same way:

  start-up       exec to the tray icon mapped inside trayer (median)
  memory         peak RSS (VmHWM) after 10 s resident, 20 memos, none due
  idle cost      CPU time over 60 s resident, 20 memos, none due
  after sound    RSS 60 s after an alarm with sound has played and been dismissed
  alarm latency  start of the due minute on the fake clock to the alarm
                 window "Form3" being mapped (median and worst)

Window maps are timed by bench's X watcher (rekuda31_xwatch), which stamps
every MapNotify with CLOCK_MONOTONIC as it arrives; Python's time.monotonic()
reads the same clock. The start of the due minute is placed on that clock by
rekuda31_clockmark.so, preloaded into the program after libfaketime.

Not a test: nothing here is registered with CTest. Use bench/run.sh, which
builds the targets first; --quick gives a run of about two minutes.
"""
import argparse
import contextlib
import datetime as dt
import json
import os
import platform
import statistics
import subprocess
import sys
import threading
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
REPO = HERE.parent
sys.path.insert(0, str(REPO / "tests" / "e2e"))
import harness as h  # noqa: E402

TARGET_RATIO = 1.10      # start-up and peak RSS, times the Japanese floor
TARGET_AFTER_SOUND_RATIO = 1.15  # RSS after a sound alarm, times the Japanese floor's
AFTER_SOUND_S = 60.0
FLOORS = ("floor", "floor_ja")
TARGET_IDLE_PCT = 0.05   # % of one core
TARGET_ALARM_MEDIAN_MS = 50.0
TARGET_ALARM_WORST_MS = 150.0

ALARM_FAKE_START = "2026-12-25 14:29:58"  # the due minute starts 2 s in
ALARM_DUE = dt.datetime(2026, 12, 25, 14, 30)
ALARM_TITLE = "Form3"
ALARM_TEXT = (2000, 1500)  # twips in the alarm window: a double click there dismisses it
CLK_TCK = os.sysconf("SC_CLK_TCK")


# ----------------------------------------------------------------- desktop

@contextlib.contextmanager
def desktop():
    """The end-to-end tests' private desktop, outside unittest, plus the session bus every real desktop has and
    Qt talks to at start-up. Everything started on it is stopped on the way out."""
    session = h.Session()
    try:
        session.setUp()
        bus = session.env["DBUS_SESSION_BUS_ADDRESS"]
        session.spawn(["dbus-daemon", "--session", "--nofork", "--address=" + bus])
        h.wait_until(lambda: Path(bus.removeprefix("unix:path=")).exists(), 10, "D-Bus session bus")
        yield session
    finally:
        session.doCleanups()


def output(proc, chars=2000):
    """The end of what a process started on the desktop has written."""
    return proc.log.read_text(errors="replace")[-chars:]


def tone(path):
    """A 1.5 s sine of 660 Hz as 16-bit PCM."""
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", "-b", "16", "-e", "signed-integer", path, "synth", "1.5",
                    "sine", "660", "vol", "0.5"], check=True, timeout=10)
    return path


# ----------------------------------------------------------------- watcher

class MapWatch:
    """rekuda31_xwatch running on the desktop; its lines collected as they come."""

    def __init__(self, session, exe):
        self.proc = session.spawn([exe])
        self.events = []
        self.lock = threading.Lock()
        self.stopping = False
        self.reader = threading.Thread(target=self._follow, daemon=True)
        self.reader.start()
        h.wait_until(lambda: self.find(lambda e: e["kind"] == "ready"), 10, "X watcher")

    def _follow(self):
        with open(self.proc.log, "r", errors="replace") as f:
            pending = ""
            while not self.stopping:
                chunk = f.read()
                if not chunk:
                    if self.proc.poll() is not None:
                        return
                    time.sleep(0.005)
                    continue
                pending += chunk
                *lines, pending = pending.split("\n")
                parsed = [e for e in map(self._parse, lines) if e]
                with self.lock:
                    self.events.extend(parsed)

    @staticmethod
    def _parse(line):
        parts = line.split(" ", 6)
        if len(parts) < 6:
            return None
        return {"kind": parts[0], "t": float(parts[1]), "wid": int(parts[2]), "parent": int(parts[3]),
                "pid": int(parts[4]), "late": parts[5] == "1", "title": parts[6] if len(parts) > 6 else ""}

    def find(self, predicate):
        with self.lock:
            return [e for e in self.events if predicate(e)]

    def first_map(self, pid, timeout, embedded=False, title=None):
        """Earliest map time of a window of pid (inside another window if embedded; with
        this title, also when the title came after the map), waiting up to timeout s."""
        def match():
            events = self.find(lambda e: e["pid"] == pid)
            wids = {e["wid"] for e in events
                    if (title is None or e["title"] == title) and (not embedded or e["parent"])}
            maps = [e for e in events if e["kind"] == "map" and e["wid"] in wids
                    and (not embedded or e["parent"])]
            return min(maps, key=lambda e: e["t"]) if maps else None
        try:
            return h.wait_until(match, timeout, f"map of {title or 'a window'} of pid {pid}")
        except TimeoutError:
            return None


# ------------------------------------------------------------------- /proc

def proc_status(pid):
    """The kB fields of /proc/PID/status that matter here, plus Threads."""
    out = {}
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        key, _, value = line.partition(":")
        if key in ("VmHWM", "VmRSS", "RssAnon", "RssFile", "RssShmem", "Threads"):
            out[key] = int(value.split()[0])
    return out


def rss_by_mapping(pid):
    """RSS in kB per mapped file ([heap], [anon], ... for the rest)."""
    out, name = {}, None
    for line in Path(f"/proc/{pid}/smaps").read_text().splitlines():
        head = line.split()
        if "-" in head[0] and not head[0].endswith(":"):
            name = head[5] if len(head) > 5 else "[anon]"
        elif head[0] == "Rss:":
            out[name] = out.get(name, 0) + int(head[1])
    return out


def cpu_sample(pid):
    """CPU use so far: stat's utime+stime in seconds (whole process, also threads that
    have ended; 1/CLK_TCK resolution), the summed nanosecond run time of the live
    threads from schedstat, their thread ids, and their context switches."""
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])
    run_ns, switches, tids = 0, 0, set()
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            run_ns += int((task / "schedstat").read_text().split()[0])
            for line in (task / "status").read_text().splitlines():
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    switches += int(line.split()[1])
            tids.add(task.name)
        except (OSError, ValueError):
            pass
    return {"stat_s": ticks / CLK_TCK, "run_s": run_ns / 1e9, "switches": switches, "tids": tids,
            "t": time.monotonic()}


# -------------------------------------------------------------- data files

def idle_memos(now):
    """20 memos of every kind, none of them due within hours of now (UTC, as the desktop)."""
    hour = (now.hour + 6) % 24
    sunday0 = (now.weekday() + 1) % 7  # 0 = Sunday, as the mask's bits
    texts = ["会議", "歯医者の予約", "資料を送る\r\n山田さんへ", "ゴミ出し", "振込（家賃）",
             "誕生日プレゼントを買う", "電話：ABC社 03-1234-5678", "薬", "散歩",
             "レポート提出\r\n第3章まで", "定例ミーティング", "洗濯", "水やり", "英会話", "請求書",
             "図書館の本を返す", "ストレッチ", "買い物リスト：牛乳, 卵, パン", "日記", "早く寝る"]
    memos = []
    for k in range(8):  # one-off, weeks ahead
        day = now + dt.timedelta(days=30 + 9 * k)
        memos.append((5 * k, hour, day.day, day.month, day.year))
    days = [d for d in range(1, 29) if d not in (now.day, (now + dt.timedelta(days=1)).day)]
    for k in range(4):  # every month
        memos.append((10 + k, hour, days[3 * k], 0, 0))
    for k in range(4):  # weekly, never today
        memos.append((20 + k, hour, 0, 0, 0, 127 & ~(1 << sunday0) & ~(1 << ((sunday0 + k + 1) % 7))))
    for k in range(4):  # every day
        memos.append((30 + k, hour, 0, 0, 0, 0))
    memos.sort(key=lambda m: (m[4], m[3], m[2], m[1], m[0]))
    return h.data_file(*[(*m[:5], texts[i].encode("cp932"), i % 2, m[5] if len(m) > 5 else 0)
                         for i, m in enumerate(memos)])


def alarm_memo(sound):
    due = ALARM_DUE
    return h.data_file((due.minute, due.hour, due.day, due.month, due.year, "ベンチマーク".encode("cp932"),
                        int(sound), 0))


# --------------------------------------------------------------- measures

def measure_startups(session, watch, folders, clockmark, runs):
    """exec to icon embedded, ms, per program; one unrecorded warm-up each, order alternated.
    rekuda31_clockmark.so, preloaded, also stamps the moment just before main() (after the
    dynamic loader and the libraries' constructors), which splits the figure in two."""
    times = {name: [] for name in folders}
    to_main = {name: [] for name in folders}
    for k in range(runs + 1):
        order = list(folders) if k % 2 == 0 else list(reversed(folders))
        for name in order:
            mark = session.tmp / f"{name}-clockmark.txt"
            mark.unlink(missing_ok=True)
            proc = session.start(folders[name], LD_PRELOAD=str(clockmark), REKUDA31_BENCH_CLOCKMARK=str(mark))
            icon = watch.first_map(proc.pid, 10, embedded=True)
            h.stop(proc)
            if icon is None:
                raise RuntimeError(f"{name}: no tray icon within 10 s\n{output(proc)}")
            if k:
                times[name].append((icon["t"] - proc.started) * 1000)
                try:
                    to_main[name].append((int(mark.read_text().split()[0]) / 1e9 - proc.started) * 1000)
                except (OSError, ValueError, IndexError):
                    pass
            time.sleep(0.3)  # let trayer drop the socket
    return {"to_icon": times, "to_main": to_main}


def measure_resident(session, watch, folders, settle, idle):
    """Start all side by side; peak RSS after `settle` s, then CPU over `idle` s."""
    procs = {name: session.start(folder) for name, folder in folders.items()}
    for name, proc in procs.items():
        if watch.first_map(proc.pid, 10, embedded=True) is None:
            raise RuntimeError(f"{name}: no tray icon within 10 s\n{output(proc)}")
    results = {name: {} for name in folders}
    time.sleep(max(0.0, max(proc.started for proc in procs.values()) + settle - time.monotonic()))
    before = {}
    for name, proc in procs.items():
        results[name]["memory"] = proc_status(proc.pid)
        results[name]["mappings"] = rss_by_mapping(proc.pid)
        before[name] = cpu_sample(proc.pid)
    time.sleep(idle)
    for name, proc in procs.items():
        after = cpu_sample(proc.pid)
        b = before[name]
        wall = after["t"] - b["t"]
        results[name]["cpu"] = {
            "wall_s": wall,
            "stat_s": after["stat_s"] - b["stat_s"],
            "run_s": after["run_s"] - b["run_s"],
            "threads_steady": after["tids"] == b["tids"],
            "wakeups_per_s": (after["switches"] - b["switches"]) / wall,
            "threads": len(after["tids"]),
        }
        results[name]["memory_end"] = proc_status(proc.pid)
        h.stop(proc)
    return results


def alarm_program(session, build, sound):
    """A folder of rekuda31 with one memo due at ALARM_DUE; with sound, also a wave file."""
    return session.program(alarm_memo(sound), tone(session.tmp / f"tone-{time.monotonic_ns()}.wav") if sound else None,
                           build / "rekuda31")


def measure_alarms(session, watch, build, runs, sound):
    """Fake clock 2 s before the due minute of a one-off memo; start of that minute (in
    the program's own fake clock) to the map of the alarm window, ms."""
    folder = alarm_program(session, build, sound)
    mark = session.tmp / f"{folder.name}-clockmark.txt"
    env = {"LD_PRELOAD": h.FAKETIME + ":" + str(build / "bench" / "rekuda31_clockmark.so"),
           "REKUDA31_BENCH_CLOCKMARK": str(mark)}
    minute = ALARM_DUE.replace(tzinfo=dt.timezone.utc).timestamp()
    start = dt.datetime.fromisoformat(ALARM_FAKE_START).replace(tzinfo=dt.timezone.utc).timestamp()
    latencies, clock_offsets, failures, spreads = [], [], [], []
    for _ in range(runs):
        mark.unlink(missing_ok=True)
        proc = session.start(folder, ALARM_FAKE_START, **env)
        shown = watch.first_map(proc.pid, 6, title=ALARM_TITLE)
        try:
            mono_ns, fake_ns, spread_ns = map(int, mark.read_text().split())
        except (OSError, ValueError):
            mono_ns = None
        h.stop(proc)
        if mono_ns is None:
            raise RuntimeError("rekuda31_clockmark.so wrote no clock pair (preload failed?)")
        minute_mono = mono_ns / 1e9 + (minute - fake_ns / 1e9)
        spreads.append(spread_ns / 1e6)
        # how far after exec the fake clock started: 2.000 s after exec would make this 0
        clock_offsets.append((mono_ns / 1e9 - (fake_ns / 1e9 - start) - proc.started) * 1000)
        if shown is None:
            failures.append(output(proc, 1000))
        else:
            latencies.append((shown["t"] - minute_mono) * 1000)
        time.sleep(0.3)
    return {"latencies_ms": latencies, "failures": failures, "clock_start_after_exec_ms": clock_offsets,
            "clock_pair_spread_ms": max(spreads, default=0.0)}


def measure_after_alarm(session, watch, build, settle, sound):
    """An alarm (with sound: a 1.5 s wave and the bell), dismissed once the sound has ended;
    RSS `settle` s after the alarm window was mapped."""
    proc = session.start(alarm_program(session, build, sound), ALARM_FAKE_START)
    shown = watch.first_map(proc.pid, 6, title=ALARM_TITLE)
    if shown is None:
        h.stop(proc)
        raise RuntimeError("no alarm window\n" + output(proc))
    time.sleep(3.0)
    session.click(*session.window(proc, ALARM_TITLE).at(*ALARM_TEXT), repeat=2)
    time.sleep(max(0.0, shown["t"] + settle - time.monotonic()))
    result = {"memory": proc_status(proc.pid), "mappings": rss_by_mapping(proc.pid)}
    h.stop(proc)
    return result


# ------------------------------------------------------------------ report

def machine():
    model = next((line.split(":", 1)[1].strip() for line in Path("/proc/cpuinfo").read_text().splitlines()
                  if line.startswith("model name")), platform.processor() or "?")
    mem_kb = next(int(line.split()[1]) for line in Path("/proc/meminfo").read_text().splitlines()
                  if line.startswith("MemTotal"))
    return {"nproc": os.cpu_count(), "cpu": model, "memory_gib": round(mem_kb / 1048576, 1),
            "kernel": platform.release()}


def build_type(build):
    try:
        for line in (build / "CMakeCache.txt").read_text().splitlines():
            if line.startswith("CMAKE_BUILD_TYPE:"):
                return line.split("=", 1)[1] or "RelWithDebInfo (the project's default)"
    except OSError:
        pass
    return "?"


def mapping_groups(mappings, floor):
    """RSS of a process's mappings in kB, grouped by what brought them in."""
    groups = {}
    for name, kb in mappings.items():
        base = name.rsplit("/", 1)[-1]
        if base.startswith(("libsndfile", "libpulse", "libFLAC", "libvorbis", "libopus", "libogg", "libmpg123",
                            "libmp3lame", "libasyncns")):
            key = "sound libraries"
        elif "/fonts/" in name:
            key = "font files"
        elif name.startswith("["):
            key = "heap, stack, anonymous"
        elif name in floor:
            key = "files the floor maps too"
        else:
            key = "other files only it maps"
        groups[key] = groups.get(key, 0) + kb
    return groups


def verdict(ok):
    return "ok" if ok else "MISS"


def fmt_ms(v):
    return f"{v:.1f} ms"


def alarm_rows(al, label):
    rows = []
    lat = al["latencies_ms"]
    n = len(lat) + len(al["failures"])
    if lat:
        med, worst = statistics.median(lat), max(lat)
        rows.append((f"alarm latency{label}, median of {n}", fmt_ms(med), "", "", "", "",
                     f"< {TARGET_ALARM_MEDIAN_MS:g} ms", verdict(med < TARGET_ALARM_MEDIAN_MS and not al["failures"])))
        rows.append((f"alarm latency{label}, worst of {n}", fmt_ms(worst), "", "", "", "",
                     f"< {TARGET_ALARM_WORST_MS:g} ms", verdict(worst < TARGET_ALARM_WORST_MS and not al["failures"])))
    if al["failures"]:
        rows.append((f"alarm window{label} never mapped", f"{len(al['failures'])} of {n}", "", "", "", "", "0",
                     "MISS"))
    return rows


def report(res, args):
    m = res["machine"]
    print()
    print(f"rekuda31 benchmarks: {m['nproc']} x {m['cpu']}, {m['memory_gib']} GiB, Linux {m['kernel']}; "
          f"build {res['build_type']}; nice {res['nice']}; load average {res['load_before']:.2f} before, "
          f"{res['load_after']:.2f} after{'; --quick' if args.quick else ''}")
    if max(res["load_before"], res["load_after"]) > 0.75 * m["nproc"]:
        print("warning: the machine was busy with other work; start-up and latency figures are inflated")
    rows = [("figure", "rekuda31", "floor", "ratio", "ja floor", "ratio", "target", "")]

    def against_floors(label, ours, floors, show, target, ok):
        cells = []
        for f in floors:
            cells += [show(f), f"{ours / f:.2f}x"]
        rows.append((label, show(ours), *cells, target, verdict(ok)))

    mib = lambda kb: f"{kb / 1024:.1f} MiB"
    st = res.get("startup", {}).get("to_icon")
    if st:
        p = statistics.median(st["rekuda31"])
        fl = [statistics.median(st[n]) for n in FLOORS]
        against_floors(f"start-up, exec to icon in tray (median of {len(st['rekuda31'])})", p, fl, fmt_ms,
                       f"<= {TARGET_RATIO}x ja floor", p <= TARGET_RATIO * fl[1])
    rs = res.get("resident")
    if rs:
        p = rs["rekuda31"]["memory"]["VmHWM"]
        fl = [rs[n]["memory"]["VmHWM"] for n in FLOORS]
        against_floors(f"peak RSS (VmHWM) after {args.settle:g} s, 20 memos", p, fl, mib,
                       f"<= {TARGET_RATIO}x ja floor", p <= TARGET_RATIO * fl[1])
        pc, fc, jc = rs["rekuda31"]["cpu"], rs["floor"]["cpu"], rs["floor_ja"]["cpu"]
        pct = lambda c, k: 100 * c[k] / c["wall_s"]
        rows.append((f"idle CPU over {pc['wall_s']:.0f} s (utime+stime)", f"{pct(pc, 'stat_s'):.3f} %",
                     f"{pct(fc, 'stat_s'):.3f} %", "", f"{pct(jc, 'stat_s'):.3f} %", "",
                     f"< {TARGET_IDLE_PCT} % of a core", verdict(pct(pc, "stat_s") < TARGET_IDLE_PCT)))
        rows.append(("  the same from schedstat, ns resolution", f"{pct(pc, 'run_s'):.4f} %",
                     f"{pct(fc, 'run_s'):.4f} %", "", f"{pct(jc, 'run_s'):.4f} %", "",
                     f"< {TARGET_IDLE_PCT} % of a core", verdict(pct(pc, "run_s") < TARGET_IDLE_PCT)))
    aft = res.get("after_sound")
    if aft and rs:
        p = aft["memory"]["VmRSS"]
        fl = [rs[n]["memory"]["VmRSS"] for n in FLOORS]
        against_floors(f"RSS {args.after_sound:g} s after a sound alarm (floors: resident)", p, fl, mib,
                       f"<= {TARGET_AFTER_SOUND_RATIO}x ja floor", p <= TARGET_AFTER_SOUND_RATIO * fl[1])
    if res.get("alarm"):
        rows += alarm_rows(res["alarm"], "")
    if res.get("alarm_sound"):
        rows += alarm_rows(res["alarm_sound"], " with sound")

    widths = [max(len(r[i]) for r in rows) for i in range(len(rows[0]))]
    for r in rows:
        print("  ".join(c.ljust(w) if i in (0, 6, 7) else c.rjust(w)
                        for i, (c, w) in enumerate(zip(r, widths))).rstrip())

    print()
    if st:
        for name in ("rekuda31", *FLOORS):
            v, mains = st[name], res["startup"]["to_main"][name]
            split = ""
            if mains:
                m = statistics.median(mains)
                split = f"; median exec to main() {m:.1f} ms, main() to icon {statistics.median(v) - m:.1f} ms"
            print(f"start-up {name}: min {min(v):.1f}, max {max(v):.1f} ms{split}; all: "
                  + " ".join(f"{x:.1f}" for x in v))
    if rs:
        for name in ("rekuda31", *FLOORS):
            mem, cpu = rs[name]["memory"], rs[name]["cpu"]
            print(f"resident {name}: RSS {mem['VmRSS'] / 1024:.1f} MiB (anon {mem['RssAnon'] / 1024:.1f}, "
                  f"file {mem['RssFile'] / 1024:.1f}), {cpu['threads']} threads, "
                  f"{cpu['wakeups_per_s']:.1f} context switches/s, CPU {cpu['stat_s'] * 1000:.0f} ms by stat, "
                  f"{cpu['run_s'] * 1000:.2f} ms by schedstat"
                  + ("" if cpu["threads_steady"] else " (threads came and went: schedstat misses ended ones)"))
        prog, floor = rs["rekuda31"]["mappings"], rs["floor_ja"]["mappings"]
        only = {k: v for k, v in prog.items() if k.startswith("/") and k not in floor}
        floor_groups = mapping_groups(floor, floor)
        print(f"RSS of the {len(only)} files mapped by rekuda31 and not the ja floor: {sum(only.values()) / 1024:.1f} MiB; "
              "rekuda31 / ja floor by group, MiB: " + ", ".join(
                  f"{k} {v / 1024:.1f} / {floor_groups.get(k, 0) / 1024:.1f}"
                  for k, v in sorted(mapping_groups(prog, floor).items(), key=lambda kv: -kv[1])))
        diff = sorted(((prog.get(k, 0) - floor.get(k, 0), k) for k in set(prog) | set(floor)), reverse=True)
        print("largest differences from the ja floor (kB): "
              + ", ".join(f"{k.rsplit('/', 1)[-1]} +{d}" for d, k in diff[:10]))
    if aft:
        mem = aft["memory"]
        print(f"after sound: RSS {mem['VmRSS'] / 1024:.1f} MiB (anon {mem['RssAnon'] / 1024:.1f}, file "
              f"{mem['RssFile'] / 1024:.1f}, shmem {mem['RssShmem'] / 1024:.1f}), peak {mem['VmHWM'] / 1024:.1f} MiB, "
              f"{mem['Threads']} threads")
        silent = res.get("after_silent")
        if silent:
            print(f"the same after a silent alarm: RSS {silent['memory']['VmRSS'] / 1024:.1f} MiB "
                  f"(anon {silent['memory']['RssAnon'] / 1024:.1f}, file {silent['memory']['RssFile'] / 1024:.1f}); "
                  "the difference is what the sound left behind")
        if rs:
            before = rs["rekuda31"]["mappings"]
            diff = sorted(((kb - before.get(k, 0), k) for k, kb in aft["mappings"].items()), reverse=True)
            print("grown since the resident figure (kB): "
                  + ", ".join(f"{k.rsplit('/', 1)[-1]} +{d}" for d, k in diff[:6] if d > 0))
    for key, label in (("alarm", "alarm"), ("alarm_sound", "alarm with sound")):
        al = res.get(key)
        if not al:
            continue
        if al["latencies_ms"]:
            print(f"{label} latencies (ms): " + " ".join(f"{x:.1f}" for x in al["latencies_ms"]))
        for out in al["failures"][:1]:
            print(f"output of a {label} run without an alarm window:\n{out}")
    offs = (res.get("alarm") or res.get("alarm_sound") or {}).get("clock_start_after_exec_ms")
    if offs:
        print(f"alarm timing: the fake clock started {statistics.median(offs):.1f} ms after exec (median), so the "
              "minute is placed by the clock pair read inside the process, not by exec + 2 s")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", type=Path, default=REPO / "build", help="CMake build directory (default build/)")
    ap.add_argument("--quick", action="store_true", help="3 start-ups, 10 s idle, 3 alarms of each kind")
    ap.add_argument("--startups", type=int, help="start-ups per program (default 10)")
    ap.add_argument("--settle", type=float, default=10.0, help="seconds resident before reading memory (10)")
    ap.add_argument("--idle", type=float, help="seconds of idle CPU measurement (default 60)")
    ap.add_argument("--alarms", type=int, help="alarm runs, silent and with sound each (default 10)")
    ap.add_argument("--after-sound", type=float, default=AFTER_SOUND_S,
                    help=f"seconds after the sound alarm to read memory ({AFTER_SOUND_S:g})")
    ap.add_argument("--only", choices=("startup", "resident", "alarm", "alarm-sound", "after-sound"), action="append",
                    help="run only these measures (repeatable)")
    ap.add_argument("--nice", type=int, default=-10 if os.geteuid() == 0 else 0,
                    help="niceness of everything the benchmarks start (default -10 as root, so that other work on the machine "
                         "disturbs the figures less; 0 to leave it)")
    ap.add_argument("--json", type=Path, help="also write the raw figures here")
    args = ap.parse_args()
    args.startups = args.startups or (3 if args.quick else 10)
    args.idle = args.idle or (10.0 if args.quick else 60.0)
    args.alarms = args.alarms or (3 if args.quick else 10)
    only = set(args.only or ("startup", "resident", "alarm", "alarm-sound", "after-sound"))

    build = args.build.resolve()
    needed = [build / "rekuda31", build / "bench" / "rekuda31_floor", build / "bench" / "rekuda31_floor_ja",
              build / "bench" / "rekuda31_xwatch",
              build / "bench" / "rekuda31_clockmark.so"]
    missing = [str(p) for p in needed if not p.exists()]
    if missing:
        sys.exit("missing (build with bench/run.sh, or cmake --build BUILD --target rekuda31 rekuda31_floor "
                 "rekuda31_floor_ja rekuda31_xwatch rekuda31_clockmark): " + ", ".join(missing))
    if args.nice:
        os.setpriority(os.PRIO_PROCESS, 0, args.nice)  # inherited by everything started from here

    res = {"machine": machine(), "build_type": build_type(build), "nice": os.getpriority(os.PRIO_PROCESS, 0),
           "load_before": os.getloadavg()[0]}
    with desktop() as session:
        watch = MapWatch(session, build / "bench" / "rekuda31_xwatch")
        memos = idle_memos(dt.datetime.now(dt.timezone.utc))
        folders = {"rekuda31": session.program(memos, binary=build / "rekuda31"),
                   "floor": session.program(binary=build / "bench" / "rekuda31_floor"),
                   "floor_ja": session.program(binary=build / "bench" / "rekuda31_floor_ja")}
        if "startup" in only:
            print(f"start-up: {args.startups} runs each ...", flush=True)
            res["startup"] = measure_startups(session, watch, folders, build / "bench" / "rekuda31_clockmark.so",
                                              args.startups)
        if "resident" in only:
            print(f"resident: {args.settle:g} s, then {args.idle:g} s idle ...", flush=True)
            res["resident"] = measure_resident(session, watch, folders, args.settle, args.idle)
        if "alarm" in only:
            print(f"alarm: {args.alarms} runs ...", flush=True)
            res["alarm"] = measure_alarms(session, watch, build, args.alarms, sound=False)
        if "alarm-sound" in only:
            print(f"alarm with sound: {args.alarms} runs ...", flush=True)
            res["alarm_sound"] = measure_alarms(session, watch, build, args.alarms, sound=True)
        if "after-sound" in only:
            print(f"after sound: {args.after_sound:g} s ...", flush=True)
            res["after_sound"] = measure_after_alarm(session, watch, build, args.after_sound, True)
            res["after_silent"] = measure_after_alarm(session, watch, build, args.after_sound, False)
        watch.stopping = True
    res["load_after"] = os.getloadavg()[0]
    report(res, args)
    if args.json:
        args.json.write_text(json.dumps(res, indent=1, default=str))


if __name__ == "__main__":
    main()
