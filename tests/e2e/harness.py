"""The real rekuda31 on a private desktop: Xvfb (no window manager), trayer and PulseAudio with
the null sink "nul".  Every process started here has a group of its own and gets SIGTERM should
this process die; the programs' output is printed at the end (they say nothing when all is well)."""
import contextlib, ctypes, datetime as dt, os, re, shutil, signal, subprocess, tempfile, time, unittest
from pathlib import Path
from types import SimpleNamespace

BINARY = os.environ.get("REKUDA31_BINARY") or Path(__file__).parents[2] / "build" / "rekuda31"
FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1"  # MT: Qt Multimedia's threads
DATA, RATE = "rekuda31.dat", 22050


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise TimeoutError(f"no {what} within {timeout} s")
        time.sleep(0.05)
    return value


def stop(proc):
    for sig in (signal.SIGTERM, signal.SIGKILL):
        if proc.poll() is None:  # once reaped, its pid may be someone else's
            os.killpg(proc.pid, sig)
            with contextlib.suppress(subprocess.TimeoutExpired):
                proc.wait(3)


def data_file(*memos):
    """The count line, then per memo (minute, hour, day, month, year, text, sound, weekdays),
    text a str (written in code page 932) or bytes."""
    text = lambda t: t if isinstance(t, bytes) else t.encode("cp932")
    return b"%d\r\n" % len(memos) + b"".join(b'%d,%d,%d,%d,%d,"%b",%d,%d\r\n' % (*m[:5], text(m[5]), *m[6:])
                                             for m in memos)


