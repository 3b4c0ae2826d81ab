"""The page in front kept and noted: real Chromium windows, the real window
manager's focus, AT-SPI presses and the files read back.

Run inside tests/desktop-session.sh: argv[1] is the kurumin binary."""

import datetime
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

import atspi
from stepping_e2e import Pages, end_browser, wait_for

BINARY = None
TITLE_TIP = "【タイトル付きＵＲＬ保存】\u3000"


class KeepAndHistory(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.home = os.path.realpath(tempfile.mkdtemp(prefix="kurumin-keep-"))
        cls.binary = os.path.join(cls.home, "kurumin")
        shutil.copy(BINARY, cls.binary)
        os.mkdir(os.path.join(cls.home, "REC"))
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Pages)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.site = f"http://127.0.0.1:{cls.server.server_port}"
        cls.start()

    @classmethod
    def start(cls):
        cls.panel = subprocess.Popen([cls.binary], cwd=cls.home)
        cls.app = atspi.application("Kurumin", timeout=20)

    @classmethod
    def stop(cls):
        cls.panel.terminate()
        try:
            cls.panel.wait(10)
        except subprocess.TimeoutExpired:
            cls.panel.kill()
        wait_for("the panel gone from AT-SPI", lambda: not atspi.applications("Kurumin"), 10)

    @classmethod
    def tearDownClass(cls):
        cls.stop()
        end_browser(os.path.join(cls.home, "browser-profile"))
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.home, ignore_errors=True)

    def copy(self, text):
        subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode(), check=True)

    def window_of(self, title):
        """The browser window whose front page has this title."""
        found = wait_for(f"a window titled {title}", lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", f"^{title} - "],
            capture_output=True, text=True).stdout.split(), timeout=20)
        return found[0]

    def trec_tip(self):
        return atspi.find(self.app, "TREC").description

    def test_the_page_in_front_is_kept_and_noted_and_the_list_outlives_a_restart(self):
        first, second = "/k/first.html", "/k/second.html"
        for path in (first, second):
            self.copy(self.site + path)
            self.window_of(path)
        # The first page's window in front, as a click into it would make it.
        subprocess.run(["xdotool", "windowactivate", "--sync", self.window_of(first)], check=True)
        wait_for("the capture of the first page",
                 lambda: self.trec_tip() == TITLE_TIP + first, timeout=10)

        atspi.press(self.app, "▼", "詳細")
        atspi.find(self.app, "▲", "詳細")
        atspi.press(self.app, "KEEP", "URLをリストに保存")
        ini = os.path.join(self.home, "URL.ini")
        expected = (f"[KeepCount]\r\nCount=1\r\n[KeepURL]\r\nName0={first}\r\n"
                    f"URL0={self.site}{first}\r\n").encode()

        def stored():
            try:
                with open(ini, "rb") as f:
                    return f.read()
            except OSError:
                return b""
        wait_for("URL.ini written", lambda: stored() == expected, timeout=5)
        atspi.find(self.app, "1", "リスト保存件数")

        atspi.press(self.app, "REC", "ＵＲＬのみ履歴の保存")
        atspi.press(self.app, "TREC")
        day = datetime.date.today().strftime("%m%d")
        history = os.path.join(self.home, "REC", f"URL-{day}.txt")
        url = f'"{self.site}{first}"'
        expected_history = f'{url}\r\n\r\n"{first}"\r\n{url}\r\n'.encode()

        def noted():
            try:
                with open(history, "rb") as f:
                    return f.read()
            except OSError:
                return b""
        wait_for("the history written", lambda: noted() == expected_history, timeout=5)

        type(self).stop()
        type(self).start()
        self.app = type(self).app
        atspi.find(self.app, "1", "リスト保存件数", timeout=10)
        self.assertIn(first, atspi.names(self.app))


if __name__ == "__main__":
    BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
