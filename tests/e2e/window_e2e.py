# The panel as a window of its own under a real window manager: tucked away
# and back (the random sessions drag it), the about window and its help page
# in a real Chromium, and a key held over a box. (The memo tools are the unit
# tests'; the real X clipboard, the clipboard tests'.)
# Run inside tests/desktop-session.sh: argv[1] is the kurumin binary.

import os
import sys
import time

import atspi
import session
from session import pixel, run, settles, visible, wait_for, window_info, xdotool

ABOUT = "Kuruminについて..."
NO_PAGE = "^Kurumin　Erroｒ_07$"


class Window(session.PanelSession):
    @classmethod
    def setUpClass(cls):
        cls.set_up_home("kurumin-window-", with_help=True)
        cls.start()
        cls.window = wait_for("the panel window", lambda: visible("^Kurumin$"), 10)[0]

    def geometry(self):
        return window_info(self.window)[:4]

    def test_1_a_right_press_tucks_the_panel_to_the_left_edge_and_the_strip_brings_it_back(self):
        home = self.geometry()
        # The panel's own background: right of the × button, above the rows.
        xdotool("mousemove", home[0] + home[2] - 1, home[1] + 1, "click", 3)
        # Of the panel past the screen's left edge, only its 16-pixel strip shows.
        wait_for("the panel tucked away", lambda: self.geometry()[:2] == (0, home[1]), 5)
        lamp = (7, home[1] + 5)
        colours = set()
        wait_for("the lamp to blink", lambda: colours.add(pixel(*lamp)) or len(colours) >= 2, 5)
        self.assertEqual(colours, {(255, 0, 0), (128, 0, 0)})
        self.assertEqual(pixel(2, home[1] + 30), (0x40, 0x40, 0x40))  # the strip

        xdotool("mousemove", 4, home[1] + 30, "click", 1)
        wait_for("the panel back in place", lambda: self.geometry() == home, 5)

    def test_2_help_shows_the_about_window_whose_link_opens_our_help_page(self):
        atspi.press(self.app, "▼", "詳細")
        atspi.press(self.app, "HELP")
        about = wait_for("the about window", lambda: visible(f"^{ABOUT}$"), 10)[0]
        self.assertEqual(window_info(about)[2:4], (312, 174))

        atspi.press(self.app, "オンラインヘルプの閲覧はココをクリック")
        page = "file://" + os.path.join(self.home, "help", "index.html")
        wait_for("the help page in the browser",
                 lambda: (page, "Kurumin ヘルプ") in session.pages(self.home), timeout=40)
        wait_for("the about window closed", lambda: not visible(f"^{ABOUT}$"), 10)

    # What a unit test could only assume of the repeats of a held key: the real X server's.
    def test_3_a_key_sent_to_a_box_leaves_no_control_dead(self):
        # Sent to the box in front, the key goes in as typed and closes it; its release, sent
        # to the box gone, is lost: the key repeats as held until a release comes.
        try:
            for _ in range(3):
                atspi.press(self.app, "KEEP", "URLをリストに保存")  # no page to keep
                box = wait_for("the box", lambda: visible(NO_PAGE), 5)[0]
                time.sleep(1.5)  # the repeats have begun
                self.assertEqual(visible(NO_PAGE), [box])
                # A press of the key held is a repeat, the next one is new.
                self.assertTrue(any(run("xdotool", "key", "--window", box, "Return") is not None
                                    and settles(lambda: not visible(NO_PAGE), 1) for _ in range(3)))
        finally:
            xdotool("keyup", "Return")


if __name__ == "__main__":
    session.main(sys.argv.pop(1))
