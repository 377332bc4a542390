#!/usr/bin/python3
"""Start-up, one copy per folder, and the icon and its menu in a real notification area.

Catches: a tray icon later than 2 s after a start in an empty folder, a second icon,
a start that writes into its folder; a second start from the same folder that keeps
running, disturbs the first copy or touches its files; a menu that does not open on a
left click at the icon; メモ編集 shown without memos or missing with them; 終了 that does
not end the program with status 0 within 2 s, leaves its icon, changes the data file by
a byte or holds the folder's lock while its bell rings out; no stand-in indicator in
the corner, or no menu from it, when no tray host runs.
"""
import time
import unittest

import harness as h

FAKE = "2026-12-25 10:00:00"  # none of the memos falls due
# ～① and 髙 as Windows writes it (FB FC): the file must come through untouched.
MEMOS = h.data_file((30, 14, 25, 12, 2027, "年末の会議～①".encode("cp932") + b"\xfb\xfc", 1, 0),
                    (0, 23, 0, 0, 0, "毎日, 日報", 0, 0))
EDITOR_END = (4747, 3727)  # twips, in "memo編集"


class Tray(h.E2ECase):

    def test_empty_folder_icon_in_time_and_menu_without_memo_edit(self):
        prog = self.program()
        inst = prog.start(FAKE)
        icon = inst.tray_icon()
        self.assertLess(time.monotonic() - inst.started, 2.5, "icon later than 2 s (and a poll)")
        menu = inst.open_menu(*icon.center)
        self.assertTrue(menu.x - 1 <= icon.center[0] <= menu.x + menu.width
                        and menu.y - 1 <= icon.center[1] <= menu.y + menu.height, f"{menu} {icon}")
        self.session.key("Down", "Down", "Return")  # メモ設定, then バージョン情報
        inst.window("バージョン")
        self.assertEqual([w.pid for w in self.session.tray_icons()], [inst.pid])
        self.assertTrue(inst.alive(), inst.output())
        self.assertEqual(prog.files(), [])

    def test_second_start_ends_at_once_and_touches_nothing(self):
        prog = self.program(MEMOS)
        first = prog.start(FAKE)
        first.tray_icon()
        second = prog.start(FAKE)
        self.assertEqual(second.proc.wait(2.0), 0, second.output())
        time.sleep(0.5)
        self.assertTrue(first.alive(), first.output())
        self.assertEqual([w.pid for w in self.session.tray_icons()], [first.pid])
        self.assertEqual((prog.files(), prog.read()), ([h.DATA], MEMOS))

    def test_memo_edit_with_memos_and_exit_leaves_file_and_folder_free(self):
        prog = self.program(MEMOS)
        inst = prog.start(FAKE)
        icon = inst.tray_icon()
        inst.open_menu(*icon.center)
        self.session.key("Down", "Down", "Return")  # メモ設定, then メモ編集
        self.session.click(*inst.window("memo編集").at(*EDITOR_END))
        inst.wait_gone("memo編集")
        inst.open_menu(*icon.center)
        self.session.key("Up", "Return")  # no entry is active yet: Up selects the last, 終了
        chosen = time.monotonic()
        time.sleep(0.15)
        again = prog.start(FAKE)  # while the bell rings out
        self.assertEqual(inst.proc.wait(3.0), 0, inst.output())
        self.assertLess(time.monotonic() - chosen, 2.0)
        again.tray_icon()
        self.assertEqual([w.pid for w in self.session.tray_icons()], [again.pid])
        self.assertEqual((prog.files(), prog.read()), ([h.DATA], MEMOS))


class NoTrayHost(h.E2ECase):
    tray = False

    def test_indicator_in_corner_opens_the_menu(self):
        inst = self.program().start(FAKE)
        ind = inst.window("日時指定メモソフト rekuda31", timeout=3.0)
        self.assertEqual((ind.width, ind.height), (36, 36))
        self.assertTrue(ind.x > 1280 - 60 and ind.y > 800 - 60, ind)
        inst.open_menu(*ind.center)
        self.session.key("Up", "Return")
        self.assertEqual(inst.proc.wait(2.0), 0, inst.output())


if __name__ == "__main__":
    unittest.main(verbosity=2)
