#!/usr/bin/python3
"""The memo list editor: deleting memos and taking one back to change it."""
import time
import unittest

import harness as h

FAKE = "2026-12-25 10:00:00"  # none of the memos below falls due near this time
MEMOS = [
    (5, 9, 0, 0, 0, "ゴミ", 1, 10),
    (0, 12, 0, 0, 0, "昼", 0, 0),
    (30, 18, 25, 0, 0, "家賃", 0, 0),
    (45, 13, 15, 1, 2027, "歯医者", 1, 0),
]

# Twips from the client origin of "memo編集".
FIRST_LINE = (240 + 240 + 1000, 240 + 360 + 150)
EDIT = (360 + 547, 3480 + 247)
DELETE = (2040 + 607, 3480 + 247)
END = (4200 + 547, 3480 + 247)
# Of "rekuda31".
SET = (240 + 547, 2760 + 247)
MINUTE_UP = (240 + 4680 + 127, 960 + 240 + 90)


class ListEditor(h.E2ECase):

    def start(self, memos):
        prog = self.program(data=h.data_file(*memos))
        inst = prog.start(faketime=FAKE)
        inst.tray_icon(timeout=3.0)
        time.sleep(1.2)  # the splash closes after 800 ms
        return prog, inst

    def open_editor(self, inst):
        menu = inst.open_tray_menu()
        self.session.key("Down", "Down", "Return")  # the second entry, "メモ編集"
        return menu, inst.window("memo編集")

    def select(self, editor, line):
        self.session.click_twips(editor, *FIRST_LINE)
        if line:
            self.session.key(*["Down"] * line)

    def wait_for_file(self, prog, expected):
        try:
            h.wait_until(lambda: prog.read() == expected, 3.0, "the data file")
        except TimeoutError:
            self.assertEqual(prog.read(), expected)

    def test_delete_middle_then_last_then_the_only_memo(self):
        prog, inst = self.start(MEMOS[1:])
        menu, editor = self.open_editor(inst)
        self.select(editor, 1)
        self.session.click_twips(editor, *DELETE)
        self.wait_for_file(prog, h.data_file(MEMOS[1], MEMOS[3]))
        self.select(editor, 1)
        self.session.click_twips(editor, *DELETE)
        self.wait_for_file(prog, h.data_file(MEMOS[1]))
        self.select(editor, 0)
        self.session.click_twips(editor, *DELETE)
        self.wait_for_file(prog, b"")

        # The editor stays until it is ended; then the menu has lost "メモ編集".
        self.assertTrue(inst.windows("memo編集"))
        self.session.click_twips(editor, *END)
        inst.wait_gone("memo編集")
        shorter = inst.open_tray_menu()
        self.assertLess(shorter.height, menu.height)
        self.session.key("Escape")
        self.assertTrue(inst.alive(), inst.output())

    def test_edit_each_kind_and_set_unchanged(self):
        prog, inst = self.start(MEMOS)
        before = prog.read()
        for line in range(len(MEMOS)):
            with self.subTest(line=line):
                _, editor = self.open_editor(inst)
                self.select(editor, line)
                self.session.click_twips(editor, *EDIT)
                inst.wait_gone("memo編集")
                win = inst.window("rekuda31")
                self.wait_for_file(prog, h.data_file(*(MEMOS[:line] + MEMOS[line + 1:])))
                self.session.click_twips(win, *SET)
                inst.wait_gone("rekuda31")
                self.wait_for_file(prog, before)

    def test_exit_during_an_edit_puts_the_memo_back(self):
        prog, inst = self.start(MEMOS)
        before = prog.read()
        _, editor = self.open_editor(inst)
        self.select(editor, 2)
        self.session.click_twips(editor, *EDIT)
        win = inst.window("rekuda31")
        self.session.click_twips(win, *MINUTE_UP)
        self.wait_for_file(prog, h.data_file(MEMOS[0], MEMOS[1], MEMOS[3]))

        inst.open_tray_menu()
        self.session.key("Up", "Return")  # the last entry, "終了"
        self.assertEqual(inst.wait(3.0), 0, inst.output())
        self.assertEqual(prog.read(), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