class Session(unittest.TestCase):
    """A test case with a desktop of its own for each test."""

    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="rekuda31-e2e-"))
        self.procs, self.programs = [], []
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.addCleanup(lambda: print("".join(p.output() for p in self.programs), end=""))
        self.addCleanup(lambda: [stop(p) for p in self.programs + self.procs[::-1]])
        (self.tmp / "run").mkdir(mode=0o700)
        self.env = {"PATH": os.environ["PATH"], "LANG": "C.UTF-8", "TZ": "UTC", "HOME": str(self.tmp),
                    "XDG_RUNTIME_DIR": f"{self.tmp}/run",
                    "DBUS_SESSION_BUS_ADDRESS": f"unix:path={self.tmp}/run/bus"}  # none: Qt uses XEmbed
        displayfd, w = os.pipe()  # Xvfb writes the free display it took
        self.spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset",
                    "-dpi", "96"], pass_fds=(w,))  # 15 twips a pixel
        os.close(w)
        self.env["DISPLAY"] = ":" + os.read(displayfd, 16).decode().split()[0]
        self.addCleanup(os.close, displayfd)  # Xvfb may write again
        self.spawn(["trayer", "--edge", "bottom", "--align", "right", "--SetDockType", "true"])
        self.panel = wait_until(lambda: self.sh("xdotool", "search", "--onlyvisible", "--classname", "^panel$"),
                                10, "trayer").split()[0]
        self.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                    "--use-pid-file=no", "--load=module-null-sink sink_name=nul",
                    "--load=module-native-protocol-unix auth-anonymous=1"])
        wait_until(lambda: subprocess.run(["pactl", "set-default-sink", "nul"], env=self.env,
                                          stderr=subprocess.DEVNULL).returncode == 0, 10, "PulseAudio")

    def spawn(self, cmd, env=None, **kw):
        own_group = lambda: (os.setsid(), ctypes.CDLL(None).prctl(1, signal.SIGTERM))  # PR_SET_PDEATHSIG
        log = self.tmp / f"{Path(cmd[0]).name}-{time.monotonic_ns()}.log"
        with open(log, "wb") as out:
            proc = subprocess.Popen(cmd, env=env or self.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, preexec_fn=own_group, **kw)
        (self.programs if env else self.procs).append(proc)
        proc.output = lambda: log.read_text(errors="replace")
        return proc

    def sh(self, *cmd):
        return subprocess.run(cmd, env=self.env, capture_output=True, text=True, timeout=10).stdout

    def program(self, data=None, wave=None):
        """A fresh folder holding the binary, and the data file and wave file if given."""
        folder = Path(tempfile.mkdtemp(dir=self.tmp))
        shutil.copy2(BINARY, folder / "rekuda31")
        if data:
            (folder / DATA).write_bytes(data)
        if wave:
            shutil.copy2(wave, folder / "rekuda31.wav")
        return folder

    def start(self, folder, faketime, **env):
        """Start the copy in folder, its wall clock starting at faketime and running on."""
        proc = self.spawn([folder / "rekuda31"], dict(self.env, QT_QPA_PLATFORM="xcb", FAKETIME="@" + faketime,
                          FAKETIME_DONT_FAKE_MONOTONIC="1", LD_PRELOAD=FAKETIME, **env), cwd=folder)
        proc.started = time.monotonic()
        proc.at = lambda fake: proc.started + (fake - dt.datetime.fromisoformat(faketime)).total_seconds()
        return proc

    def files(self, folder):
        return {p.name: p.read_bytes() for p in folder.iterdir() if p.name not in ("rekuda31", "rekuda31.wav")}

    def windows(self, proc, name, popup=False):
        """Mapped top-level windows of proc titled name (its pop-up menus if popup): above tells
        _NET_WM_STATE_ABOVE, at() turns twips from the client origin into screen pixels."""
        found = []
        for wid in self.sh("xdotool", "search", "--maxdepth", "1", "--onlyvisible", "--pid", str(proc.pid)).split():
            info = self.sh("xwininfo", "-stats", "-wm", "-id", wid)
            if f' "{name}"\n' in info and "IsViewable" in info and ("Redirect State: yes" in info) == popup:
                x, y = (int(re.search(rf"Absolute upper-left {k}:\s+(-?\d+)", info)[1]) for k in "XY")
                at = lambda tx, ty, x=x, y=y: (x + round(tx / 15), y + round(ty / 15))
                found.append(SimpleNamespace(above="Above" in info, at=at))
        return found

    def window(self, proc, name, popup=False, timeout=5):
        return wait_until(lambda: self.windows(proc, name, popup), timeout, f"window {name!r}")[0]

    def tray(self):
        """{pid: centre} of the icons embedded in trayer."""
        icons = re.findall(r'(0x\w+) ".*\s(\d+)x(\d+)\S+\s+\+(\d+)\+(\d+)$', self.sh("xwininfo", "-tree", "-id",
                                                                                     self.panel), re.M)
        return {int(self.sh("xprop", "-id", wid, "_NET_WM_PID").split()[-1]): (int(x) + int(w) // 2, int(y) +
                int(h) // 2) for wid, w, h, x, y in icons}

    def click(self, x, y, repeat=1):
        self.sh("xdotool", "mousemove", str(x), str(y), "click", "--repeat", str(repeat), "--delay", "80", "1")

    def menu(self, proc, *keys):
        """Left-click proc's icon, wait for its menu, then press keys.  Nothing is active in a menu
        opened by the mouse: Down selects the first entry, Up the last."""
        self.click(*self.tray()[proc.pid])
        self.window(proc, "rekuda31", popup=True, timeout=3)
        self.sh("xdotool", "key", "--delay", "60", *keys)

    def type(self, text):
        """Type into the widget under the pointer.  xdotool lends a spare key code to each character
        off the keyboard map: one at a time, given time to be read."""
        for chunk in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]", text):
            self.sh("xdotool", "type", "--delay", "40", "--", chunk)
            time.sleep(0 if chunk.isascii() else 0.3)

    def pixel(self, x, y):
        out = self.sh("import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-")
        return tuple(bytes.fromhex(re.search(r"#([0-9A-F]{6})", out)[1]))

    def tone(self, rec, freq, level=0.05, step=0.01):
        """Stop rec, a parec writing rec.raw; return (seconds of it loud at freq, monotonic time that
        began or None).  Band-passed at freq: the bell that follows every sound has almost nothing there."""
        stop(rec)
        stopped = time.monotonic()
        raw = subprocess.run(["sox", "-t", "raw", "-r", str(RATE), "-e", "signed", "-b", "16", "-c", "1",
                              self.tmp / "rec.raw", "-t", "raw", "-", "sinc", f"{freq - 30}-{freq + 30}"],
                             capture_output=True, timeout=10, check=True).stdout
        samples, n = memoryview(raw[: len(raw) // 2 * 2]).cast("h"), int(RATE * step)
        loud = [sum(v * v for v in samples[i:i + n]) / n > (level * 32768) ** 2
                for i in range(0, len(samples) - n, n)]
        return sum(loud) * step, stopped - len(samples) / RATE + loud.index(True) * step if any(loud) else None
