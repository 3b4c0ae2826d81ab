"""The panel as a window of its own under a real window manager: tucked away
and back, dragged, the about window and its help page in a real Chromium,
and the memo tools over the real X clipboard.

Run inside tests/desktop-session.sh: argv[1] is the kurumin binary."""

import os
import subprocess
import sys
import time

import atspi
import session
from session import wait_for

ABOUT = "Kuruminについて..."
LINK = "オンラインヘルプの閲覧はココをクリック"


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                          check=True).stdout


def geometry(window):
    shell = dict(line.split("=", 1) for line in xdotool(
        "getwindowgeometry", "--shell", window).split())
    return int(shell["X"]), int(shell["Y"]), int(shell["WIDTH"]), int(shell["HEIGHT"])


def pixel(x, y):
    """The screen's colour at x, y as (r, g, b), 8 bits each."""
    out = subprocess.run(["convert", "x:root", "-crop", f"1x1+{x}+{y}", "-depth", "8",
                          "txt:-"], capture_output=True, text=True, check=True).stdout
    rgb = out.splitlines()[-1].split("(", 1)[1].split(")", 1)[0]
    return tuple(int(float(v)) for v in rgb.split(",")[:3])


def clipboard():
    r = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True)
    return r.stdout.decode() if r.returncode == 0 else ""


def copy(text):
    subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode(), check=True)


def visible(name):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                          capture_output=True, text=True).stdout.split()


class Window(session.PanelSession):
    @classmethod
    def setUpClass(cls):
        # Two monitors side by side on the one screen; the panel starts on the left one.
        for name, left, outputs in (("A", 0, "screen"), ("B", 800, "none")):
            subprocess.run(["xrandr", "--setmonitor", name, f"800/211x1000/265+{left}+0",
                            outputs], check=True, capture_output=True)
        cls.set_up_home("kurumin-window-", with_help=True)
        cls.start()
        cls.window = wait_for("the panel window", lambda: visible("^Kurumin$"), 10)[0]

    def background(self):
        """A point of the panel's own background: right of the × button, above the rows."""
        x, y, w, _ = geometry(self.window)
        return x + w - 1, y + 1

    def test_1_a_right_press_tucks_the_panel_to_the_left_edge_and_the_strip_brings_it_back(self):
        home = geometry(self.window)
        x, y = self.background()
        xdotool("mousemove", x, y, "click", 3)
        # Of the panel past the screen's left edge, only its 16-pixel strip shows.
        wait_for("the panel tucked away",
                 lambda: geometry(self.window)[:2] == (0, home[1]), timeout=5)
        lamp = (7, home[1] + 5)
        colours = set()
        wait_for("the lamp to blink", lambda: colours.add(pixel(*lamp)) or len(colours) >= 2,
                 timeout=5)
        self.assertEqual(colours, {(255, 0, 0), (128, 0, 0)})
        self.assertEqual(pixel(2, home[1] + 30), (0x40, 0x40, 0x40))  # the strip

        xdotool("mousemove", 4, home[1] + 30, "click", 1)
        wait_for("the panel back in place", lambda: geometry(self.window) == home, timeout=5)
        still = pixel(*lamp)
        time.sleep(1.0)
        self.assertEqual(pixel(*lamp), still)  # stopped

    def test_2_the_background_drags_the_panel_with_the_left_button(self):
        # Each drag moves by its own displacement, and the panel stays put after it.
        for dx, dy in ((-10, 20), (15, -10), (-10, 15)):
            x0, y0, w, h = geometry(self.window)
            x, y = self.background()
            xdotool("mousemove", x, y, "mousedown", 1)
            for step in range(1, 11):
                xdotool("mousemove", x + dx * step, y + dy * step)
                time.sleep(0.05)
            xdotool("mouseup", 1)
            # The window manager takes the move up from the first motion on.
            moved = lambda: (g := geometry(self.window))[2:] == (w, h) and \
                abs(g[0] - x0 - 9 * dx) <= abs(dx) and abs(g[1] - y0 - 9 * dy) <= abs(dy)
            try:
                wait_for("the panel dragged", moved, timeout=5)
            except AssertionError:
                self.fail(f"{(x0, y0, w, h)} dragged by {10 * dx, 10 * dy} "
                          f"to {geometry(self.window)}")
            after = geometry(self.window)
            xdotool("mousemove", x - 200, y + 300)
            time.sleep(0.5)
            self.assertEqual(geometry(self.window), after, "it follows the pointer")

    def test_3_on_the_right_monitor_the_strip_stays_at_its_left_edge(self):
        xdotool("windowmove", self.window, 1000, 300)
        wait_for("the panel on the right monitor", lambda: geometry(self.window)[0] == 1000, 5)
        home = geometry(self.window)
        xdotool("mousemove", *self.background(), "click", 3)
        wait_for("the strip at the right monitor's edge",
                 lambda: geometry(self.window)[:2] == (800, 300), timeout=5)
        self.assertEqual(pixel(802, 330), (0x40, 0x40, 0x40))
        xdotool("mousemove", 804, 330, "click", 1)
        wait_for("the panel back in place", lambda: geometry(self.window) == home, timeout=5)

    def test_4_help_shows_the_about_window_whose_link_opens_our_help_page(self):
        atspi.press(self.app, "▼", "詳細")
        atspi.press(self.app, "HELP")
        about = wait_for("the about window", lambda: visible(f"^{ABOUT}$"), 10)[0]
        self.assertEqual(geometry(about)[2:], (312, 174))
        atspi.press(self.app, "HELP")
        self.assertEqual(visible(f"^{ABOUT}$"), [about])

        atspi.press(self.app, LINK)
        page = "file://" + os.path.join(self.home, "help", "index.html")
        wait_for("the help page in the browser",
                 lambda: (page, "Kurumin ヘルプ") in session.pages(self.home), timeout=40)
        wait_for("the about window closed", lambda: not visible(f"^{ABOUT}$"), 10)

    def test_5_input_output_and_cls_trade_text_with_the_x_clipboard(self):
        copy("くるみのメモ")
        atspi.press(self.app, "INPUT", "クリップボードから取込み")
        memo = atspi.find(self.app, "txtMemo")
        wait_for("the memo filled", lambda: atspi.text_of(memo) == "くるみのメモ", 5)

        copy("something else")
        atspi.press(self.app, "OUTPUT", "クリップボードへ送る")
        wait_for("the memo on the clipboard", lambda: clipboard() == "くるみのメモ", 5)

        atspi.press(self.app, "CLS", "クリップボードとKuruminのクリア")
        wait_for("the clipboard emptied", lambda: clipboard() == "", 5)
        self.assertEqual(self.panel.poll(), None)


if __name__ == "__main__":
    session.main(sys.argv.pop(1))
