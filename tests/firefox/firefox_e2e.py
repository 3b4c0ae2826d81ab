"""Firefox driven end to end: a copied range walked with UP and DWN opens each
page in a new Firefox window, KEEP saves the page in front, and a panel killed
with SIGKILL and started again opens the next page in the same Firefox.

Run inside tests/desktop-session.sh: argv[1] is the kurumin binary."""

import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

import atspi  # noqa: E402
import session  # noqa: E402
from session import wait_for  # noqa: E402

TITLE_TIP = "【タイトル付きＵＲＬ保存】\u3000"
BRAND = " \u2014 Mozilla Firefox"


def firefox_processes(profile):
    """Main Firefox processes on `profile`; content processes say -contentproc."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                words = f.read().split(b"\0")
        except OSError:
            continue
        if profile.encode() in words and b"-contentproc" not in words:
            found.append(int(pid))
    return found


def window_titles():
    """Titles of the visible Firefox windows, one per window."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "firefox-esr"],
                           capture_output=True, text=True, timeout=10).stdout.split()
    titles = {}
    for window in found:
        name = subprocess.run(["xdotool", "getwindowname", window], capture_output=True,
                              text=True, timeout=10).stdout.strip()
        if name.endswith("Mozilla Firefox"):
            titles[window] = name[: -len(BRAND)] if name.endswith(BRAND) else ""
    return titles


class FirefoxWalk(session.PanelSession):
    @classmethod
    def setUpClass(cls):
        cls.set_up_home("kurumin-firefox-", session.Pages)
        # Debian's alternative of its own: a link to a link to firefox-esr.
        alternative = os.path.join(cls.home, "alternatives")
        os.symlink("/usr/bin/firefox-esr", alternative)
        os.symlink(alternative, os.path.join(cls.home, "x-www-browser"))
        os.environ["BROWSER"] = os.path.join(cls.home, "x-www-browser")
        cls.profile = os.path.join(cls.home, "firefox-profile")
        cls.addClassCleanup(cls.end_firefox)
        cls.start()

    @classmethod
    def end_firefox(cls):
        for pid in firefox_processes(cls.profile):
            os.kill(pid, signal.SIGTERM)
            try:
                wait_for(f"firefox {pid} to exit", lambda: not session.alive(pid), 15)
            except AssertionError:
                os.kill(pid, signal.SIGKILL)

    def copy(self, text):
        subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode(), check=True)

    def walk_to(self, press, path, windows):
        """`press` opens `path` in a window of its own, the windows now `windows`."""
        atspi.press(self.app, press)
        wait_for(f"{path} in a window of its own", lambda: len(
            [t for t in window_titles().values() if t == path]) >= 1 and
            len(window_titles()) == windows, timeout=30)

    def test_1_a_range_walked_with_up_and_dwn_opens_each_page_in_a_new_window(self):
        url = f"{self.site}/f/p[01-04].html"
        self.copy(url)
        wait_for("the range taken up",
                 lambda: atspi.text_of(atspi.find(self.app, "txtNow")) == url, timeout=5)
        # The blank window of the Firefox just started takes the first page.
        self.walk_to("[SET]", "/f/p01.html", 1)
        self.walk_to("UP", "/f/p02.html", 2)
        self.walk_to("UP", "/f/p03.html", 3)
        self.walk_to("DWN", "/f/p02.html", 4)
        self.assertEqual(len(firefox_processes(self.profile)), 1)

    def test_2_keep_saves_the_page_in_front(self):
        window = next(w for w, t in window_titles().items() if t == "/f/p03.html")
        subprocess.run(["xdotool", "windowactivate", "--sync", window], check=True, timeout=10)
        atspi.press(self.app, "▼", "詳細")
        atspi.find(self.app, "▲", "詳細")
        wait_for("the capture of p03", lambda: atspi.find(self.app, "TREC").description ==
                 TITLE_TIP + "/f/p03.html", timeout=10)
        atspi.press(self.app, "KEEP", "URLをリストに保存")
        atspi.find(self.app, "1", "リスト保存件数")
        with open(os.path.join(self.home, "URL.ini"), "rb") as f:
            self.assertIn(f"URL0={self.site}/f/p03.html\r\n".encode(), f.read())

    def test_3_a_panel_killed_and_started_again_drives_the_same_firefox(self):
        browser = firefox_processes(self.profile)
        windows = len(window_titles())
        self.panel.send_signal(signal.SIGKILL)
        self.panel.wait()
        wait_for("the panel gone from AT-SPI", lambda: not atspi.applications("Kurumin"), 10)
        type(self).start()
        url = f"{self.site}/g/q[01-03].html"
        self.copy(url)
        wait_for("the range taken up",
                 lambda: atspi.text_of(atspi.find(self.app, "txtNow")) == url, timeout=10)
        started = time.monotonic()
        self.walk_to("[SET]", "/g/q01.html", windows + 1)
        took = time.monotonic() - started
        print(f"\nafter the kill, the next page opened in {took * 1000:.0f} ms", file=sys.stderr)
        self.assertLess(took, 2.0)
        self.assertEqual(firefox_processes(self.profile), browser)


if __name__ == "__main__":
    session.main(sys.argv.pop(1))
