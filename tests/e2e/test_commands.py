"""rekuda31 add / list / remove from a shell, with a copy running on a session bus and with none. Catches: a memo from a
script whose alarm misses its minute, or that the file holds otherwise than the setting window writes it; a past time
not refused with status 1 and the warning's text, a malformed one not with status 2, or either with the file touched;
a command with no copy running that is slow, needs a display or leaves a memo the next start does not present; a
second start that does not end."""
import datetime as dt, json, os, subprocess, time
import harness as h

NOW = "2026-12-25 10:00:00"
KEPT = (0, 12, 26, 12, 2026, "既存".encode("cp932"), 0, 0)
PAST = "過去の時間を設定しました。再設定してください。"


class Commands(h.Session):

    def command(self, folder, *args, status=None, env=None):
        started = time.monotonic()
        run = subprocess.run([folder / "rekuda31", *args], env=env or self.env, cwd=folder, capture_output=True,
                             text=True, timeout=10)
        run.seconds = time.monotonic() - started
        if status is not None:
            self.assertEqual(run.returncode, status, run.stderr)
        return run

    def test_running_copy_applies_commands_as_the_windows_do(self):
        self.spawn(["dbus-daemon", "--session", "--nofork", "--address", self.env["DBUS_SESSION_BUS_ADDRESS"]])
        h.wait_until(lambda: os.path.exists(self.tmp / "bus"), 5, "session bus")
        folder = self.program(h.data_file(KEPT))
        copy = self.start(folder, NOW)
        h.wait_until(lambda: copy.pid in self.tray(), 5, "tray icon")
        h.wait_until(lambda: self.command(folder, "list").returncode == 0, 5, "the copy on the bus")
        run = self.command(folder, "add", "daily", "09:30", "薬", status=0)
        self.assertEqual((run.stderr, "毎日　9時30分　薬" in run.stdout), ("", True), run.stdout)
        self.command(folder, "add", "weekly mon,fri 08:15", "朝会", status=0)
        self.command(folder, "add", "+1m", "お茶", status=0)
        memos = [(15, 8, 0, 0, 0, "朝会".encode("cp932"), 0, 34), (30, 9, 0, 0, 0, "薬".encode("cp932"), 0, 0),
                 (1, 10, 25, 12, 2026, "お茶".encode("cp932"), 0, 0), KEPT]
        self.assertEqual(self.files(folder), {h.DATA: h.data_file(*memos)})
        self.assertIsNotNone(self.window(copy, "Form3", timeout=65))
        self.assertLess(abs(time.monotonic() - copy.at(dt.datetime(2026, 12, 25, 10, 1))), 1.2, "alarm off its minute")
        for when, status, says in (("2026-12-25 10:01", 1, PAST), ("2027-02-29 07:00", 2, "2027-02-29")):
            run = self.command(folder, "add", when, "x")
            self.assertEqual((run.returncode, says in run.stderr, self.files(folder)), (status, True,
                             {h.DATA: h.data_file(*memos)}), run.stderr)
        self.assertEqual(self.start(folder, NOW).wait(2), 0)
        self.assertIsNone(copy.poll())

    def test_no_copy_running_the_command_changes_the_file_alone(self):
        folder = self.program(h.data_file(KEPT))
        env = {k: v for k, v in self.env.items() if k != "DISPLAY"}  # a display connection would abort it
        self.command(folder, "add", "2027-01-15 09:30", "会議", status=0, env=env)
        self.command(folder, "remove", "--id", json.loads(self.command(folder, "list", "--json").stdout)[0]["id"], status=0)
        timed = self.command(folder, "add", "--sound", "2027-01-15 09:31", "--", "-後", status=0)
        self.assertLess(timed.seconds, 0.5, "the command took too long")
        meeting = (30, 9, 15, 1, 2027, "会議".encode("cp932"), 0, 0)
        self.assertEqual(self.files(folder), {h.DATA: h.data_file(meeting, (31, 9, 15, 1, 2027, b"-" + "後".encode("cp932"), 1, 0))})
        copy = self.start(folder, "2027-01-15 09:29:58")
        self.window(copy, "Form3", timeout=5)
        self.assertLess(abs(time.monotonic() - copy.at(dt.datetime(2027, 1, 15, 9, 30))), 1.2, "alarm off its minute")
