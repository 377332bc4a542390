"""Session driver for the benchmarks: rekuda31 on a private virtual X display.

A Session starts Xvfb, a tray host (trayer), a private D-Bus session bus,
a PulseAudio server whose default sink is a null sink, and optionally the
accessibility bus.  Program copies the binary into a fresh folder and starts
it there (optionally under libfaketime).  Everything started here runs in its
own process group and is stopped when the session ends, on exit, on
SIGTERM/SIGINT/SIGHUP and, through PR_SET_PDEATHSIG and a watchdog process,
even when the test process itself is killed.

Standard library only; run with /usr/bin/python3.
"""
import atexit
import ctypes
import datetime as _dt
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from dataclasses import dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BINARY = os.environ.get("REKUDA31_BINARY") or str(REPO / "build" / "rekuda31")
ARTIFACTS = Path(os.environ.get("REKUDA31_E2E_ARTIFACTS")
                 or Path(tempfile.gettempdir()) / "rekuda31-e2e-artifacts")
KEEP = os.environ.get("REKUDA31_E2E_KEEP") == "1"
FAKETIME_LIB = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1"
TWIPS = 15            # twips per pixel at 96 dpi
DATA = "rekuda31.dat"
WAVE = "rekuda31.wav"
SOUND_PEAK = 0.05     # a recorded peak above this is sound
SILENCE_PEAK = 0.002  # a recorded peak below this is silence
CMD_TIMEOUT = 10


# ---------------------------------------------------------------- utilities

def wait_until(predicate, timeout, what="condition", interval=0.05):
    """Poll predicate until it returns a truthy value; return it, or raise TimeoutError."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def _die_with_parent():
    os.setsid()
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG; the watchdog follows with SIGKILL


def _spawn(cmd, env, log, **kw):
    """Start cmd in its own process group; it is killed if this process dies."""
    out = open(log, "ab")
    try:
        return subprocess.Popen(cmd, env=env, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.STDOUT, preexec_fn=_die_with_parent, **kw)
    finally:
        out.close()


# Started once per session; it holds the read end of a pipe on which the session
# writes the process group of everything it starts.  If the test process dies
# (even by SIGKILL) the pipe reaches end of file and the watchdog kills them all.
_WATCHDOG = r"""
import os, shutil, signal, sys, time
signal.signal(signal.SIGINT, signal.SIG_IGN)
groups = []
with os.fdopen(int(sys.argv[1]), "rb") as f:
    for line in f:
        if line == b"done\n":
            sys.exit(0)
        groups.append(int(line))
for sig in (signal.SIGTERM, signal.SIGKILL):  # TERM first: Xvfb removes its lock file
    for g in groups:
        try:
            os.killpg(g, sig)
        except OSError:
            pass
    time.sleep(1)
if len(sys.argv) > 2:
    shutil.rmtree(sys.argv[2], ignore_errors=True)
