"""The real rekuda31 on a private desktop: a Session starts Xvfb (no window manager), trayer
(unless tray=False), a D-Bus session bus and PulseAudio with the null sink "nul"; a Program
is the binary copied into a fresh folder.  Every process started here has a group of its own,
is stopped at the end and gets SIGTERM should this process die."""
import ctypes, datetime as dt, os, re, shutil, signal, subprocess, tempfile, time, unittest
from pathlib import Path
from types import SimpleNamespace

BINARY = Path(os.environ.get("REKUDA31_BINARY") or Path(__file__).parents[2] / "build" / "rekuda31")
FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1"  # MT: the sound thread
DATA, RATE = "rekuda31.dat", 22050


def wait_until(predicate, timeout, what, interval=0.05):
    """Poll predicate until it gives a truthy value and return that, or raise TimeoutError."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() >= deadline:
            raise TimeoutError(f"no {what} within {timeout} s")
        time.sleep(interval)
    return value


def stop(proc, grace=3.0):
    """SIGTERM the process group of proc, SIGKILL if it is still there after grace s."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        if proc.poll() is None:  # once reaped, its pid may be someone else's
            os.killpg(proc.pid, sig)
            try:
                proc.wait(grace)
            except subprocess.TimeoutExpired:
                pass


def data_file(*memos):
    """The count line, then per memo (minute, hour, day, month, year, text, sound, weekdays),
    text a str (written in code page 932) or bytes."""
    line = lambda *m: b'%d,%d,%d,%d,%d,"%b",%d,%d\r\n' % (*m[:5], m[5] if isinstance(m[5], bytes)
                                                          else m[5].encode("cp932"), *m[6:])
    return b"%d\r\n" % len(memos) + b"".join(line(*m) for m in memos)


