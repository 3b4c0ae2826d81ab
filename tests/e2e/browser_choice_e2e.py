# The browser the user has: a confined-looking one named by BROWSER is never
# started; its pages go at once to the desktop's opener, said once on standard
# error and once in a box. A desktop whose default-browser lookup hangs does
# not keep the panel from showing.
# Run inside tests/desktop-session.sh: argv[1] is the kurumin binary.

import os
import stat
import sys

import atspi
import session
from session import wait_for

NOTICE = "ブラウザを操作できないため"


def script(path, body):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(f"#!/bin/sh\n{body}\n")
    os.chmod(path, stat.S_IRWXU)


class BrowserChoice(session.PanelSession):
    @classmethod
    def setUpClass(cls):
        cls.set_up_home("kurumin-choice-")
        cls.log = open(os.path.join(cls.home, "stderr"), "w+")
        cls.handed = os.path.join(cls.home, "handed")
        tools = os.path.join(cls.home, "tools")
        script(os.path.join(tools, "xdg-open"), f'echo "$1" >>"{cls.handed}"')
        os.environ["PATH"] = f"{tools}:{os.environ['PATH']}"

    def stderr(self):
        self.log.seek(0)
        return self.log.read()

    def notice(self):
        return atspi.first(self.app, lambda a: a.name.startswith(NOTICE))

    def restart(self, **env):
        if self.panel:
            self.panel.terminate()
            self.panel.wait(10)
        os.environ.update(env)
        self.log.truncate(0)
        type(self).start(stderr=self.log)

    def test_1_a_confined_browser_is_never_started_and_its_pages_go_to_the_opener(self):
        browser = os.path.join(self.home, "snap", "bin", "firefox")
        script(browser, f'touch "{self.home}/started"')
        self.restart(BROWSER=browser)
        for n in (1, 2):
            url = f"http://127.0.0.1:9/confined/p{n}.html"
            session.copy(url)
            wait_for(f"{url} handed to the opener",
                     lambda: url in session.read_bytes(self.handed).decode(), 5)
            if n == 1:
                wait_for("the notice", self.notice, 5)
                atspi.press(self.app, "OK")
                # The box goes after the press returns.
                wait_for("the notice closed", lambda: not self.notice(), 5)
        self.assertFalse(self.notice())
        self.assertFalse(os.path.exists(os.path.join(self.home, "started")))
        self.assertEqual(self.stderr().count("which is a confined"), 1, self.stderr())

    def test_2_the_panel_shows_while_the_desktop_lookup_hangs(self):
        config = os.path.join(self.home, "config")
        os.mkdir(config)
        os.mkfifo(os.path.join(config, "mimeapps.list"))  # read by the lookup: never answers
        os.environ.pop("BROWSER")
        self.restart(XDG_CONFIG_HOME=config)
        self.assertNotIn("the desktop did not say", self.stderr())
        wait_for("the lookup given up", lambda: "the desktop did not say" in self.stderr(), 10)


if __name__ == "__main__":
    session.main(sys.argv.pop(1))