"""


def _orphans():
    """Pids whose parent is this process: grandchildren that were reparented to us."""
    me, found = os.getpid(), []
    for d in os.listdir("/proc"):
        try:
            stat = Path(f"/proc/{d}/stat").read_text()
        except (OSError, ValueError):
            continue
        if d.isdigit() and int(stat.rsplit(")", 1)[1].split()[1]) == me:
            found.append(int(d))
    return found


def _reap_orphans():
    """Kill and reap every remaining child (we are a child subreaper, so helpers'
    own children, e.g. the accessibility bus daemons, end up here)."""
    for pid in _orphans():
        try:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
        except (ProcessLookupError, ChildProcessError):
            pass


def _terminate(proc, grace=3.0):
    """SIGTERM the process group of proc, SIGKILL it after grace seconds."""
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 3.0)):
        try:
            os.killpg(proc.pid, sig)
        except (ProcessLookupError, PermissionError):
            pass
        try:
            proc.wait(wait)
        except subprocess.TimeoutExpired:
            continue
        try:  # reap leftover members of the group as well
            os.killpg(proc.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        return


# ----------------------------------------------------------- data and sound

def memo_line(minute, hour, day, month, year, text, sound=0, week=0):
    """One data-file line (CR LF) for a memo; text is a str (encoded as cp932) or raw bytes.
    Python's cp932 writes NEC-selected IBM extensions (e.g. 髙 as EE E0) where Windows
    writes the IBM ones (FB FC): pass bytes when such a character must be byte-exact."""
    raw = text if isinstance(text, bytes) else text.encode("cp932")
    return (f'{minute},{hour},{day},{month},{year},"'.encode() + raw
            + f'",{sound},{week}\r\n'.encode())


def data_file(*memos):
    """A whole data file: count line then one line per memo (tuples as for memo_line, or bytes)."""
    lines = [m if isinstance(m, bytes) else memo_line(*m) for m in memos]
    return f"{len(lines)}\r\n".encode("cp932") + b"".join(lines)


def decode_data(raw):
    """Data-file bytes as a list of text lines (cp932, split at CR LF)."""
    return raw.decode("cp932").split("\r\n")


def make_wave(path, seconds=1.5, freq=660, rate=22050, volume=0.5, encoding=("signed-integer", 16)):
    """Write a mono sine wave file with sox (16-bit PCM unless encoding says (name, bits),
    bits None for the encoding's own); return its path."""
    name, bits = encoding
    subprocess.run(["sox", "-n", "-r", str(rate), "-c", "1", *(["-b", str(bits)] if bits else []),
                    "-e", name, str(path), "synth", str(seconds), "sine", str(freq), "vol", str(volume)],
                   check=True, timeout=CMD_TIMEOUT)
    return Path(path)


def tone_in_raw(path, freq, rate=22050, level=0.05, window=0.01):
    """How much of a recording (raw s16le mono) carries a tone at freq: band-passed
    around it, (seconds whose RMS is above level, offset in s of the first such
    window or None). The bell that follows every sound has almost nothing there."""
    r = subprocess.run(["sox", "-t", "raw", "-r", str(rate), "-e", "signed", "-b", "16", "-c", "1",
                        str(path), "-t", "raw", "-", "sinc", f"{freq - 30}-{freq + 30}"],
                       capture_output=True, timeout=CMD_TIMEOUT, check=True)
    samples = memoryview(r.stdout)[: len(r.stdout) // 2 * 2].cast("h")
    n = int(rate * window)
    loud = [(sum(v * v for v in samples[i:i + n]) / n) ** 0.5 / 32768 > level
            for i in range(0, len(samples) - n + 1, n)]
    return sum(loud) * window, (loud.index(True) * window if any(loud) else None)


def peak_of_raw(path, rate=22050):
    """Peak amplitude (0..1) of raw s16le mono audio, via sox stat."""
    if not os.path.exists(path) or os.path.getsize(path) < 4:
        return 0.0
    r = subprocess.run(["sox", "-t", "raw", "-r", str(rate), "-e", "signed", "-b", "16", "-c", "1",
                        str(path), "-n", "stat"], capture_output=True, text=True, timeout=CMD_TIMEOUT)
    amps = re.findall(r"(?:Maximum|Minimum) amplitude:\s*(-?[\d.]+)", r.stderr)
    return max((abs(float(a)) for a in amps), default=0.0)


# ------------------------------------------------------------------ windows

@dataclass
class Window:
    wid: int
    pid: int
    title: str
    x: int
    y: int
    width: int
    height: int
    mapped: bool
    override_redirect: bool
    types: tuple = ()  # _NET_WM_WINDOW_TYPE names without the prefix, e.g. ("TOOLTIP",)

    def at(self, tx, ty):
        """Screen pixel of a point given in twips from the client origin."""
        return self.x + round(tx / TWIPS), self.y + round(ty / TWIPS)

    @property
    def size_twips(self):
        return self.width * TWIPS, self.height * TWIPS

    @property
    def center(self):
        return self.x + self.width // 2, self.y + self.height // 2


_SESSIONS = []


def _stop_all(*_):
    for s in list(_SESSIONS):
        s.stop()


def _on_signal(signum, _frame):
    _stop_all()
    os._exit(128 + signum)


atexit.register(_stop_all)


class Session:
    """Virtual display + tray host + sound server (+ accessibility bus); a context manager."""

    def __init__(self, tray=True, sound=True, accessibility=False, screen="1280x800x24"):
        self.tray, self.sound, self.accessibility, self.screen = tray, sound, accessibility, screen
        self.procs = []        # helper processes, stopped in reverse order
        self.instances = []    # program instances, stopped first
        self.display = None
        self.tmp = None
        self.trayer = None
        self.tray_panel = None
        self._programs = 0
        self._watch = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # -- lifecycle
    def start(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="rekuda31-e2e-"))
        for d in ("run", "home", "logs", "tmp"):
            (self.tmp / d).mkdir(mode=0o700)
        _SESSIONS.append(self)
        ctypes.CDLL(None).prctl(36, 1)  # PR_SET_CHILD_SUBREAPER
        r, w = os.pipe()
        self._watchdog = subprocess.Popen(
            [sys.executable, "-c", _WATCHDOG, str(r)] + ([] if KEEP else [str(self.tmp)]),
            pass_fds=(r,), start_new_session=True)
        os.close(r)
        self._watch = os.fdopen(w, "wb", buffering=0)
        if threading.current_thread() is threading.main_thread():
            for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
                signal.signal(sig, _on_signal)
        try:
            self.env = {
                "PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": "C.UTF-8",
                "HOME": str(self.tmp / "home"), "XDG_RUNTIME_DIR": str(self.tmp / "run"),
                "DBUS_SESSION_BUS_ADDRESS": f"unix:path={self.tmp / 'run' / 'bus'}",
                "TMPDIR": str(self.tmp / "tmp"), "TZ": "UTC",
            }
            self._start_x()
            self._start_dbus()
            if self.tray:
                self._start_tray()
            if self.sound:
                self._start_pulse()
        except BaseException:
            self.stop()
            raise
        return self

    def stop(self):
        if self not in _SESSIONS:
            return
        _SESSIONS.remove(self)
        self.stop_programs()
        for proc in reversed(self.procs):
            _terminate(proc)
        self.procs.clear()
        if self._watch:
            self._watch.write(b"done\n")
            self._watch.close()
            self._watch = None
            try:
                self._watchdog.wait(5)
            except subprocess.TimeoutExpired:
                self._watchdog.kill()
        if not _SESSIONS:
            _reap_orphans()
        if self.tmp and not KEEP:
            shutil.rmtree(self.tmp, ignore_errors=True)

    def stop_programs(self):
        for inst in self.instances:
            inst.stop()
        self.instances.clear()

    def spawn(self, cmd, env, log, **kw):
        """Start a process in its own group, known to the watchdog."""
        proc = _spawn(cmd, env, log, **kw)
        self._watch.write(b"%d\n" % proc.pid)
        return proc

    def _helper(self, name, cmd, env=None):
        proc = self.spawn(cmd, env or self.env, self.tmp / "logs" / f"{name}.log")
        self.procs.append(proc)
        return proc

    def _start_x(self):
        n = 90 + os.getpid() % 200
        for _ in range(40):
            n += 1
            if os.path.exists(f"/tmp/.X11-unix/X{n}") or os.path.exists(f"/tmp/.X{n}-lock"):
                continue
            proc = self._helper("xvfb", ["Xvfb", f":{n}", "-screen", "0", self.screen,
                                         "-nolisten", "tcp", "-dpi", "96", "-noreset"])
            self.env["DISPLAY"] = f":{n}"
            try:
                wait_until(lambda: proc.poll() is not None or self.run("xdpyinfo").returncode == 0,
                           10, "Xvfb")
            except TimeoutError:
                proc.poll()
            if proc.returncode is None and self.run("xdpyinfo").returncode == 0:
                self.display = f":{n}"
                return
            _terminate(proc)
            self.procs.remove(proc)
        raise RuntimeError("no free X display found")

    def _start_dbus(self):
        self._helper("dbus", ["dbus-daemon", "--session", "--nofork",
                              "--address=" + self.env["DBUS_SESSION_BUS_ADDRESS"]])
        wait_until(lambda: (self.tmp / "run" / "bus").exists(), 10, "D-Bus session bus")
        if self.accessibility:
            self._helper("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
            wait_until(lambda: "org.a11y.Bus" in self.run(
                ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                 "/org/freedesktop/DBus", "org.freedesktop.DBus.ListNames"]).stdout,
                10, "accessibility bus")

    def _start_tray(self):
        self.trayer = self._helper("trayer", ["trayer", "--edge", "bottom", "--align", "right",
                                              "--SetDockType", "true"])
        out = wait_until(lambda: self.run(["xdotool", "search", "--onlyvisible", "--classname",
                                           "^panel$"]).stdout.split(), 10, "trayer panel")
        self.tray_panel = int(out[0])
        time.sleep(0.2)  # let trayer claim the tray selection after mapping its panel

    def _start_pulse(self):
        self._helper("pulseaudio", [
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
            "--use-pid-file=no", "--load=module-null-sink sink_name=nul",
            "--load=module-native-protocol-unix auth-anonymous=1"])
        wait_until(lambda: self.run(["pactl", "set-default-sink", "nul"]).returncode == 0,
                   10, "PulseAudio")

    # -- commands
    def run(self, cmd, timeout=CMD_TIMEOUT, **kw):
        """Run a helper command inside the session's environment; never raises on exit status."""
        if isinstance(cmd, str):
            cmd = [cmd]
        try:
            return subprocess.run(cmd, env=self.env, capture_output=True, text=True,
                                  timeout=timeout, **kw)
        except subprocess.TimeoutExpired as e:
            raise TimeoutError(f"{cmd[0]} did not finish in {timeout} s") from e

    def xdotool(self, *args):
        r = self.run(["xdotool", *map(str, args)])
        if r.returncode != 0:
            raise RuntimeError(f"xdotool {' '.join(map(str, args))}: {r.stderr.strip()}")
        return r.stdout

    # -- windows
    def window_info(self, wid):
        """Window for an X window id, or None if it is gone."""
        p = self.run(["xprop", "-id", str(wid), "-notype", "_NET_WM_PID", "_NET_WM_NAME",
                      "_NET_WM_WINDOW_TYPE"]).stdout
        i = self.run(["xwininfo", "-id", str(wid)])
        if i.returncode != 0:
            return None
        pid = re.search(r"^_NET_WM_PID = (\d+)", p, re.M)
        title = re.search(r'^_NET_WM_NAME = "(.*)"$', p, re.M)
        types = tuple(re.findall(r"\b_NET_WM_WINDOW_TYPE_(\w+)", p))
        num = lambda key: int(re.search(key + r":\s+(-?\d+)", i.stdout).group(1))
        return Window(wid, int(pid.group(1)) if pid else 0,
                      re.sub(r'\\(.)', r'\1', title.group(1)) if title else "",
                      num("Absolute upper-left X"), num("Absolute upper-left Y"),
                      num("Width"), num("Height"), "IsViewable" in i.stdout,
                      "Override Redirect State: yes" in i.stdout, types)

    def windows(self, pid, title=None, mapped=True, override_redirect=False):
        """Windows owned by pid (by _NET_WM_PID). Pop-up menus and the tray icon are
        override-redirect and excluded unless override_redirect is None or True."""
        found = []
        for wid in self.run(["xdotool", "search", "--pid", str(pid)]).stdout.split():
            w = self.window_info(int(wid))
            if (w is None or w.pid != pid or (title is not None and w.title != title)
                    or (mapped is not None and w.mapped != mapped)
                    or (override_redirect is not None and w.override_redirect != override_redirect)):
                continue
            found.append(w)
        return found

    def window(self, pid, title, timeout=5.0, override_redirect=False):
        """Wait until a mapped window of pid with this title exists; return it.
        override_redirect=None also finds a window that bypasses window management."""
        return wait_until(lambda: (self.windows(pid, title, override_redirect=override_redirect)
                                   or [None])[0], timeout, f"window {title!r} of pid {pid}", 0.1)

    def wait_gone(self, pid, title, timeout=5.0):
        """Wait until no mapped window of pid has this title."""
        wait_until(lambda: not self.windows(pid, title), timeout, f"window {title!r} to close", 0.1)

    def _children(self, wid):
        out = self.run(["xwininfo", "-children", "-id", str(wid)]).stdout
        return [int(m, 16) for m in re.findall(r"^\s+(0x[0-9a-f]+) ", out, re.M)]

    def tray_icons(self):
        """All mapped icon windows embedded in the tray host, of any program."""
        if self.tray_panel is None:
            return []
        icons = [self.window_info(c) for sock in self._children(self.tray_panel)
                 for c in self._children(sock)]
        return [w for w in icons if w and w.mapped]

    def tray_icon(self, pid, timeout=2.0):
        """Wait until pid has an icon embedded in the tray host; return it."""
        return wait_until(lambda: next((w for w in self.tray_icons() if w.pid == pid), None),
                          timeout, f"tray icon of pid {pid}", 0.05)

    def popups(self, pid):
        """Mapped override-redirect windows of pid outside the tray, tool tips excepted:
        Qt's pop-up menus (they carry no POPUP_MENU type, only NORMAL)."""
        tray = {w.wid for w in self.tray_icons()}
        return [w for w in self.windows(pid, override_redirect=True)
                if w.wid not in tray and "TOOLTIP" not in w.types]

    def popup(self, pid, timeout=2.0):
        """Wait for a pop-up menu of pid; return it."""
        return wait_until(lambda: (self.popups(pid) or [None])[0], timeout,
                          f"pop-up menu of pid {pid}", 0.05)

    def tooltip(self, pid, timeout=3.0):
        """Wait for a tool tip window of pid (hover first); its text is in accessible_nodes."""
        return wait_until(lambda: next((w for w in self.windows(pid, override_redirect=True)
                                        if "TOOLTIP" in w.types), None),
                          timeout, f"tool tip of pid {pid}", 0.1)

    # -- input
    def click(self, x, y, button=1, double=False):
        """Move the pointer to (x, y) and click (twice with double=True)."""
        rep = ["--repeat", 2, "--delay", 80] if double else []
        self.xdotool("mousemove", x, y, "click", *rep, button)
        time.sleep(0.05)

    def click_twips(self, win, tx, ty, button=1, double=False):
        """Click at a point in twips from the client origin of win."""
        self.click(*win.at(tx, ty), button=button, double=double)

    def double_click_twips(self, win, tx, ty):
        self.click_twips(win, tx, ty, double=True)

    def mouse_down(self, x, y, button=1):
        self.xdotool("mousemove", x, y, "mousedown", button)

    def mouse_up(self, button=1):
        self.xdotool("mouseup", button)

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def type_text(self, text, delay_ms=40):
        """Type text into the focused widget (focus follows the pointer: click into it first)."""
        self.xdotool("type", "--delay", delay_ms, "--", text)

    def key(self, *keys, delay_ms=60):
        """Press keys by X keysym name, e.g. key('Up', 'Return')."""
        self.xdotool("key", "--delay", delay_ms, *keys)

    # -- screen
    def pixel(self, x, y):
        """(r, g, b) of one screen pixel."""
        out = self.run(["import", "-display", self.display, "-window", "root",
                        "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-"]).stdout
        m = re.search(r"#([0-9A-Fa-f]{6})", out)
        if not m:
            raise RuntimeError(f"cannot read pixel {x},{y}: {out!r}")
        return tuple(int(m.group(1)[i:i + 2], 16) for i in (0, 2, 4))

    def pixel_twips(self, win, tx, ty):
        return self.pixel(*win.at(tx, ty))

    def screenshot(self, path):
        """Save the whole screen as PNG."""
        self.run(["import", "-display", self.display, "-window", "root", str(path)], timeout=20)
        return Path(path)

    # -- sound
    def start_recording(self):
        """Start recording the null sink's monitor; returns a Recording (call .stop())."""
        return Recording(self)

    def record(self, seconds):
        """Record the sink for `seconds`; return the peak amplitude (0..1)."""
        rec = self.start_recording()
        time.sleep(seconds)
        return rec.stop()

    def play(self, path):
        """Play a wave file into the sink (paplay); returns when done."""
        return self.run(["paplay", str(path)], timeout=60).returncode

    # -- accessibility
    def accessible_nodes(self, pid, timeout=20):
        """Accessibility tree of pid, flattened: dicts with role, name, showing, depth, text.
        Needs Session(accessibility=True)."""
        r = self.run(["/usr/bin/python3", "-c", _ATSPI_DUMP, str(pid)], timeout=timeout)
        if r.returncode != 0:
            raise RuntimeError("accessibility dump failed: " + r.stderr[-2000:])
        return json.loads(r.stdout)

    def shown_texts(self, pid):
        """Names and texts of the showing accessible nodes of pid."""
        out = []
        for n in self.accessible_nodes(pid):
            if n["showing"]:
                out += [t for t in (n["name"], n.get("text")) if t]
        return out

    def describe(self, pids=()):
        """A text listing of the windows of pids and of the tray, for failure reports."""
        lines = [f"tray: {w}" for w in self.tray_icons()]
        for pid in pids:
            lines += [f"{pid}: {w}" for w in self.windows(pid, mapped=None, override_redirect=None)]
        return "\n".join(lines)


_ATSPI_DUMP = r"""
import json, sys, pyatspi
pid, out = int(sys.argv[1]), []
def walk(node, depth):
    if node is None:
        return
    item = {"role": node.getRoleName(), "name": node.name or "", "depth": depth,
            "showing": node.getState().contains(pyatspi.STATE_SHOWING)}
    try:
        item["text"] = node.queryText().getText(0, -1)
    except Exception:
        pass
    out.append(item)
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1)
desk = pyatspi.Registry.getDesktop(0)
for i in range(desk.childCount):
    app = desk.getChildAtIndex(i)
    if app is not None and app.get_process_id() == pid:
        walk(app, 0)
print(json.dumps(out))
"""


class Recording:
    """parec on the null sink's monitor, into a raw file."""

    def __init__(self, session):
        self.session = session
        self.path = session.tmp / "logs" / f"rec-{time.monotonic_ns()}.raw"
        self.proc = session.spawn(
            ["parec", "-d", "nul.monitor", "--format=s16le", "--rate=22050", "--channels=1",
             "--latency-msec=50", str(self.path)], session.env, session.tmp / "logs" / "parec.log")
        session.procs.append(self.proc)
        # recording has begun once the monitor shows a source output
        wait_until(lambda: self.proc.poll() is not None or session.run(
            ["pactl", "list", "short", "source-outputs"]).stdout.strip(), 5, "parec")
        time.sleep(0.3)

    def stop(self):
        """Stop recording; return the peak amplitude (0..1)."""
        self.stopped = time.monotonic()
        _terminate(self.proc)
        if self.proc in self.session.procs:
            self.session.procs.remove(self.proc)
        return peak_of_raw(self.path)


# ------------------------------------------------------------------ program

class Program:
    """The binary copied into a fresh folder, with an optional data file and wave file."""

    def __init__(self, session, data=None, wave=None, binary=None):
        binary = Path(binary or BINARY)
        if not binary.is_file():
            raise FileNotFoundError(f"program binary not found: {binary} (set REKUDA31_BINARY)")
        session._programs += 1
        self.session = session
        self.name = f"prog{session._programs}"
        self.folder = session.tmp / self.name
        self.folder.mkdir()
        self.exe = self.folder / "rekuda31"
        shutil.copy2(binary, self.exe)
        if data is not None:
            (self.folder / DATA).write_bytes(data)
        if wave is not None:
            if isinstance(wave, (bytes, bytearray)):
                (self.folder / WAVE).write_bytes(wave)
            else:
                shutil.copy2(wave, self.folder / WAVE)
        self.runs = 0

    def start(self, faketime=None, env=None):
        """Start one process from the folder; faketime is a datetime or 'YYYY-MM-DD hh:mm:ss'."""
        self.runs += 1
        return Instance(self, faketime, env or {}, self.session.tmp / "logs" /
                        f"{self.name}-{self.runs}.log")

    def files(self):
        """Sorted names in the folder other than the program itself."""
        return sorted(p.name for p in self.folder.iterdir() if p.name != "rekuda31")

    def read(self, name=DATA):
        """Bytes of a file in the folder, or None if it does not exist."""
        p = self.folder / name
        return p.read_bytes() if p.exists() else None


class Instance:
    """One running process of a Program."""

    def __init__(self, program, faketime, extra_env, log):
        s = program.session
        self.program, self.session, self.log = program, s, log
        env = dict(s.env, QT_QPA_PLATFORM="xcb", QT_ENABLE_HIGHDPI_SCALING="0",
                   QT_SCALE_FACTOR="1")
        if s.accessibility:
            env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.fake_start = None
        if faketime is not None:
            if isinstance(faketime, str):
                faketime = _dt.datetime.strptime(faketime, "%Y-%m-%d %H:%M:%S")
            self.fake_start = faketime
            env.update(FAKETIME="@" + faketime.strftime("%Y-%m-%d %H:%M:%S"),
                       FAKETIME_DONT_FAKE_MONOTONIC="1", LD_PRELOAD=FAKETIME_LIB)
        env.update(extra_env)
        self.started = time.monotonic()
        self.proc = s.spawn([str(program.exe)], env, log, cwd=str(program.folder))
        self.pid = self.proc.pid
        s.instances.append(self)

    def fake_now(self):
        """The program's (fake) wall clock now, as a naive datetime."""
        if self.fake_start is None:
            return _dt.datetime.now()
        return self.fake_start + _dt.timedelta(seconds=time.monotonic() - self.started)

    def sleep_until_fake(self, when):
        """Sleep until the program's fake clock reads `when` (datetime or 'hh:mm:ss' today)."""
        if isinstance(when, str):
            h, m, sec = map(int, when.split(":"))
            when = self.fake_now().replace(hour=h, minute=m, second=sec, microsecond=0)
        time.sleep(max(0.0, (when - self.fake_now()).total_seconds()))

    def alive(self):
        return self.proc.poll() is None

    def wait(self, timeout):
        """Wait for exit; return the exit status, or raise TimeoutError."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired as e:
            raise TimeoutError(f"pid {self.pid} still running after {timeout} s") from e

    @property
    def returncode(self):
        return self.proc.poll()

    def stop(self):
        _terminate(self.proc, grace=2.0)

    def kill(self):
        """SIGKILL the process (and its group) at once."""
        try:
            os.killpg(self.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.proc.wait(5)

    def output(self):
        """What the process wrote to stdout and stderr."""
        return self.log.read_text(errors="replace") if self.log.exists() else ""

    # conveniences bound to this pid
    def windows(self, title=None, **kw):
        return self.session.windows(self.pid, title, **kw)

    def window(self, title, timeout=5.0, override_redirect=False):
        return self.session.window(self.pid, title, timeout, override_redirect)

    def wait_gone(self, title, timeout=5.0):
        self.session.wait_gone(self.pid, title, timeout)

    def tray_icon(self, timeout=2.0):
        return self.session.tray_icon(self.pid, timeout)

    def open_tray_menu(self, timeout=2.0):
        """Left-click the tray icon and return the pop-up menu window."""
        icon = self.tray_icon(timeout)
        self.session.click(*icon.center)
        return self.session.popup(self.pid, timeout)


# ---------------------------------------------------------------- test case

class E2ECase(unittest.TestCase):
    """TestCase with one Session per class; on failure saves a screenshot, the window
    list and program output to ARTIFACTS/<test id>/."""
    tray = True
    sound = True
    accessibility = False

    @classmethod
    def setUpClass(cls):
        cls.session = Session(tray=cls.tray, sound=cls.sound, accessibility=cls.accessibility)
        cls.session.start()
        cls.addClassCleanup(cls.session.stop)

    def program(self, data=None, wave=None):
        return Program(self.session, data=data, wave=wave)

    @staticmethod
    def _problems(result):
        return len(getattr(result, "errors", ())) + len(getattr(result, "failures", ()))

    def run(self, result=None):
        self._result, self._before = result, self._problems(result)
        return super().run(result)

    def tearDown(self):
        if self._problems(self._result) > self._before:  # this test has failed so far
            self._save_artifacts()
        self.session.stop_programs()

    def _save_artifacts(self):
        try:
            mod = Path(getattr(sys.modules[type(self).__module__], "__file__", "e2e")).stem
            d = ARTIFACTS / (mod + "." + self.id().split(".", 1)[1])
            d.mkdir(parents=True, exist_ok=True)
            s = self.session
            s.screenshot(d / "screen.png")
            (d / "windows.txt").write_text(s.describe([i.pid for i in s.instances]))
            for inst in s.instances:
                (d / inst.log.name).write_text(inst.output())
            print(f"\n[e2e] artifacts in {d}", file=sys.stderr)
        except Exception as e:  # never hide the real failure
            print(f"\n[e2e] could not save artifacts: {e}", file=sys.stderr)
