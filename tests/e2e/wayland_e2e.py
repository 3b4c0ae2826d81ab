# The panel on a Wayland session: it makes itself an X client through
# Xwayland, takes up copies made by Wayland and X programs, and follows the
# page in front of the browser it starts, itself an X client there.
# Run inside tests/wayland-session.sh: argv[1] is the kurumin binary.

import os
import subprocess
import sys

import atspi
import session
from keep_e2e import FIRST, SECOND, TitledPages, TitledSession, literal
from session import wait_for

FRONT_UNKNOWN = "the window in front cannot be known"


class Wayland(TitledSession):
    @classmethod
    def setUpClass(cls):
        cls.set_up_home("kurumin-wayland-", TitledPages)
        cls.log = open(os.path.join(cls.home, "stderr"), "w+")
        cls.start(stderr=cls.log)

    def test_1_the_panel_is_an_x_client_and_takes_up_copies_of_both_kinds(self):
        wait_for("the panel as an X window", lambda: session.run(
            "xdotool", "search", "--name", "^Kurumin$").split())
        subprocess.run(["wl-copy", self.url(FIRST)], check=True)
        wait_for("the Wayland copy opened", lambda: self.url(FIRST) in self.opened(), 30)
        self.open_by_copy(SECOND)  # an X program's copy

    def test_2_the_capture_follows_the_browser_window_in_front(self):
        for page in (SECOND, FIRST):
            self.window_of(page)
            # The focus given as a click on the window would.
            subprocess.run(["swaymsg", "-q", f'[title="^{literal(page[1])} - "] focus'], check=True)
            self.follows(page)
        self.log.seek(0)
        self.assertNotIn(FRONT_UNKNOWN, self.log.read())
        # The browser runs on the platform the user chose, not on the panel's.
        for pid in session.browser_processes(os.path.join(self.home, "browser-profile")):
            self.assertNotIn(b"QT_QPA_PLATFORM", session.read_bytes(f"/proc/{pid}/environ"))

    def test_3_as_a_wayland_client_it_says_once_that_it_cannot_follow(self):
        runtime = os.path.join(self.home, "runtime")  # the instance lock of a run of its own
        os.mkdir(runtime, 0o700)
        display = os.environ["WAYLAND_DISPLAY"]
        os.symlink(os.path.join(os.environ["XDG_RUNTIME_DIR"], display),
                   os.path.join(runtime, display))
        env = dict(os.environ, QT_QPA_PLATFORM="wayland", XDG_RUNTIME_DIR=runtime)
        with open(os.path.join(self.home, "wayland-stderr"), "w+") as log:
            other = subprocess.Popen([self.binary], cwd=self.home, env=env, stderr=log)
            wait_for("the panel on Wayland", lambda: len(atspi.applications("Kurumin")) > 1, 20)
            other.terminate()
            other.wait(10)
            log.seek(0)
            err = log.read()
        self.assertEqual(err.count(FRONT_UNKNOWN), 1, err)


if __name__ == "__main__":
    session.main(sys.argv.pop(1))
