#!/usr/bin/python3
"""Setting memos from the tray menu through the setting and memo text windows."""
import re
import time
import unittest

import harness as h

FAKE = "2026-12-25 14:00:00"  # a Friday; every case here ends well within its first minutes


def centre(container, left, top, width, height):
    """Centre of a control, in twips from the window's client origin."""
    return container[0] + left + width // 2, container[1] + top + height // 2


def indicator(container, left, top, width, height):
    """The tick square of a check box, at its left end."""
    return container[0] + left + 100, container[1] + top + height // 2


WINDOW = (0, 0)
EXEC = (240, 960)     # 実行時間
SOUND = (3960, 240)   # Frame2
REPEAT = (240, 1920)  # Frame3
WEEK = (2040, 1920)   # Frame4

YEAR_UP = centre(EXEC, 1320, 240, 255, 180)
MONTH_UP = centre(EXEC, 2160, 240, 255, 180)
DAY_UP = centre(EXEC, 3000, 240, 255, 180)
HOUR_UP = centre(EXEC, 3840, 240, 255, 180)
MINUTE_UP = centre(EXEC, 4680, 240, 255, 180)
SOUND_BOX = indicator(SOUND, 240, 240, 1215, 300)
EVERY_MONTH = indicator(REPEAT, 120, 240, 735, 255)
EVERY_DAY = indicator(REPEAT, 840, 240, 735, 225)
SUNDAY, MONDAY, TUESDAY, WEDNESDAY, THURSDAY, FRIDAY, SATURDAY = (
    indicator(WEEK, 120 + 480 * i, 240, 495, 255) for i in range(7))
SET = centre(WINDOW, 240, 2760, 1095, 495)
MEMO_BUTTON = centre(WINDOW, 1680, 2760, 1095, 495)
CANCEL = centre(WINDOW, 4680, 2760, 1095, 495)

TEXT = (2000, 1200)
OK = centre(WINDOW, 240, 2520, 1335, 495)

WARNING_OK = centre(WINDOW, 1200, 960, 1335, 495)  # keikoku1


class SettingWindow(h.E2ECase):

    def start(self, data=None):
        prog = self.program(data=data)
        inst = prog.start(faketime=FAKE)
        inst.tray_icon(timeout=3.0)
        time.sleep(1.2)  # the splash closes after 800 ms
        return prog, inst

    def open_setting(self, inst):
        inst.open_tray_menu()
        self.session.key("Down", "Return")  # the first entry, "メモ設定"
        return inst.window("rekuda31")

    def click(self, win, *points):
        for point in points:
            self.session.click_twips(win, *point)

    def write_text(self, inst, win, text):
        """Presses "メモ", types the text and presses "ＯＫ"; returns the setting window."""
        self.click(win, MEMO_BUTTON)
        inst.wait_gone("rekuda31")
        memo = inst.window("Memo")
        self.click(memo, TEXT)
        for chunk in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]", text):
            if chunk.isascii():
                self.session.type_text(chunk)
            else:
                # xdotool maps each such character to a spare key code for the
                # moment; the program must read it before the next one comes.
                self.session.type_text(chunk)
                time.sleep(0.3)
        self.click(memo, OK)
        inst.wait_gone("Memo")
        return inst.window("rekuda31")

    def set_memo(self, inst, clicks, text):
        win = self.open_setting(inst)
        self.click(win, *clicks)
        win = self.write_text(inst, win, text)
        self.click(win, SET)
        inst.wait_gone("rekuda31")

    def wait_for_file(self, prog, expected):
        try:
            h.wait_until(lambda: prog.read() == expected, 3.0, "the data file")
        except TimeoutError:
            self.assertEqual(prog.read(), expected)

    def test_one_off_memo_with_japanese_text(self):
        prog, inst = self.start()
        self.set_memo(inst, [MINUTE_UP, MINUTE_UP, SOUND_BOX], "Dentist 歯医者")
        self.wait_for_file(prog, h.data_file((2, 14, 25, 12, 2026, "Dentist 歯医者", 1, 0)))
        self.assertTrue(inst.alive(), inst.output())

    def test_repeating_kinds_go_in_date_order(self):
        one_off = (30, 9, 1, 1, 2027, "new year", 0, 0)
        prog, inst = self.start(data=h.data_file(one_off))
        self.set_memo(inst, [EVERY_MONTH, DAY_UP, HOUR_UP], "rent")
        self.set_memo(inst, [EVERY_DAY, SOUND_BOX], "pills")
        self.set_memo(inst, [MONDAY, WEDNESDAY], "bins")
        self.wait_for_file(prog, h.data_file(
            (0, 14, 0, 0, 0, "pills", 1, 0),
            (0, 14, 0, 0, 0, "bins", 1, 10),
            (0, 15, 26, 0, 0, "rent", 0, 0),
            one_off))

    def test_current_minute_is_refused_and_every_field_kept(self):
        prog, inst = self.start()
        win = self.open_setting(inst)
        self.click(win, DAY_UP, MINUTE_UP)
        win = self.write_text(inst, win, "late")
        # Back to the present minute: one day and one minute down.
        self.click(win, centre(EXEC, 3000, 480, 255, 180), centre(EXEC, 4680, 480, 255, 180), SET)
        warning = inst.window("警告")
        inst.wait_gone("rekuda31")
        self.assertIsNone(prog.read())

        self.click(warning, WARNING_OK)
        win = inst.window("rekuda31")
        self.click(win, MINUTE_UP, SET)
        self.wait_for_file(prog, h.data_file((1, 14, 25, 12, 2026, "late", 0, 0)))

    def test_next_opening_after_weekly_memo_starts_afresh(self):
        prog, inst = self.start()
        self.set_memo(inst, [SOUND_BOX, SATURDAY, SUNDAY], "weekend")
        self.wait_for_file(prog, h.data_file((0, 14, 0, 0, 0, "weekend", 1, 65)))
        # No weekday left ticked, today's date, the sound box as it was.
        self.set_memo(inst, [MINUTE_UP, MINUTE_UP], "after")
        self.wait_for_file(prog, h.data_file((0, 14, 0, 0, 0, "weekend", 1, 65),
                                             (2, 14, 25, 12, 2026, "after", 1, 0)))

    def test_cancel_saves_nothing_and_keeps_the_program_running(self):
        prog, inst = self.start()
        win = self.open_setting(inst)
        self.click(win, MINUTE_UP, EVERY_DAY)
        self.click(win, CANCEL)
        inst.wait_gone("rekuda31")
        time.sleep(0.5)
        self.assertTrue(inst.alive(), inst.output())
        self.assertIsNone(prog.read())

if __name__ == "__main__":
    unittest.main(verbosity=2)
