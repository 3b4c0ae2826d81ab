"""The panel on a Wayland session: it makes itself an X client through
Xwayland, takes up copies made by Wayland and X programs, and follows the
page in front of the browser it starts, itself an X client there.

Run inside tests/wayland-session.sh: argv[1] is the kurumin binary."""

import os
import subprocess
import sys

import atspi
import keep_e2e
import session
from session import wait_for

FRONT_UNKNOWN = "the window in front cannot be known"


def on_top(title):
    """Gives the window titled `title` the focus, as a click on it would."""
    subprocess.run(["swaymsg", "-q", f'[title="^{keep_e2e.literal(title)} - "] focus'],
                   check=True)


class Wayland(keep_e2e.KeepAndHistory):
    @classmethod
    def setUpClass(cls):
        cls.set_up_home("kurumin-wayland-", keep_e2e.TitledPages)
        cls.log = open(os.path.join(cls.home, "stderr"), "w+")
        env = dict(os.environ)
        env.setdefault("LSAN_OPTIONS",
                       f"suppressions={session.SUPPRESSIONS}:print_suppressions=0")
        cls.panel = subprocess.Popen([cls.binary], cwd=cls.home, env=env, stderr=cls.log)
        cls.app = atspi.application("Kurumin", timeout=20)

    def test_1_the_panel_is_an_x_client_and_takes_up_copies_of_both_kinds(self):
        wait_for("the panel as an X window", lambda: subprocess.run(
            ["xdotool", "search", "--name", "^Kurumin$"], capture_output=True).returncode == 0)
        subprocess.run(["wl-copy", self.url(keep_e2e.FIRST)], check=True)
        wait_for("the Wayland copy opened", lambda: self.url(keep_e2e.FIRST) in self.opened(),
                 timeout=30)
        self.open_by_copy(keep_e2e.SECOND)  # an X program's copy

    def test_2_the_capture_follows_the_browser_window_in_front(self):
        for page in (keep_e2e.SECOND, keep_e2e.FIRST):
            self.window_of(page)
            on_top(page[1])
            self.follows(page)
        self.log.seek(0)
        self.assertNotIn(FRONT_UNKNOWN, self.log.read())

    def test_3_as_a_wayland_client_it_says_once_that_it_cannot_follow(self):
        runtime = os.path.join(self.home, "runtime")  # the instance lock of a run of its own
        os.mkdir(runtime, 0o700)
        display = os.environ["WAYLAND_DISPLAY"]
        os.symlink(os.path.join(os.environ["XDG_RUNTIME_DIR"], display),
                   os.path.join(runtime, display))
        env = dict(os.environ, QT_QPA_PLATFORM="wayland", XDG_RUNTIME_DIR=runtime)
        with open(os.path.join(self.home, "wayland-stderr"), "w+") as log:
            other = subprocess.Popen([self.binary], cwd=self.home, env=env, stderr=log)
            wait_for("the panel on Wayland", lambda: len(atspi.applications("Kurumin")) > 1,
                     timeout=20)
            other.terminate()
            other.wait(10)
            log.seek(0)
            err = log.read()
        self.assertEqual(err.count(FRONT_UNKNOWN), 1, err)

    # The keep list and history walks are the X session's.
    test_2_keep_writes_the_page_in_front_to_the_list = None
    test_3_rec_and_trec_append_to_the_day_file = None
    test_4_the_list_outlives_a_restart = None
    test_1_the_capture_follows_the_browser_window_in_front = None


if __name__ == "__main__":
    session.main(sys.argv.pop(1))
