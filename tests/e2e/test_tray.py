#!/usr/bin/python3
"""The notification-area icon, its pop-up menu and the resident indicator that
stands in for it on a desktop without a notification area."""
import subprocess
import time
import unittest

import harness as h

FAKE = "2026-12-25 10:00:00"
THREE_MEMOS = h.data_file((30, 14, 25, 12, 2027, "年末の会議", 1, 0),
                          (0, 23, 0, 0, 0, "日報", 0, 0),
                          (0, 9, 1, 0, 0, "家賃", 0, 0))
TIP = "日時指定メモソフト rekuda31"
EMPTY_MENU = ["item", "separator", "item", "item", "separator", "item"]
FULL_MENU = ["item", "item", "separator", "item", "item", "separator", "item"]


def column(session, x, top, height):
    """RGB triples of a one-pixel-wide screen column."""
    raw = subprocess.run(["import", "-display", session.display, "-window", "root",
                          "-crop", f"1x{height}+{x}+{top}", "-depth", "8", "rgb:-"],
                         env=session.env, capture_output=True, timeout=h.CMD_TIMEOUT).stdout
    return [raw[i:i + 3] for i in range(0, len(raw), 3)]


def menu_layout(session, menu):
    """Walks the open menu with the Down key and reads where the highlight lands:
    "item" for each entry, "separator" where a gap lies between two entries."""
    x = menu.x + 4
    resting = column(session, x, menu.y, menu.height)
    bands = []
    for _ in range(10):
        session.key("Down")
        time.sleep(0.1)
        now = column(session, x, menu.y, menu.height)
        lit = [i for i, (a, b) in enumerate(zip(resting, now)) if a != b]
        if not lit:
            continue
        band = (lit[0], lit[-1])
        if band in bands:
            break  # wrapped round to the first entry
        bands.append(band)
    bands.sort()
    layout = ["item"]
    for (_, prev_bottom), (top, _) in zip(bands, bands[1:]):
        if top - prev_bottom > 1:  # entries touch; a separator leaves a gap
            layout.append("separator")
        layout.append("item")
    return layout


def menus(session, pid):
    """Open pop-up menus of pid (tool tips left out)."""
    return [w for w in session.popups(pid) if "TOOLTIP" not in w.types]


class TrayIcon(h.E2ECase):
    sound = False
    accessibility = True

    def test_empty_folder_icon_within_2s_and_menu_without_memo_edit(self):
        inst = self.program().start(faketime=FAKE)
        icon = inst.tray_icon(timeout=2.0)
        self.assertLess(time.monotonic() - inst.started, 2.2, "tray icon too late")
        self.assertEqual([w.pid for w in self.session.tray_icons()], [inst.pid])
        menu = inst.open_tray_menu()
        # The release that ends the click must not choose anything or close the menu.
        time.sleep(0.3)
        self.assertTrue(menus(self.session, inst.pid), self.session.describe([inst.pid]))
        px, py = icon.center  # the menu opens at the pointer, pushed inside the screen
        self.assertTrue(menu.x - 1 <= px <= menu.x + menu.width and menu.y - 1 <= py <= menu.y + menu.height,
                        f"{menu} not at {icon.center}")
        self.assertEqual(menu_layout(self.session, menu), EMPTY_MENU)
        self.session.key("Escape")
        h.wait_until(lambda: not menus(self.session, inst.pid), 2.0, "menu to close")
        self.assertTrue(inst.alive())

    def test_three_memos_add_memo_edit_below_memo_set(self):
        prog = self.program(data=THREE_MEMOS)
        inst = prog.start(faketime=FAKE)
        menu = inst.open_tray_menu()
        self.assertEqual(menu_layout(self.session, menu), FULL_MENU)
        self.session.key("Escape")
        self.assertEqual(prog.read(), THREE_MEMOS)

    def test_menu_waits_for_the_release_of_the_left_button(self):
        inst = self.program().start(faketime=FAKE)
        icon = inst.tray_icon(timeout=2.0)
        self.session.mouse_down(*icon.center)
        time.sleep(0.8)
        self.assertEqual(menus(self.session, inst.pid), [])
        self.session.mouse_up()
        h.wait_until(lambda: menus(self.session, inst.pid), 2.0, "menu after the release")

    def test_quick_click_after_escape_opens_menu_again(self):
        inst = self.program().start(faketime=FAKE)
        x, y = inst.tray_icon(timeout=2.0).center
        # Escape and a second click within the double-click time, as from a user
        # who closes the menu and changes their mind.
        self.session.xdotool("mousemove", x, y, "click", 1, "sleep", 0.15, "key", "Escape",
                             "sleep", 0.05, "click", 1)
        h.wait_until(lambda: menus(self.session, inst.pid), 2.0, "menu after the second click")

    def test_click_elsewhere_closes_menu_without_choosing(self):
        prog = self.program(data=THREE_MEMOS)
        inst = prog.start(faketime=FAKE)
        inst.window("Title", timeout=2.0)
        inst.wait_gone("Title", timeout=3.0)
        inst.open_tray_menu()
        self.session.click(300, 300)
        h.wait_until(lambda: not menus(self.session, inst.pid), 2.0, "menu to close")
        time.sleep(0.3)
        self.assertTrue(inst.alive())
        self.assertEqual([w.title for w in inst.windows()], [])
        inst.open_tray_menu()  # and it opens again afterwards

    def test_right_click_and_hover_leave_menu_closed(self):
        inst = self.program().start(faketime=FAKE)
        icon = inst.tray_icon(timeout=2.0)
        self.session.click(*icon.center, button=3)
        self.session.move(icon.center[0] - 3, icon.center[1] + 2)
        time.sleep(1.0)
        self.assertEqual(menus(self.session, inst.pid), [])
        # The same icon does open it with the left button.
        self.session.click(*icon.center)
        h.wait_until(lambda: menus(self.session, inst.pid), 2.0, "menu after left click")

    def test_tip_names_the_program(self):
        inst = self.program().start(faketime=FAKE)
        icon = inst.tray_icon(timeout=2.0)
        self.session.move(*icon.center)
        self.session.move(icon.center[0] + 1, icon.center[1])
        self.session.tooltip(inst.pid)
        texts = [n["name"] for n in self.session.accessible_nodes(inst.pid) if n["showing"]]
        self.assertIn(TIP, [t.strip() for t in texts])

    def test_exit_ends_program_removes_icon_and_keeps_data_file(self):
        prog = self.program(data=THREE_MEMOS)
        inst = prog.start(faketime=FAKE)
        inst.open_tray_menu()
        self.session.key("Up", "Return")  # no entry is active yet: Up selects the last one
        chosen = time.monotonic()
        self.assertEqual(inst.wait(2.0), 0, inst.output())
        self.assertLess(time.monotonic() - chosen, 2.0)
        self.assertEqual([w for w in self.session.tray_icons() if w.pid == inst.pid], [])
        self.assertEqual(prog.files(), [h.DATA])
        self.assertEqual(prog.read(), THREE_MEMOS)


