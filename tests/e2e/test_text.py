#!/usr/bin/python3
"""Japanese typed into a new memo through the real keyboard path, as it lands in the file.

Catches: typed characters off the keyboard map (as an input method commits them) lost,
doubled or garbled between the memo text window and the data file; text not written in
code page 932 as Windows writes it: half-width kana in one byte, ① as 87 40, and the
code points Linux input methods use for 〜 and − (U+301C, U+2212) as Windows' 81 60 and
81 7C; a memo line with the wrong date, time or sound flag.
"""
import time
import unittest

import harness as h

# Twips from the client origins of "rekuda31" and "Memo".
MINUTE_UP, SOUND_BOX, MEMO, SET = (5047, 1290), (4300, 630), (2227, 3007), (787, 3007)
TEXT, OK = (2000, 1200), (907, 2767)
TYPED = "Dentist 歯医者〜①−ｶﾅ"
WRITTEN = b"Dentist " + "歯医者".encode("cp932") + b"\x81\x60\x87\x40\x81\x7c\xb6\xc5"


class Text(h.E2ECase):

    def test_typed_japanese_reaches_file_in_code_page_932(self):
        prog = self.program()
        inst = prog.start("2026-12-25 14:00:00")  # a new memo is set for now, here + 2 minutes
        icon = inst.tray_icon()
        time.sleep(1.0)  # the splash has closed
        inst.open_menu(*icon.center)
        self.session.key("Down", "Return")  # メモ設定
        win = inst.window("rekuda31")
        for point in (MINUTE_UP, MINUTE_UP, SOUND_BOX, MEMO):
            self.session.click(*win.at(*point))
        memo = inst.window("Memo")
        self.session.click(*memo.at(*TEXT))
        self.session.type_text(TYPED)
        self.session.click(*memo.at(*OK))
        self.session.click(*inst.window("rekuda31").at(*SET))
        inst.wait_gone("rekuda31")
        h.wait_until(prog.read, 3, "the data file")
        self.assertEqual(prog.read(), h.data_file((2, 14, 25, 12, 2026, WRITTEN, 1, 0)))
        self.assertTrue(inst.alive(), inst.output())


if __name__ == "__main__":
    unittest.main(verbosity=2)
