"""rekuda31 add from a shell to a copy running on a session bus, on a real display. Catches: a script's memo off its
minute; a second start that does not end. What the commands say and write, with a copy running and with none, and
that they need no display, is tst_memo_commands' part."""
import datetime as dt, os, subprocess, time
import harness as h

NOW = "2026-12-25 10:00:00"
KEPT = (0, 12, 26, 12, 2026, "既存".encode("cp932"), 0, 0)


class Commands(h.Session):

    def command(self, folder, *args):
        return subprocess.run([folder / "rekuda31", *args], env=self.env, cwd=folder, capture_output=True, text=True,
                              timeout=10)

    def test_running_copy_presents_a_memo_from_a_script_on_its_minute(self):
        self.spawn(["dbus-daemon", "--session", "--nofork", "--address", self.env["DBUS_SESSION_BUS_ADDRESS"]])
        h.wait_until(lambda: os.path.exists(self.tmp / "bus"), 5, "session bus")
        folder = self.program(h.data_file(KEPT))
        copy = self.start(folder, NOW)
        h.wait_until(lambda: copy.pid in self.tray(), 5, "tray icon")
        h.wait_until(lambda: self.command(folder, "add", "+1m", "お茶").returncode == 0, 5, "the copy on the bus")
        self.assertEqual(self.files(folder), {h.DATA: h.data_file((1, 10, 25, 12, 2026, "お茶".encode("cp932"), 0, 0), KEPT)})
        self.assertIsNotNone(self.window(copy, "Form3", timeout=65))
        self.assertLess(abs(time.monotonic() - copy.at(dt.datetime(2026, 12, 25, 10, 1))), 1.2, "alarm off its minute")
        self.assertEqual(self.start(folder, NOW).wait(2), 0)
        self.assertIsNone(copy.poll())
