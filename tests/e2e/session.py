# What every end-to-end script shares: a private copy of the panel in a folder
# of its own, a local web server, what the test's browser shows over its
# DevTools port, the desktop's tools, and the panel and that browser ended.

import contextlib
import http.server
import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import unittest
import urllib.request

import Xlib.display
import Xlib.error
import Xlib.X

import atspi
from atspi import settles, wait_for  # noqa: F401  (the scripts take them from here)

SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lsan.supp")


def run(*args, check=False):
    return subprocess.run(list(map(str, args)), capture_output=True, text=True, check=check,
                          timeout=30).stdout


def xdotool(*args):
    return run("xdotool", *args, check=True)


# Ids of the shown windows whose title matches the regular expression `name`.
def visible(name):
    return run("xdotool", "search", "--onlyvisible", "--name", name).split()


def copy(text):
    subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode(), check=True)


# One connection to the display for every question the scripts ask of it: a
# tool started per question cost a session most of its time.
_display = None


def display():
    global _display
    if _display is None:
        _display = Xlib.display.Display()
    return _display


def _window(wid):  # an id as the tools print it, hex or decimal
    return display().create_resource_object("window", int(wid, 0) if isinstance(wid, str) else wid)


# A property's values (a list of numbers, or text), None when it is not set
# or the window is gone.
def prop(wid, name):
    d = display()
    try:
        p = _window(wid).get_full_property(d.intern_atom(name), Xlib.X.AnyPropertyType)
    except Xlib.error.XError:
        return None
    if p is None:
        return None
    return p.value.decode("utf-8", "replace") if isinstance(p.value, bytes) else list(p.value)


def root_prop(name):
    return prop(display().screen().root.id, name)


# x, y, width, height and whether it is shown; None for a window gone.
def window_info(wid):
    d = display()
    try:
        w = _window(wid)
        g = w.get_geometry()
        at = d.screen().root.translate_coords(w, 0, 0)
        shown = w.get_attributes().map_state == Xlib.X.IsViewable
    except Xlib.error.XError:
        return None
    return at.x - g.border_width, at.y - g.border_width, g.width, g.height, shown


# The screen's colour at x, y as (r, g, b), 8 bits each.
def pixel(x, y):
    data = display().screen().root.get_image(x, y, 1, 1, Xlib.X.ZPixmap, 0xFFFFFFFF).data
    return data[2], data[1], data[0]  # a 24-bit screen's pixels are B, G, R, pad


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def alive(pid):  # neither gone nor a zombie
    return read_bytes(f"/proc/{pid}/stat").rpartition(b")")[2].split()[:1] not in ([], [b"Z"])


# Main browser processes on `profile`, by their argv as given or rewritten into one
# string; Chromium's helpers carry a --type= of their own, Firefox's -contentproc.
def browser_processes(profile):
    names = (f"--user-data-dir={profile}".encode(), profile.encode())
    argv = {int(p): read_bytes(f"/proc/{p}/cmdline").replace(b"\0", b" ").split()
            for p in os.listdir("/proc") if p.isdigit()}
    return [p for p, words in argv.items() if any(n in words for n in names) and
            not any(w.startswith(b"--type=") or w == b"-contentproc" for w in words)]


# The browser outlives the panel by design; this one is the test's.
def end_browser(profile):
    for pid in browser_processes(profile):
        for sig, timeout in ((signal.SIGTERM, 15), (signal.SIGKILL, 5)):
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, sig)
            if settles(lambda: not alive(pid), timeout):
                break


def devtools(home, path):
    with open(os.path.join(home, "browser-profile", "DevToolsActivePort")) as f:
        port = f.readline().strip()
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/{path}", timeout=5) as r:
        return r.read()


# (address, title) of every page of the browser on `home`'s profile.
def pages(home):
    try:
        targets = json.loads(devtools(home, "list"))
    except (OSError, ValueError):
        return []
    return [(t["url"], t.get("title", "")) for t in targets if t.get("type") == "page"]


# Every path a page titled after it, or after `titles` where it is listed,
# running the script `scripts` holds for it; the paths asked for are noted.
class Pages(http.server.BaseHTTPRequestHandler):
    titles = {}
    scripts = {}
    asked = []

    def do_GET(self):
        if self.path != "/favicon.ico":
            self.asked.append(self.path)
        title = self.titles.get(self.path, self.path)
        body = (f'<html><head><meta charset="utf-8"><title>{title}</title></head>'
                f"<body>{title}<script>{self.scripts.get(self.path, '')}</script></body>"
                "</html>").encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


# A copy of the binary in a folder of its own, started there.
class PanelSession(unittest.TestCase):
    BINARY = None

    @classmethod
    def set_up_home(cls, prefix, handler=None, with_help=False):
        cls.home = os.path.realpath(tempfile.mkdtemp(prefix=prefix))
        cls.panel = cls.server = None
        cls.addClassCleanup(cls.clean_up)
        cls.binary = os.path.join(cls.home, "kurumin")
        shutil.copy(cls.BINARY, cls.binary)
        if with_help:
            shutil.copytree(os.path.join(os.path.dirname(cls.BINARY), "help"),
                            os.path.join(cls.home, "help"))
        os.mkdir(os.path.join(cls.home, "REC"))
        if handler:
            cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
            threading.Thread(target=cls.server.serve_forever, daemon=True).start()
            cls.site = f"http://127.0.0.1:{cls.server.server_port}"

    @classmethod
    def start(cls, stderr=None):
        env = {"LSAN_OPTIONS": f"suppressions={SUPPRESSIONS}:print_suppressions=0", **os.environ}
        cls.panel = subprocess.Popen([cls.binary], cwd=cls.home, env=env, stderr=stderr)
        cls.app = wait_for("the panel on AT-SPI", lambda: atspi.applications("Kurumin"), 20)[0]

    @classmethod
    def clean_up(cls):
        if cls.panel is not None:
            cls.panel.terminate()
            if not settles(lambda: cls.panel.poll() is not None, 10):
                cls.panel.kill()
            cls.panel.wait()
        for profile in ("browser-profile", "firefox-profile"):
            end_browser(os.path.join(cls.home, profile))
        if cls.server:
            cls.server.shutdown()
            cls.server.server_close()
        shutil.rmtree(cls.home, ignore_errors=True)

    # Every address the browser shows in a page.
    def opened(self):
        return [url for url, _ in pages(self.home)]


def main(binary):
    PanelSession.BINARY = os.path.abspath(binary)
    unittest.main(verbosity=2, failfast=True)
