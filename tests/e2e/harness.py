"""The real rekuda31 where offscreen tests cannot go, on a private desktop per test (Xvfb, trayer, libfaketime, a
PulseAudio null sink "nul"); what it starts gets its own group and SIGTERM should this one die."""
import contextlib, ctypes, datetime as dt, os, re, shutil, signal, subprocess, tempfile, time, unittest
from pathlib import Path
from types import SimpleNamespace

BINARY, DATA = os.environ.get("REKUDA31_BINARY") or Path(__file__).parents[2] / "build/rekuda31", "rekuda31.dat"
FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1"  # MT: the sound runs in threads


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
    """The count line, then per memo (minute, hour, day, month, year, text in code page 932, sound, weekdays)."""
    return b"%d\r\n" % len(memos) + b"".join(b'%d,%d,%d,%d,%d,"%b",%d,%d\r\n' % memo for memo in memos)


class Session(unittest.TestCase):

    def setUp(self):  # cleanups run last first: processes stopped, the program's output, the folder removed
        self.tmp = Path(self.enterContext(tempfile.TemporaryDirectory(prefix="rekuda31-e2e-",
                                                                       ignore_cleanup_errors=True)))
        self.addCleanup(lambda: print("".join(log.read_text(errors="replace")
                                              for log in sorted(self.tmp.glob("rekuda31-*.log"))), end=""))
        self.env = {"PATH": os.environ["PATH"], "LANG": "C.UTF-8", "TZ": "UTC", "HOME": str(self.tmp),
                    "XDG_RUNTIME_DIR": str(self.tmp), "QT_QPA_PLATFORM": "xcb",
                    "DBUS_SESSION_BUS_ADDRESS": f"unix:path={self.tmp}/bus"}  # none: Qt uses XEmbed
        displayfd, w = os.pipe()  # Xvfb writes the free display it took
        self.addCleanup(os.close, displayfd)  # Xvfb may write again
        self.spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset",
                    "-dpi", "96"], pass_fds=(w,))  # 15 twips a pixel
        os.close(w)
        self.env["DISPLAY"] = ":" + os.read(displayfd, 16).decode().split()[0]
        self.spawn(["trayer", "--edge", "bottom", "--align", "right", "--SetDockType", "true"])
        self.panel = wait_until(lambda: self.sh("xdotool", "search", "--onlyvisible", "--classname", "^panel$"),
                                10, "trayer").split()[0]
        self.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                    "--use-pid-file=no", "--load=module-null-sink sink_name=nul",
                    "--load=module-native-protocol-unix auth-anonymous=1"])
        wait_until(lambda: "Default Sink: nul\n" in self.sh("pactl", "info"), 10, "PulseAudio")

    def spawn(self, cmd, env=None, **kw):
        own_group = lambda: (os.setsid(), ctypes.CDLL(None).prctl(1, signal.SIGTERM))  # PR_SET_PDEATHSIG
        with open(self.tmp / f"{Path(cmd[0]).name}-{time.monotonic_ns()}.log", "wb") as out:
            proc = subprocess.Popen(cmd, env=env or self.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, preexec_fn=own_group, **kw)
        proc.log = Path(out.name)
        self.addCleanup(stop, proc)
        return proc

    def sh(self, *cmd):
        return subprocess.run(cmd, env=self.env, capture_output=True, text=True, timeout=10).stdout

    def program(self, data=None, wave=None, binary=BINARY):
        """A fresh folder holding the binary (as rekuda31), and the data file and wave file if given."""
        folder = Path(tempfile.mkdtemp(dir=self.tmp))
        shutil.copy2(binary, folder / "rekuda31")
        if data:
            (folder / DATA).write_bytes(data)
        if wave:
            shutil.copy2(wave, folder / "rekuda31.wav")
        return folder

    def start(self, folder, faketime=None, **env):
        """Start the copy in folder, its wall clock from faketime on if given; started: when its exec succeeded."""
        faked = dict(FAKETIME="@" + faketime, FAKETIME_DONT_FAKE_MONOTONIC="1", LD_PRELOAD=FAKETIME) if faketime else {}
        proc = self.spawn([folder / "rekuda31"], self.env | faked | env, cwd=folder)
        proc.started = time.monotonic()
        proc.at = lambda fake: proc.started + (fake - dt.datetime.fromisoformat(faketime)).total_seconds()
        return proc

    def files(self, folder):
        """The folder's files but the program, its wave and the running copy's lock (empty, private, checked here)."""
        lock = folder / ".rekuda31.lock"
        assert not lock.exists() or (lock.stat().st_mode & 0o777, lock.stat().st_size) == (0o600, 0), "lock file"
        skipped = ("rekuda31", "rekuda31.wav", lock.name)
        return {p.name: p.read_bytes() for p in folder.iterdir() if p.name not in skipped}

    def windows(self, proc, name, popup=False):
        """Mapped top-level windows (pop-up menus) of proc titled name: above, and at() from twips to screen pixels."""
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
        pid = lambda wid: int(self.sh("xprop", "-id", wid, "_NET_WM_PID").split()[-1])
        return {pid(wid): (int(x) + int(w) // 2, int(y) + int(h) // 2) for wid, w, h, x, y in re.findall(
            r'(0x\w+) ".*\s(\d+)x(\d+)\S+\s+\+(\d+)\+(\d+)$', self.sh("xwininfo", "-tree", "-id", self.panel), re.M)}

    def click(self, x, y, repeat=1):
        self.sh("xdotool", "mousemove", str(x), str(y), "click", "--repeat", str(repeat), "--delay", "80", "1")

    def menu(self, proc, *keys):
        """Left-click proc's icon, wait for its menu, press keys (Down: the first entry, Up: the last)."""
        self.click(*self.tray()[proc.pid])
        self.window(proc, "rekuda31", popup=True, timeout=3)
        self.sh("xdotool", "key", "--delay", "60", *keys)
