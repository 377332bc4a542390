"""The icon and its menu in a real notification area, typed Japanese. Catches: an icon later than 2 s after a start
in an empty folder, a second icon, a splash still up 2.5 s after the icon, a start that writes; a menu not opening on
a left click; characters off the keyboard map (as an input method commits them) lost, doubled or not written as
Windows writes them (ｶﾅ in one byte, ① as 87 40, U+301C and U+2212 as 81 60 and 81 7C); a wrong date, time or sound
flag; 終了 not ending with status 0 within 2 s, leaving its icon or changing the file."""
import re, time
import harness as h

NOW = "2026-12-25 14:00:00"  # a new memo is set for now; two minutes up makes it 14:02
MINUTE_UP, SOUND_BOX, MEMO, SET = (5047, 1290), (4300, 630), (2227, 3007), (787, 3007)  # twips, in "rekuda31"
TEXT, OK = (2000, 1200), (907, 2767)  # in "Memo"
TYPED = "Dentist 歯医者〜①−ｶﾅ"
WRITTEN = b"Dentist " + "歯医者".encode("cp932") + b"\x81\x60\x87\x40\x81\x7c\xb6\xc5"


class Tray(h.Session):

    def test_icon_menu_typed_memo_and_exit(self):
        folder = self.program()
        first = self.start(folder, NOW)
        h.wait_until(lambda: first.pid in self.tray(), 3, "tray icon")
        self.assertLess(time.monotonic() - first.started, 2.5, "icon later than 2 s (and a poll)")
        # The splash closes 0.8 s after it shows; a loaded machine may take a while to show it after the icon.
        h.wait_until(lambda: not self.windows(first, "Title"), 2.5, "the splash closed")
        self.assertEqual((list(self.tray()), self.files(folder)), ([first.pid], {}))
        self.menu(first, "Down", "Return")  # メモ設定
        win = self.window(first, "rekuda31")
        for point in (MINUTE_UP, MINUTE_UP, SOUND_BOX, MEMO):
            self.click(*win.at(*point))
        memo = self.window(first, "Memo")
        self.click(*memo.at(*TEXT))
        # xdotool binds each character off the keyboard map to a spare key code for a quarter of --delay: 300 ms
        for chunk in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]", TYPED):
            self.sh("xdotool", "type", "--delay", "40" if chunk.isascii() else "1200", "--", chunk)
        self.click(*memo.at(*OK))
        self.click(*win.at(*SET))
        written = {h.DATA: h.data_file((2, 14, 25, 12, 2026, WRITTEN, 1, 0))}
        h.wait_until(lambda: (folder / h.DATA).exists(), 3, "the data file")
        self.assertEqual(self.files(folder), written)
        self.menu(first, "Up", "Return")  # 終了
        chosen = time.monotonic()
        self.assertEqual(first.wait(3), 0)
        self.assertLess(time.monotonic() - chosen, 2.0)
        self.assertEqual((self.tray(), self.files(folder)), ({}, written))
