#!/usr/bin/python3
"""Memos falling due: the alarm window and its dismissal (the sound: test_sound.py)."""
import datetime as dt
import re
import subprocess
import sys
import threading
import time
import unittest

import harness as h

DAY = "2026-12-25"            # a Friday
DUE = dt.datetime(2026, 12, 25, 14, 30, 0)
LIGHT_YELLOW = (255, 255, 128)
LIGHT_RED = (255, 128, 128)
SIZE = (298, 201)             # 4470 x 3015 twips

MEETING = (30, 14, 25, 12, 2026, "会議", 0, 0)
# Characters only code page 932 has, to see the rewritten file byte for byte.
SHOPPING = (0, 9, 26, 12, 2026, "買物～牛乳①", 0, 0)


class MapWatcher:
    """Notes the moment each top-level window is mapped, from the X server's
    own events, so that an appearance is timed to a few milliseconds."""

    def __init__(self, session):
        self.session = session
        self.maps = []
        self.cond = threading.Condition()
        self.proc = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                                     env=session.env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()
        time.sleep(0.3)  # xev has selected its events by then

    def _read(self):
        mapping = False
        for line in self.proc.stdout:
            if line.startswith("MapNotify"):
                mapping = True
                continue
            m = re.search(r"\bwindow (0x[0-9a-f]+), override", line) if mapping else None
            mapping = False
            if m:
                with self.cond:
                    self.maps.append((time.monotonic(), int(m.group(1), 16)))
                    self.cond.notify_all()

    def first(self, inst, title, timeout):
        """(monotonic time, Window) of the first mapping of a window of inst with this title."""
        deadline = time.monotonic() + timeout
        seen = 0
        while True:
            with self.cond:
                while seen >= len(self.maps):
                    left = deadline - time.monotonic()
                    if left <= 0:
                        raise TimeoutError(f"no window {title!r} mapped within {timeout} s")
                    self.cond.wait(left)
                when, wid = self.maps[seen]
            seen += 1
            w = self.session.window_info(wid)
            if w and w.pid == inst.pid and w.title == title:
                return when, w

    def stop(self):
        self.proc.kill()
        self.proc.wait(5)
        self.thread.join(5)
        self.proc.stdout.close()


def fake_at(inst, monotonic):
    """The program's fake wall clock at a monotonic moment of this process."""
    return inst.fake_start + dt.timedelta(seconds=monotonic - inst.started)


class Alarm(h.E2ECase):

    def watch(self):
        watcher = MapWatcher(self.session)
        self.addCleanup(watcher.stop)
        return watcher

    def assert_centred(self, win):
        self.assertEqual((win.width, win.height), SIZE)
        self.assertEqual((win.x, win.y), ((1280 - SIZE[0]) // 2, (800 - SIZE[1]) // 2))

    def assert_colour(self, win, colour):
        # The margin left of the memo text, and a blank corner of the text itself.
        self.assertEqual(self.session.pixel_twips(win, 60, 1500), colour)
        self.assertEqual(self.session.pixel_twips(win, 4200, 2800), colour)

    def test_one_off_appears_in_its_minute_and_dismissal_rewrites_file(self):
        prog = self.program(data=h.data_file(MEETING, SHOPPING))
        watcher = self.watch()
        inst = prog.start(faketime=f"{DAY} 14:29:58")
        when, win = watcher.first(inst, "Form3", timeout=5)
        latency = (fake_at(inst, when) - DUE).total_seconds()
        print(f"\n[e2e] alarm window mapped {latency * 1000:.0f} ms after its minute began "
              "(an upper bound: it includes the program's own start)", file=sys.stderr)
        self.assertGreaterEqual(latency, 0.0)
        self.assertLessEqual(latency, 0.3)

        self.assert_centred(win)
        state = self.session.run(["xprop", "-id", str(win.wid), "_NET_WM_STATE"]).stdout
        self.assertIn("_NET_WM_STATE_ABOVE", state)
        time.sleep(0.2)  # painted
        self.assert_colour(win, LIGHT_YELLOW)

        self.session.double_click_twips(win, 2000, 1500)
        inst.wait_gone("Form3", timeout=3)
        h.wait_until(lambda: prog.read() == h.data_file(SHOPPING), 3, "the memo to leave the file")
        time.sleep(1.2)  # a tick later nothing comes back
        self.assertEqual(inst.windows("Form3"), [])
        self.assertTrue(inst.alive(), inst.output())

    def test_missed_memo_appears_late_at_start_and_last_dismissal_deletes_file(self):
        prog = self.program(data=h.data_file(MEETING))
        inst = prog.start(faketime=f"{DAY} 14:31:00")
        win = inst.window("Form3", timeout=2.0)
        self.assertLess(time.monotonic() - inst.started, 2.0)
        self.assert_centred(win)
        time.sleep(0.2)
        self.assert_colour(win, LIGHT_RED)

        self.session.double_click_twips(win, 2000, 1500)
        inst.wait_gone("Form3", timeout=3)
        h.wait_until(lambda: h.DATA not in prog.files(), 3, "the data file to be deleted")
        self.assertTrue(inst.alive(), inst.output())

    def test_double_click_on_margin_ends_program_at_once_with_file_whole(self):
        data = h.data_file(MEETING, SHOPPING)
        prog = self.program(data=data)
        inst = prog.start(faketime=f"{DAY} 14:31:00")
        win = inst.window("Form3", timeout=2.0)
        time.sleep(0.2)
        self.session.double_click_twips(win, 60, 1500)
        self.assertEqual(inst.wait(2.0), 0, inst.output())
        self.assertEqual(prog.read(), data)

    def test_weekly_memo_fires_on_its_day_only_and_stays_after_dismissal(self):
        friday = h.data_file((30, 14, 0, 0, 0, "金曜の定例", 0, 32))
        thursday = h.data_file((30, 14, 0, 0, 0, "木曜の定例", 0, 16))
        on_day, off_day = self.program(data=friday), self.program(data=thursday)
        watcher = self.watch()
        fri = on_day.start(faketime=f"{DAY} 14:29:58")
        thu = off_day.start(faketime=f"{DAY} 14:29:58")

        when, win = watcher.first(fri, "Form3", timeout=5)
        self.assertTrue(0.0 <= (fake_at(fri, when) - DUE).total_seconds() <= 0.3)
        time.sleep(0.2)
        self.assert_colour(win, LIGHT_YELLOW)
        self.session.double_click_twips(win, 2000, 1500)
        fri.wait_gone("Form3", timeout=3)

        thu.sleep_until_fake(DUE + dt.timedelta(seconds=4))
        self.assertEqual(thu.windows("Form3"), [])
        self.assertEqual(on_day.read(), friday)
        self.assertEqual(off_day.read(), thursday)


if __name__ == "__main__":
    unittest.main(verbosity=2)
