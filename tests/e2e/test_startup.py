#!/usr/bin/python3
"""Start-up, the single-instance rule and exit through the tray menu."""
import time
import unittest

import harness as h

# The fake clock keeps the memos below from falling due while a case runs.
# FB FC is 髙 as Windows writes it in code page 932.
FAKE = "2026-12-25 10:00:00"
MEMOS = h.data_file((30, 14, 25, 12, 2027, "年末の会議～①".encode("cp932") + b"\xfb\xfc", 1, 0),
                    (0, 23, 0, 0, 0, "毎日, 日報", 0, 0))


class StartUp(h.E2ECase):

    def test_first_start_in_empty_folder_puts_one_icon_and_writes_nothing(self):
        prog = self.program()
        inst = prog.start(faketime=FAKE)
        inst.tray_icon(timeout=2.0)
        self.assertLess(time.monotonic() - inst.started, 2.2, "tray icon too late")
        time.sleep(1.5)  # past the splash and a tick or two
        self.assertTrue(inst.alive(), inst.output())
        self.assertEqual([w.pid for w in self.session.tray_icons()], [inst.pid])
        self.assertEqual(prog.files(), [])

    def test_second_start_from_same_folder_ends_at_once_and_touches_nothing(self):
        prog = self.program(data=MEMOS)
        first = prog.start(faketime=FAKE)
        first.tray_icon(timeout=2.0)
        second = prog.start(faketime=FAKE)
        self.assertEqual(second.wait(2.0), 0, second.output())
        time.sleep(0.5)
        self.assertTrue(first.alive(), first.output())
        self.assertEqual([w.pid for w in self.session.tray_icons()], [first.pid])
        self.assertEqual(prog.files(), [h.DATA])
        self.assertEqual(prog.read(), MEMOS)


class ExitFromTrayMenu(h.E2ECase):

    def start_with_memos(self):
        prog = self.program(data=MEMOS)
        inst = prog.start(faketime=FAKE)
        inst.tray_icon(timeout=2.0)
        return prog, inst

    def assert_ended_cleanly(self, prog, inst):
        self.assertEqual(inst.wait(2.0), 0, inst.output())
        self.assertEqual(prog.files(), [h.DATA])
        self.assertEqual(prog.read(), MEMOS)

    def test_last_item_chosen_with_keyboard_ends_program(self):
        prog, inst = self.start_with_memos()
        inst.open_tray_menu()
        self.session.key("Up", "Return")  # no item is active yet: Up selects the last one
        self.assert_ended_cleanly(prog, inst)

    def test_last_item_clicked_ends_program(self):
        prog, inst = self.start_with_memos()
        menu = inst.open_tray_menu()
        self.session.click(menu.x + menu.width // 2, menu.y + menu.height - 8)
        self.assert_ended_cleanly(prog, inst)


if __name__ == "__main__":
    unittest.main(verbosity=2)
