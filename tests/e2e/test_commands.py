"""rekuda31 add from a shell on a real display, with a copy on a session bus and with none. Catches: a script's memo
off its minute; with no copy, a slow command, one needing a display or one the next start does not present; a second
start that does not end. What the commands say and write is tst_memo_commands' part."""
import datetime as dt, os, subprocess, time
import harness as h

NOW = "2026-12-25 10:00:00"
KEPT = (0, 12, 26, 12, 2026, "既存".encode("cp932"), 0, 0)


class Commands(h.Session):

    def command(self, folder, *args, env=None):
        started = time.monotonic()
        run = subprocess.run([folder / "rekuda31", *args], env=env or self.env, cwd=folder, capture_output=True,
                             text=True, timeout=10)
        run.seconds = time.monotonic() - started
        return run

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

    def test_no_copy_running_the_command_changes_the_file_alone(self):
        folder = self.program(h.data_file(KEPT))
        env = {k: v for k, v in self.env.items() if k != "DISPLAY"}  # a display connection would abort it
        run = self.command(folder, "add", "2099-01-15 09:30", "会議", env=env)
        self.assertEqual((run.returncode, run.seconds < 0.5), (0, True), run.stderr)
        copy = self.start(folder, "2099-01-15 09:29:58")
        self.window(copy, "Form3", timeout=5)
        self.assertLess(abs(time.monotonic() - copy.at(dt.datetime(2099, 1, 15, 9, 30))), 1.2, "alarm off its minute")
