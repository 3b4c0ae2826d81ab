# The real panel, the real X clipboard and real Chromium, driven as a person
# would. Run inside tests/desktop-session.sh: argv[1] is the kurumin binary.

import re
import subprocess
import sys

import atspi
import session
from session import copy, run, visible, wait_for, window_info, xdotool

LIMIT_TITLE = "Kurumin\u3000Err\u006f\uff52_02"


class Stepping(session.PanelSession):
    @classmethod
    def setUpClass(cls):
        cls.set_up_home("kurumin-e2e-", session.Pages)
        cls.start()

    def expect_page(self, path, times=1):
        wait_for(f"{path} open {times}x",
                 lambda: self.opened().count(self.site + path) >= times, timeout=20)

    def text(self, name, description=None):
        return atspi.text_of(atspi.find(self.app, name, description))

    def place(self, title):
        wid = wait_for(title, lambda: visible(f"^{re.escape(title)}$"), timeout=5)[0]
        return window_info(wid)[:2]

    def right_press(self, name, description):
        xdotool("mousemove", *atspi.centre(atspi.find(self.app, name, description)), "click", 3)

    def test_0_the_panel_is_borderless_on_top_and_starts_only_once(self):
        # On AT-SPI before it is mapped: wait for the window itself.
        wid = wait_for("the panel's window", lambda: visible("^Kurumin$"), timeout=10)[0]
        props = run("xprop", "-id", wid, "_NET_WM_STATE", "_MOTIF_WM_HINTS", "_NET_WM_DESKTOP")
        self.assertIn("_NET_WM_STATE_ABOVE", props)
        self.assertIn("_NET_WM_DESKTOP(CARDINAL) = 4294967295", props)  # on every workspace
        # flags, functions, decorations: decorations 0 is no frame at all
        self.assertRegex(props, r"_MOTIF_WM_HINTS\(_MOTIF_WM_HINTS\) = 0x2, 0x[0-9a-f]+, 0x0")
        self.assertEqual(window_info(wid)[2:4], (182, 46))

        second = subprocess.Popen([self.binary], cwd=self.home)
        title = "Kurumin Error_01 [二重起動の防止]"
        box = wait_for("the Error_01 box", lambda: next(
            filter(None, (atspi.shown(a, title) for a in atspi.applications("Kurumin"))), None),
            timeout=15)
        atspi.press(box, "OK")
        self.assertEqual(second.wait(10), 0)
        self.assertIsNone(self.panel.poll())  # the first one is untouched

    def test_1_a_copied_range_sets_the_bounds_and_set_opens_the_first_page(self):
        url = f"{self.site}/g/p[01-05].html"
        copy(url)
        wait_for("the range taken up", lambda: self.text("txtNow") == url, timeout=5)
        self.assertEqual((self.text("下限リミッタ"), self.text("上限リミッタ")), ("01", "05"))
        atspi.press(self.app, "[SET]")
        self.expect_page("/g/p01.html")
        self.assertNotIn(url, self.opened())  # a range opens nothing by itself

    def test_2_up_walks_to_the_bound_and_the_limiter_stops_it(self):
        for n in range(2, 6):
            atspi.press(self.app, "UP")
            self.expect_page(f"/g/p{n:02}.html")
        before = len(self.opened())
        atspi.press(self.app, "UP")
        atspi.press(atspi.find(self.app, LIMIT_TITLE), "OK")
        wait_for("the box closed", lambda: not atspi.shown(self.app, LIMIT_TITLE), timeout=5)
        atspi.press(self.app, "DWN")
        self.expect_page("/g/p04.html", times=2)
        # The pages come in order: the stopped UP would have come before this one.
        self.assertEqual(len(self.opened()), before + 1)

    def test_3_a_right_press_opens_the_step_window_beside_the_panel(self):
        self.right_press("-", "カウントダウン・ブラウズ")
        self.place("Kurumin -")
        self.right_press("+", "カウントアップ・ブラウズ")
        (ux, uy), (px, py) = self.place("Kurumin +"), self.place("Kurumin")
        self.assertEqual((ux - px, uy - py), (142, 46))  # 2130 x 685 twips at 96 DPI
        atspi.press(self.app, "+10")  # tested against the bound before the step only
        self.expect_page("/g/p14.html")

    def test_4_holding_the_spin_button_counts_every_50_ms(self):
        atspi.press(self.app, "ON")  # the limiter off
        # An accessible press is animated: it lands a moment later.
        atspi.find(self.app, "OFF", "数値リミット自動認識 On/Off")
        start = int(self.text("txtNo"))
        plus = atspi.centre(atspi.find(self.app, "+", ""))
        xdotool("mousemove", *plus, "mousedown", 1, "sleep", 1, "mouseup", 1)
        steps = int(self.text("txtNo")) - start
        self.assertTrue(14 <= steps <= 22, f"spin held 1 s: {steps} steps")


if __name__ == "__main__":
    session.main(sys.argv.pop(1))
