"""The walk of keep_e2e.py on Firefox, and what is Firefox's own: a panel
killed with SIGKILL and started again opens the next page in the same Firefox,
whose one session the killed panel held.

Run inside tests/desktop-session.sh: argv[1] is the kurumin binary."""

import os
import shutil
import signal
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
# Named as Debian names it: a link to a link to firefox-esr.
_links = tempfile.mkdtemp(prefix="kurumin-alternatives-")
os.symlink("/usr/bin/firefox-esr", os.path.join(_links, "alternatives"))
os.symlink(os.path.join(_links, "alternatives"), os.path.join(_links, "x-www-browser"))
os.environ["BROWSER"] = os.path.join(_links, "x-www-browser")

import atspi  # noqa: E402
import keep_e2e  # noqa: E402
import session  # noqa: E402
from session import copy, visible, wait_for  # noqa: E402


class FirefoxWalk(keep_e2e.KeepAndHistory):
    def test_6_a_panel_killed_and_started_again_drives_the_same_firefox(self):
        profile = os.path.join(self.home, "firefox-profile")
        browser = session.browser_processes(profile)
        self.panel.send_signal(signal.SIGKILL)
        self.panel.wait()
        wait_for("the panel gone from AT-SPI", lambda: not atspi.applications("Kurumin"), 10)
        type(self).start()
        self.app = type(self).app
        url = f"{self.site}/g/q[01-03].html"
        copy(url)
        wait_for("the range taken up",
                 lambda: atspi.text_of(atspi.find(self.app, "txtNow")) == url, timeout=10)
        started = time.monotonic()
        atspi.press(self.app, "[SET]")
        # Its own window, found by its title: a count of windows also counts
        # one the browser closes meanwhile.
        wait_for("the page in a window of its own",
                 lambda: visible(f"^{keep_e2e.literal('/g/q01.html' + keep_e2e.BRAND)}$"),
                 timeout=30)
        # How soon is the benchmarks' to say; printed here for the record.
        took = time.monotonic() - started
        print(f"\nafter the kill, the next page opened in {took * 1000:.0f} ms", file=sys.stderr)
        self.assertEqual(session.browser_processes(profile), browser)


if __name__ == "__main__":
    try:
        session.main(sys.argv.pop(1))
    finally:
        shutil.rmtree(_links, ignore_errors=True)