class NoTrayHost(h.E2ECase):
    tray = False
    sound = False

    def indicator(self, inst):
        return inst.window(TIP, timeout=2.0)

    def test_indicator_in_corner_opens_the_same_menu_on_left_click_only(self):
        inst = self.program().start(faketime=FAKE)
        ind = self.indicator(inst)
        self.assertEqual((ind.width, ind.height), (36, 36))
        self.assertGreater(ind.x, 1280 - 60)
        self.assertGreater(ind.y, 800 - 60)
        self.session.click(*ind.center, button=3)
        time.sleep(0.8)
        self.assertEqual(menus(self.session, inst.pid), [])
        self.session.click(*ind.center)
        menu = h.wait_until(lambda: (menus(self.session, inst.pid) or [None])[0], 2.0, "menu")
        self.assertEqual(menu_layout(self.session, menu), EMPTY_MENU)
        self.session.key("Up", "Return")
        self.assertEqual(inst.wait(2.0), 0, inst.output())

    def test_indicator_moves_by_dragging_without_opening_menu(self):
        inst = self.program().start(faketime=FAKE)
        ind = self.indicator(inst)
        x, y = ind.center
        self.session.mouse_down(x, y)
        self.session.move(x - 20, y - 10)
        self.session.move(x - 200, y - 150)
        self.session.mouse_up()
        moved = h.wait_until(lambda: (lambda w: w if w and w.x != ind.x else None)(
            self.session.window_info(ind.wid)), 2.0, "indicator to move")
        self.assertEqual((moved.x, moved.y), (ind.x - 200, ind.y - 150))
        time.sleep(0.5)
        self.assertEqual(menus(self.session, inst.pid), [])


class TrayHostAppearsLater(h.E2ECase):
    tray = False
    sound = False

    def test_indicator_gives_way_to_tray_icon(self):
        inst = self.program().start(faketime=FAKE)
        inst.window(TIP, timeout=2.0)
        self.session._start_tray()
        inst.tray_icon(timeout=6.0)
        inst.wait_gone(TIP, timeout=2.0)
        menu = inst.open_tray_menu()
        self.assertEqual(menu_layout(self.session, menu), EMPTY_MENU)


if __name__ == "__main__":
    unittest.main(verbosity=2)
