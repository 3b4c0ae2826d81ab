"""The real panel, the real X clipboard and real Chromium, driven as a person would.

Run inside tests/desktop-session.sh: argv[1] is the kurumin binary."""

import os
import re
import subprocess
import sys
import time

import atspi
import session
from session import wait_for

LIMIT_TITLE = "Kurumin\u3000Err\u006f\uff52_02"


class Stepping(session.PanelSession):
    @classmethod
    def setUpClass(cls):
        cls.set_up_home("kurumin-e2e-", session.Pages)
        cls.start()

    # --- helpers -------------------------------------------------------------

    def count(self, path):
        return self.opened().count(self.site + path)

    def expect_page(self, path, times=1):
        wait_for(f"{path} open {times}x", lambda: self.count(path) >= times, timeout=20)

    def copy(self, text):
        subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode(), check=True)

    def text(self, name, description=None):
        return atspi.text_of(atspi.find(self.app, name, description))

    def press(self, name, description=None):
        atspi.press(self.app, name, description)

    def close_box(self, title):
        box = wait_for(title, lambda: self.box(title), timeout=5)
        atspi.press(box, "OK")
        wait_for(f"{title} closed", lambda: not self.box(title), timeout=5)

    def box(self, title):
        try:
            return atspi.find(self.app, title, timeout=0)
        except AssertionError:
            return None

    def window_geometry(self, name):
        wid = self.x_window(name)
        out = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True).stdout
        field = {l.split(":")[0].strip(): l.split(":")[1].strip() for l in out.splitlines() if ":" in l}
        return int(field["Absolute upper-left X"]), int(field["Absolute upper-left Y"])

    def number(self):
        return self.text("txtNo")

    def x_window(self, name):
        return wait_for(name, lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(name)}$"],
            capture_output=True, text=True).stdout.split(), timeout=5)[0]

    # --- the walk, in order ----------------------------------------------------

    def test_0_the_panel_is_borderless_on_top_and_starts_only_once(self):
        wid = self.x_window("Kurumin")
        props = subprocess.run(["xprop", "-id", wid, "_NET_WM_STATE", "_MOTIF_WM_HINTS"],
                               capture_output=True, text=True).stdout
        self.assertIn("_NET_WM_STATE_ABOVE", props)
        # flags, functions, decorations: decorations 0 is no frame at all
        self.assertRegex(props, r"_MOTIF_WM_HINTS\(_MOTIF_WM_HINTS\) = 0x2, 0x[0-9a-f]+, 0x0")
        info = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True).stdout
        self.assertIn("Width: 182", info)
        self.assertIn("Height: 46", info)

        second = subprocess.Popen([os.path.join(self.home, "kurumin")], cwd=self.home)
        title = "Kurumin Error_01 [二重起動の防止]"

        def box():
            for app in atspi.applications("Kurumin"):
                try:
                    return atspi.find(app, title, timeout=0)
                except AssertionError:
                    pass
            return None

        atspi.press(wait_for("the Error_01 box", box, timeout=15), "OK")
        self.assertEqual(second.wait(10), 0)
        self.assertIsNone(self.panel.poll())  # the first one is untouched
        self.assertEqual(len(atspi.applications("Kurumin")), 1)


    def test_1_a_copied_range_sets_the_bounds_and_set_opens_the_first_page(self):
        url = f"{self.site}/g/p[01-05].html"
        self.copy(url)
        wait_for("the range taken up", lambda: self.text("txtNow") == url, timeout=5)
        self.assertEqual(self.text("下限リミッタ"), "01")
        self.assertEqual(self.text("上限リミッタ"), "05")
        self.assertEqual(self.opened().count(url), 0)  # a range opens nothing by itself
        self.press("[SET]")
        self.expect_page("/g/p01.html")

    def test_2_up_walks_to_the_bound_and_the_limiter_stops_it(self):
        for n in range(2, 6):
            self.press("UP")
            self.expect_page(f"/g/p{n:02}.html")
        before = len(self.opened())
        self.press("UP")
        self.close_box(LIMIT_TITLE)
        time.sleep(0.5)
        self.assertEqual(len(self.opened()), before)
        self.assertEqual(self.number(), "05")
        self.press("DWN")
        self.expect_page("/g/p04.html", times=2)

    def test_3_a_right_press_opens_the_step_window_beside_the_panel(self):
        x, y = atspi.centre(atspi.find(self.app, "-", "カウントダウン・ブラウズ"))
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "3"], check=True)
        self.window_geometry("Kurumin -")
        x, y = atspi.centre(atspi.find(self.app, "+", "カウントアップ・ブラウズ"))
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "3"], check=True)
        ux, uy = self.window_geometry("Kurumin +")
        px, py = self.window_geometry("Kurumin")
        self.assertEqual((ux - px, uy - py), (142, 46))  # 2130 x 685 twips at 96 DPI
        wait_for("the down window closed", lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", "^Kurumin -$"],  # noqa
            capture_output=True).returncode != 0, timeout=5)
        self.press("+10")  # tested against the bound before the step only
        self.expect_page("/g/p14.html")
        self.assertEqual(self.number(), "14")

    def test_4_holding_the_spin_button_counts_every_50_ms(self):
        self.press("ON")  # the limiter off
        # An accessible press is animated: it lands a moment later.
        atspi.find(self.app, "OFF", "数値リミット自動認識 On/Off", timeout=5)
        start = int(self.number())
        x, y = atspi.centre(atspi.find(self.app, "+", ""))
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "mousedown", "1"], check=True)
        time.sleep(1.0)
        subprocess.run(["xdotool", "mouseup", "1"], check=True)
        steps = int(self.number()) - start
        print(f"spin held 1 s: {steps} steps", file=sys.stderr)
        self.assertTrue(14 <= steps <= 22, steps)

    def test_5_a_plain_url_copied_twice_opens_once_and_pick_walks_it(self):
        self.copy(f"{self.site}/q/100000.html")
        self.expect_page("/q/100000.html")
        self.copy(f"{self.site}/q/100000.html")
        time.sleep(1.0)  # two watcher ticks
        self.assertEqual(self.count("/q/100000.html"), 1)
        now = atspi.find(self.app, "txtNow")
        address = atspi.text_of(now)
        digits = address.rindex("100000")
        atspi.select(now, digits, digits + 6)
        self.press("PICK")
        wait_for("the number picked", lambda: self.number() == "100000", timeout=5)
        self.press("DWN")  # as wide as the number picked
        self.expect_page("/q/099999.html")


if __name__ == "__main__":
    session.main(sys.argv.pop(1))