class Session:
    def __init__(self, tray=True):
        self.tmp = Path(tempfile.mkdtemp(prefix="rekuda31-e2e-"))
        self.procs, self.instances, self.panel = [], [], None
        for d in ("run", "home", "logs", "tmp"):
            (self.tmp / d).mkdir(mode=0o700)
        self.env = {"PATH": os.environ["PATH"], "LANG": "C.UTF-8", "TZ": "UTC", "HOME": f"{self.tmp}/home",
                    "XDG_RUNTIME_DIR": f"{self.tmp}/run", "TMPDIR": f"{self.tmp}/tmp",
                    "DBUS_SESSION_BUS_ADDRESS": f"unix:path={self.tmp}/run/bus"}
        # Xvfb writes the free display it took, maybe more than once: keep the read end open.
        self.displayfd, w = os.pipe()
        try:
            self.spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                        "-dpi", "96", "-noreset"], pass_fds=(w,))  # 15 twips a pixel
            os.close(w)
            self.env["DISPLAY"] = ":" + os.read(self.displayfd, 16).decode().split()[0]
            self.spawn(["dbus-daemon", "--session", "--nofork", "--address=" + self.env["DBUS_SESSION_BUS_ADDRESS"]])
            if tray:
                self.spawn(["trayer", "--edge", "bottom", "--align", "right", "--SetDockType", "true"])
                self.panel = int(wait_until(lambda: self.run(["xdotool", "search", "--onlyvisible", "--classname",
                                                              "^panel$"]).stdout.split(), 10, "trayer")[0])
                time.sleep(0.2)  # trayer claims the tray selection after mapping its panel
            self.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                        "--use-pid-file=no", "--load=module-null-sink sink_name=nul",
                        "--load=module-native-protocol-unix auth-anonymous=1"])
            wait_until(lambda: self.run(["pactl", "set-default-sink", "nul"]).returncode == 0, 10, "PulseAudio")
        except BaseException:
            self.stop()
            raise

    def spawn(self, cmd, env=None, helper=True, **kw):
        own_group = lambda: (os.setsid(), ctypes.CDLL(None).prctl(1, signal.SIGTERM))  # PR_SET_PDEATHSIG
        log = self.tmp / "logs" / f"{Path(cmd[0]).name}-{time.monotonic_ns()}.log"
        with open(log, "ab") as out:
            proc = subprocess.Popen(cmd, env=env or self.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, preexec_fn=own_group, **kw)
        proc.log = log
        if helper:
            self.procs.append(proc)
        return proc

    def stop(self):
        self.stop_programs()
        for proc in reversed(self.procs):
            stop(proc)
        os.close(self.displayfd)
        if os.environ.get("REKUDA31_E2E_KEEP") != "1":
            shutil.rmtree(self.tmp, ignore_errors=True)

    def stop_programs(self):
        for inst in self.instances:
            stop(inst.proc, grace=2.0)
        self.instances.clear()

    def run(self, cmd, timeout=10):
        """Run a command in the session's environment; its exit status is not checked."""
        return subprocess.run(cmd, env=self.env, capture_output=True, text=True, timeout=timeout)

    def xdotool(self, *args):
        if (r := self.run(["xdotool", *map(str, args)])).returncode:
            raise RuntimeError(f"xdotool {args}: {r.stderr}")

    def window(self, wid):
        """A window's pid, title, geometry and state; None once it is gone.  With no window
        manager, x and y are the client origin and at() turns twips into screen pixels."""
        geo = self.run(["xwininfo", "-id", str(wid)]).stdout
        if "IsViewable" not in geo:
            return None
        prop = self.run(["xprop", "-id", str(wid), "-notype", "_NET_WM_PID", "_NET_WM_NAME",
                         "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE"]).stdout
        num = lambda key: int(re.search(key + r":\s+(-?\d+)", geo)[1])
        w = SimpleNamespace(wid=int(wid, 0), pid=int((re.search(r"_NET_WM_PID = (\d+)", prop) or [0, 0])[1]),
                            title=(re.search(r'_NET_WM_NAME = "(.*)"', prop) or [0, ""])[1],
                            x=num("Absolute upper-left X"), y=num("Absolute upper-left Y"), width=num("Width"),
                            height=num("Height"), popup="Override Redirect State: yes" in geo,
                            tooltip="TOOLTIP" in prop, above="_NET_WM_STATE_ABOVE" in prop)
        w.center = (w.x + w.width // 2, w.y + w.height // 2)
        w.at = lambda tx, ty: (w.x + round(tx / 15), w.y + round(ty / 15))
        return w

    def windows(self, pid):
        """Mapped windows whose _NET_WM_PID is pid (xdotool also lists windows without one)."""
        wids = self.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)]).stdout.split()
        return [w for w in map(self.window, wids) if w and w.pid == pid]

    def tray_icons(self):
        """Icon windows embedded in the tray host, of any program."""
        children = lambda wid: re.findall(r"^\s+(0x[0-9a-f]+) ", self.run(["xwininfo", "-children", "-id",
                                                                          str(wid)]).stdout, re.M)
        icons = [self.window(c) for s in (children(self.panel) if self.panel else []) for c in children(s)]
        return [w for w in icons if w]

    def click(self, x, y, double=False):
        self.xdotool("mousemove", x, y, "click", *(["--repeat", 2, "--delay", 80] if double else []), 1)
        time.sleep(0.05)

    def key(self, *keys):
        self.xdotool("key", "--delay", 60, *keys)

    def type_text(self, text):
        """Type into the widget under the pointer (focus follows it).  xdotool lends a spare
        key code to each character off the keyboard map: one at a time, given time to be read."""
        for chunk in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]", text):
            self.xdotool("type", "--delay", 40, "--", chunk)
            time.sleep(0 if chunk.isascii() else 0.3)

    def pixel(self, x, y):
        out = self.run(["import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-"]).stdout
        return tuple(bytes.fromhex(re.search(r"#([0-9A-Fa-f]{6})", out)[1]))

    def sink_inputs(self):
        return self.run(["pactl", "list", "short", "sink-inputs"]).stdout.strip()

    def record(self):
        """Start recording what reaches the null sink; tone() stops it."""
        rec = self.spawn(["parec", "-d", "nul.monitor", "--format=s16le", f"--rate={RATE}", "--channels=1",
                          "--latency-msec=50", str(self.tmp / "logs" / "rec.raw")])
        wait_until(lambda: self.run(["pactl", "list", "short", "source-outputs"]).stdout.strip(), 5, "parec")
        time.sleep(0.3)
        return rec

    def tone(self, rec, freq, level=0.05, window=0.01):
        """Stop a recording; return (seconds of it loud at freq, monotonic time that tone began
        or None).  Band-passed at freq: the bell that follows every sound has almost nothing there."""
        stop(rec)
        stopped = time.monotonic()
        self.procs.remove(rec)
        raw = subprocess.run(["sox", "-t", "raw", "-r", str(RATE), "-e", "signed", "-b", "16", "-c", "1",
                              self.tmp / "logs" / "rec.raw", "-t", "raw", "-", "sinc", f"{freq - 30}-{freq + 30}"],
                             capture_output=True, timeout=10, check=True).stdout
        samples, n = memoryview(raw[: len(raw) // 2 * 2]).cast("h"), int(RATE * window)
        loud = [sum(v * v for v in samples[i:i + n]) / n > (level * 32768) ** 2
                for i in range(0, len(samples) - n + 1, n)]
        began = stopped - (len(samples) / RATE - loud.index(True) * window) if any(loud) else None
        return sum(loud) * window, began


class Program:
    """The binary copied into a fresh folder, with an optional data file and wave file."""

    def __init__(self, session, data=None, wave=None):
        self.session, self.folder = session, Path(tempfile.mkdtemp(dir=session.tmp, prefix="prog"))
        shutil.copy2(BINARY, self.folder / "rekuda31")
        if data is not None:
            (self.folder / DATA).write_bytes(data)
        if wave is not None:
            shutil.copy2(wave, self.folder / "rekuda31.wav")

    def start(self, faketime, env=()):
        """Start a copy whose wall clock starts at faketime ("YYYY-MM-DD hh:mm:ss") and runs on."""
        return Instance(self, faketime, dict(env))

    def files(self):
        return sorted({p.name for p in self.folder.iterdir()} - {"rekuda31", "rekuda31.wav"})

    def read(self):
        return (self.folder / DATA).read_bytes() if (self.folder / DATA).exists() else None


class Instance:
    def __init__(self, program, faketime, env):
        self.program, self.session = program, program.session
        self.fake_start = dt.datetime.strptime(faketime, "%Y-%m-%d %H:%M:%S")
        env = dict(self.session.env, QT_QPA_PLATFORM="xcb", QT_SCALE_FACTOR="1", FAKETIME="@" + faketime,
                   FAKETIME_DONT_FAKE_MONOTONIC="1", LD_PRELOAD=FAKETIME, **env)
        self.started = time.monotonic()
        self.proc = self.session.spawn([str(program.folder / "rekuda31")], env, helper=False, cwd=program.folder)
        self.pid = self.proc.pid
        self.session.instances.append(self)

    def monotonic_at(self, fake):
        """Our monotonic time when the program's clock reads fake (a datetime)."""
        return self.started + (fake - self.fake_start).total_seconds()

    def sleep_until(self, fake):
        time.sleep(max(0.0, self.monotonic_at(fake) - time.monotonic()))

    def alive(self):
        return self.proc.poll() is None

    def output(self):
        return self.proc.log.read_text(errors="replace")

    def windows(self, title):
        return [w for w in self.session.windows(self.pid) if w.title == title and not w.popup]

    def window(self, title, timeout=5.0):
        return wait_until(lambda: (self.windows(title) or [None])[0], timeout, f"window {title!r}", 0.1)

    def wait_gone(self, title, timeout=5.0):
        wait_until(lambda: not self.windows(title), timeout, f"end of window {title!r}", 0.1)

    def tray_icon(self, timeout=3.0):
        return wait_until(lambda: [w for w in self.session.tray_icons() if w.pid == self.pid], timeout,
                          "tray icon")[0]

    def menus(self):
        """Qt's pop-up menus: override-redirect, outside the tray, not a tool tip."""
        icons = {w.wid for w in self.session.tray_icons()}
        return [w for w in self.session.windows(self.pid) if w.popup and not w.tooltip and w.wid not in icons]

    def open_menu(self, x, y):
        """Left-click at (x, y); return the pop-up menu that opens."""
        self.session.click(x, y)
        return wait_until(lambda: (self.menus() or [None])[0], 3.0, "pop-up menu")


class E2ECase(unittest.TestCase):
    """One Session per test class; a failing test prints the output of its programs
    (rerun with REKUDA31_E2E_KEEP=1 to keep the logs and program folders)."""
    tray = True

    @classmethod
    def setUpClass(cls):
        cls.session = Session(tray=cls.tray)
        cls.addClassCleanup(cls.session.stop)

    def program(self, data=None, wave=None):
        return Program(self.session, data, wave)

    def tearDown(self):
        result = self._outcome.result  # has this test's failures by now
        if any(test is self for test, _ in result.failures + result.errors):
            for inst in self.session.instances:
                titles = [w.title for w in self.session.windows(inst.pid)]
                print(f"\n[e2e] pid {inst.pid}, windows {titles}:\n{inst.output()}")
        self.session.stop_programs()
