# The page in front kept: real browser windows, the real window manager's
# focus, AT-SPI presses and the list's file read back. Chromium, or Firefox
# with BROWSER=firefox-esr. (What REC and TREC write, the unit and file-fault
# tests read back; the list loaded at a restart, the random sessions.)
# Run inside tests/desktop-session.sh: argv[1] is the kurumin binary.

import os
import sys

import atspi
import session
from session import copy, read_bytes, run, settles, visible, wait_for, xdotool

TITLE_TIP = "【タイトル付きＵＲＬ保存】\u3000"
NO_TITLE_TIP = "ブラウザページタイトル取得情報なし"
# Japanese titles: a file written in any code page but UTF-8 shows at once. The
# "=" and the query's "=" and "&" are the profile file's own separator.
FIRST = ("/k/first.html?n=1&m=2", "くるみ 一頁目 = first")
SECOND = ("/k/second.html", "くるみ 二頁目")
# Put into the name box through the accessibility interface, as an input tool does.
NAME = "くるみの表紙"


# Looks for anything of the panel's in the page's own world, now or once
# the panel has followed the page a while, and says what it found in its title.
PROBE = ("/k/probe.html", "probe:")


class TitledPages(session.Pages):
    titles = dict((FIRST, SECOND))
    scripts = {PROBE[0]: "setTimeout(() => { document.title = 'probe:' + "
               "Object.getOwnPropertyNames(window).filter((n) => /kurumin/i.test(n)); }, 1500);"}


# `text` as a POSIX extended regular expression that matches only itself.
def literal(text):
    return "".join("\\" + c if c in ".[]()*+?{}|^$\\" else c for c in text)


# How each browser names its windows, and whether what it asks for is what it shows.
FIREFOX = os.path.basename(os.path.realpath(os.environ.get("BROWSER", ""))).startswith("firefox")
CLASS, BRAND = ("firefox-esr", " \u2014 Mozilla Firefox") if FIREFOX else ("chromium", " - Chromium")


class TitledSession(session.PanelSession):
    @classmethod
    def setUpClass(cls):
        cls.set_up_home("kurumin-keep-", TitledPages)
        cls.ini = os.path.join(cls.home, "URL.ini")
        url = cls.site + FIRST[0]
        cls.kept_ini = (f"[KeepCount]\r\nCount=2\r\n[KeepURL]\r\nName0={FIRST[1]}\r\nURL0={url}"
                        f"\r\nName1={NAME}\r\nURL1={url}\r\n").encode()
        cls.start()
        atspi.press(cls.app, "▼", "詳細")  # TREC and the list show unfolded

    def url(self, page):
        return self.site + page[0]

    def open_by_copy(self, page):
        copy(self.url(page))
        wait_for(f"{page[0]} listed by the browser",
                 lambda: self.url(page) in self.opened(), timeout=30)

    def window_of(self, page):
        return wait_for(f"a window titled {page[1]}",
                        lambda: visible(f"^{literal(page[1] + BRAND)}"), timeout=20)[0]

    def bring_to_front(self, page):
        xdotool("windowactivate", "--sync", self.window_of(page))

    # The browser's windows, not its popups (the address bar's suggestions).
    def browser_windows(self):
        return [w for w in run("xdotool", "search", "--onlyvisible", "--class", CLASS).split()
                if run("xdotool", "getwindowname", w).strip().endswith(BRAND)]

    # Firefox lists its pages to no one but the panel: the pages it asked for stand in.
    def opened(self):
        if not FIREFOX:
            return super().opened()
        return [self.site + path for path in session.Pages.asked]

    def trec_tip(self):
        return atspi.find(self.app, "TREC").description

    # The panel's capture names `page`, and keeps naming it over a few ticks.
    def follows(self, page):
        tip = TITLE_TIP + page[1]
        wait_for(f"the capture of {page[0]}", lambda: self.trec_tip() == tip, timeout=10)
        self.assertFalse(settles(lambda: self.trec_tip() != tip, 1.5), self.trec_tip())


class KeepAndHistory(TitledSession):
    def test_1_the_capture_follows_the_browser_window_in_front(self):
        self.open_by_copy(FIRST)
        self.assertEqual(self.opened(), [self.url(FIRST)])
        self.open_by_copy(SECOND)
        self.assertEqual(self.opened().count(self.url(FIRST)), 1)
        # The pages' windows and no other: a window the browser started with
        # would show by the time the second page's does.
        self.window_of(FIRST)
        self.window_of(SECOND)
        self.assertEqual(len(self.browser_windows()), 2, self.browser_windows())
        # Both ways round: a capture stuck on the first or the last page opened
        # fails. The first window's address bar holds the focus, which it keeps
        # when it comes to the front again: its page still counts.
        self.bring_to_front(FIRST)
        xdotool("key", "--clearmodifiers", "ctrl+l")
        self.bring_to_front(SECOND)
        self.follows(SECOND)
        self.bring_to_front(FIRST)
        self.follows(FIRST)
        # A new tab, its box holding the focus, is a browser page that is no web page.
        xdotool("key", "--clearmodifiers", "ctrl+t")
        wait_for("the new tab's page counted", lambda: self.trec_tip() == NO_TITLE_TIP, timeout=10)
        xdotool("key", "--clearmodifiers", "ctrl+w")
        self.follows(FIRST)

    def test_2_keep_writes_the_page_in_front_to_the_list(self):
        # The button, not the "KEEP" label beside the list; first under the
        # page's title, then under the name put into the name box.
        atspi.press(self.app, "KEEP", "URLをリストに保存")
        atspi.find(self.app, "1", "リスト保存件数")
        name_box = atspi.find(self.app, "登録名")
        name_box.queryEditableText().setTextContents(NAME)
        atspi.press(self.app, "KEEP", "URLをリストに保存")
        # What the list and the boxes show after, the unit tests and the random sessions check.
        wait_for("URL.ini written", lambda: read_bytes(self.ini) == self.kept_ini, timeout=5)

    def test_4_a_page_finds_nothing_of_the_panels_in_its_world(self):
        self.open_by_copy(PROBE)
        self.follows(PROBE)


if __name__ == "__main__":
    session.main(sys.argv.pop(1))
