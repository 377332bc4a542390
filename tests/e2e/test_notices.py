#!/usr/bin/python3
"""The splash, the table-full warning and the version window on screen: when they
appear, their size and colours, and that their Japanese text is drawn."""
import subprocess
import time
import unittest

import harness as h

FAKE = "2026-12-25 10:00:00"
THREE_MEMOS = h.data_file((30, 14, 25, 12, 2027, "年末の会議", 1, 0),
                          (0, 23, 0, 0, 0, "日報", 0, 0),
                          (0, 9, 1, 0, 0, "家賃", 0, 0))
TWENTY_MEMOS = h.data_file(*[(i, 10, i + 1, 3, 2027, f"会議{i + 1}") for i in range(20)])
DARK_BLUE, BLACK, RED, YELLOW = (0, 0, 192), (0, 0, 0), (255, 0, 0), (255, 255, 0)


class Shot:
    """Pixels of a screen rectangle, read at once."""

    def __init__(self, session, x, y, width, height):
        raw = subprocess.run(["import", "-display", session.display, "-window", "root",
                              "-crop", f"{width}x{height}+{x}+{y}", "-depth", "8", "rgb:-"],
                             env=session.env, capture_output=True, timeout=h.CMD_TIMEOUT).stdout
        if len(raw) != width * height * 3:
            raise RuntimeError(f"screenshot of {width}x{height} gave {len(raw)} bytes")
        self.raw, self.width, self.height = raw, width, height

    def __call__(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.raw[i:i + 3])

    def area(self, tx, ty, tw, th):
        """Pixels of an area given in twips from the window's origin, by row."""
        left, top = round(tx / h.TWIPS), round(ty / h.TWIPS)
        right = min(self.width, left + round(tw / h.TWIPS))
        bottom = min(self.height, top + round(th / h.TWIPS))
        return [[self(x, y) for x in range(left, right)] for y in range(top, bottom)]


def shot(session, win):
    return Shot(session, win.x, win.y, win.width, win.height)


def count(rows, colour):
    return sum(p == colour for row in rows for p in row)


def assert_glyphs(case, rows, background, what):
    """Text drawn as real glyphs: ink, and columns of many different shapes. A font
    without the characters draws the same hollow box again and again, which gives
    only two or three different column profiles."""
    columns = [tuple(row[x] != background for row in rows) for x in range(len(rows[0]))]
    inked = [c for c in columns if any(c)]
    case.assertGreater(len(inked), 40, f"{what}: no text drawn")
    case.assertGreater(len(set(inked)), 12, f"{what}: text drawn as boxes")


class Splash(h.E2ECase):
    sound = False

    def watch_splash(self, data):
        """Start the program and return (shot of the splash, seconds to its appearance,
        seconds from start to its disappearance)."""
        inst = self.program(data=data).start(faketime=FAKE)
        win = inst.window("Title", timeout=1.5)
        seen = time.monotonic() - inst.started
        # Mapped comes a moment before painted.
        picture = h.wait_until(lambda: (lambda p: p if p(2, 2) == DARK_BLUE else None)(
            shot(self.session, win)), 0.6, "splash painted", 0.02)
        inst.wait_gone("Title", timeout=3.0)
        gone = time.monotonic() - inst.started
        self.assertEqual((win.width, win.height), (268, 136))
        self.assertEqual(((win.x * 2 + win.width) // 2, (win.y * 2 + win.height) // 2), (640, 400))
        return picture, seen, gone

    def assert_splash(self, picture, memos_set):
        for tx, ty in ((30, 30), (3990, 30), (30, 2010), (3990, 2010), (2000, 1900)):
            self.assertEqual(picture(round(tx / h.TWIPS), round(ty / h.TWIPS)), DARK_BLUE, (tx, ty))
        self.assertGreater(count(picture.area(960, 360, 2775, 615), YELLOW), 100)
        assert_glyphs(self, picture.area(840, 1080, 2775, 375), DARK_BLUE, "タスクトレイに常駐しました")
        red = picture.area(720, 1560, 2775, 375)
        if memos_set:
            assert_glyphs(self, red, DARK_BLUE, "メモを設定しました")
            self.assertGreater(count(red, RED), 100)
        else:
            self.assertEqual(count(red, RED), 0)

    def test_with_memos_splash_shows_red_line_and_goes_after_800ms(self):
        picture, seen, gone = self.watch_splash(THREE_MEMOS)
        self.assertLess(seen, 1.0)
        self.assert_splash(picture, memos_set=True)
        self.assertGreaterEqual(gone, 0.8)
        self.assertLess(gone - seen, 1.2)

    def test_without_memos_splash_has_no_red_line(self):
        picture, seen, gone = self.watch_splash(None)
        self.assertLess(seen, 1.0)
        self.assert_splash(picture, memos_set=False)
        self.assertGreaterEqual(gone, 0.8)


class FromTheMenu(h.E2ECase):
    sound = False

    def start_resident(self, data=None):
        inst = self.program(data=data).start(faketime=FAKE)
        inst.window("Title", timeout=2.0)
        inst.wait_gone("Title", timeout=3.0)
        return inst

    def choose(self, inst, downs):
        inst.open_tray_menu()
        self.session.key(*["Down"] * downs, "Return")

    def test_version_chosen_twice_shows_one_window_until_ok(self):
        inst = self.start_resident()
        self.choose(inst, 2)  # メモ設定, バージョン情報
        ver = inst.window("バージョン", timeout=2.0)
        self.choose(inst, 2)
        time.sleep(0.5)
        self.assertEqual(len(inst.windows("バージョン")), 1)
        self.assertEqual((ver.width, ver.height), (294, 178))
        picture = shot(self.session, ver)
        for tx, ty in ((30, 30), (4380, 30), (30, 2640), (4380, 2640), (300, 1500)):
            self.assertEqual(picture(round(tx / h.TWIPS), round(ty / h.TWIPS)), BLACK, (tx, ty))
        self.assertGreater(count(picture.area(840, 120, 3015, 735), YELLOW), 100)
        self.assertGreater(count(picture.area(1560, 720, 2055, 375), (255, 128, 255)), 30)
        self.session.click_twips(ver, 1560 + 1095 // 2, 2040 + 495 // 2)
        inst.wait_gone("バージョン", timeout=2.0)
        self.assertTrue(inst.alive())

    def test_table_full_warning_instead_of_setting_window(self):
        inst = self.start_resident(TWENTY_MEMOS)
        self.choose(inst, 1)  # メモ設定
        warning = inst.window("警告", timeout=2.0)
        self.assertEqual((warning.width, warning.height), (242, 95))
        picture = shot(self.session, warning)
        background = picture(2, 2)
        assert_glyphs(self, picture.area(720, 480, 2655, 375), background, "これ以上設定できません。")
        self.assertGreater(count(picture.area(120, 120, 480, 480), YELLOW), 100)  # the warning sign
        self.session.click_twips(warning, 1320 + 1215 // 2, 840 + 495 // 2)
        inst.wait_gone("警告", timeout=2.0)
        time.sleep(0.3)
        self.assertEqual(inst.windows(), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
