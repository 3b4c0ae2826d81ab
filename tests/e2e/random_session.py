"""A seeded random session on the real panel, as a restless person would use
it: real pointer and key events on every control, the step windows and the
boxes, copies through the real clipboard and browser windows brought to the
front, with what a person would see checked after every action.

Run inside tests/desktop-session.sh (or through scripts/random-session.sh):
    random_session.py BINARY [--seed N] [--actions N] [--keep-going] [--skip KIND]
                      [--replay LOG]
A failing run prints the actions that led to the fault, one JSON list a line;
--replay takes such lines back (geometry is resolved anew at each action).
--keep-going notes a fault, starts a new panel if need be and goes on."""

import argparse
import datetime
import json
import os
import random
import re
import subprocess
import sys
import time
import urllib.request

import pyatspi

import atspi
import session
from session import wait_for
from window_e2e import copy, pixel, xdotool

HERE = os.path.dirname(os.path.abspath(__file__))
TABLE = open(os.path.join(HERE, "..", "..", "src", "panel", "controls.def")).read()
# name -> (kind, x, y, w, h, tooltip), pixels from the panel window's corner;
# the strip's controls lie right of the panel's width and show only when tucked.
CONTROLS = {m[0]: (m[1], *map(int, m[3:])) + (m[2],) for m in re.findall(
    r'KURUMIN_CONTROL\(\s*\w+,\s*"([^"]+)",\s*(\w+),\s*"[^"]*",\s*"([^"]*)",'
    r"\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+),\s*\w+,\s*\w+,\s*true", TABLE) if m[1] != "Form"}
STEP_LABELS = {int(i): int(top) // 15 for i, _, top in
               re.findall(r"KURUMIN_STEP_LABEL\((\d+),\s*(\d+),\s*(\d+)\)", TABLE)}
EXITS = {"Command6(0)", "Command6(1)", "lblEXIT"}
EXIT_TIP = "Kuruminの終了"
# Steps, keeps and the step windows' openers more often; an exit seldom, as
# each one costs a restart.
WEIGHTS = dict.fromkeys(["lblUP", "lblDWN", "Label1", "UPbutton", "DWNbutton", "lblAuto",
                         "lblLIMIT", "Command3", "Command4", "Command2", "lblOPEN"], 3)
WEIGHTS |= dict.fromkeys(EXITS, 0.2)
# Drags the panel by design; every other control keeps it still.
DRAG_AREAS = {"bg", "Pic1", "Picture1"}
# Hands a file to the desktop's own program: outside what this session watches.
LEFT_OUT = {"Label8"}
WIDTH, STRIP = 182, 16
# A tucked panel's window may be wider than its strip, for window managers that
# keep more of a window on screen; it shows the strip alone.
TUCKED = range(STRIP, 49)
TEXT_BOXES = ("TextBox", "MemoBox")  # a right press opens their menu, when enabled
ABOUT = "Kuruminについて..."
KINDS = {"click": 30, "double": 12, "right": 8, "hold": 6, "drag": 8, "key": 12, "copy": 12,
         "front": 6}
SANITIZER = re.compile(rb"ERROR: (Address|Leak)Sanitizer|runtime error:|ThreadSanitizer")


class Fault(Exception):
    def __init__(self, message, lasting=True):
        super().__init__(message)
        self.lasting = lasting  # the panel is left in a state a new one must replace


def xprop(*args):
    return subprocess.run(["xprop", *args], capture_output=True, text=True).stdout


def window_info(wid):
    out = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True).stdout
    f = dict(l.strip().split(": ", 1) for l in out.splitlines() if ": " in l)
    if "Width" not in f:
        return None
    return (int(f["Absolute upper-left X"]), int(f["Absolute upper-left Y"]),
            int(f["Width"]), int(f["Height"]), f["Map State"] == "IsViewable")


def monitors():
    out = subprocess.run(["xrandr", "--listmonitors"], capture_output=True, text=True).stdout
    return [tuple(map(int, m)) for m in
            re.findall(r"(\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+)", out)]  # w, h, x, y


def shown(name, g):
    c = CONTROLS[name]
    return c[2] + c[4] <= g[3] and c[1] + c[3] <= WIDTH


def overlaps(r, m):
    x, y, w, h = r
    mw, mh, mx, my = m
    return x < mx + mw and mx < x + w and y < my + mh and my < y + h


class Session:
    def __init__(self, binary, rng, skip=()):
        self.rng, self.skip = rng, skip
        self.home_class = type("Home", (session.PanelSession,), {"BINARY": binary})
        self.home_class.set_up_home("kurumin-random-", session.Pages)
        self.home = self.home_class.home
        self.site = self.home_class.site
        self.ini = os.path.join(self.home, "URL.ini")
        self.stderr = open(os.path.join(self.home, "stderr.log"), "a+b")
        self.monitors = monitors()
        try:
            self.start()
        except BaseException:
            self.close()
            raise

    # --- the panel and what the desktop shows of it -----------------------------

    def start(self):
        self.names = {}  # the next client to connect takes up a gone one's window ids
        self.home_class.start(stderr=self.stderr)
        self.panel = self.home_class.panel
        self.app = self.home_class.app
        self.window = wait_for("the panel window", lambda: self.ours().get("Kurumin"), 20)
        self.combo = None
        self.saved = None  # the panel's place before it was tucked away
        self.popup = False  # a list or a text box's menu is open
        self.tab_on_exit = False  # Tab put the focus on an exit control, no click since
        self.watch_focus = True
        time.sleep(1)  # the watcher's first ticks may open what the clipboard holds
        self.settled_pages()

    def restart(self, status):
        if status != 0:
            raise Fault(f"the panel ended with status {status}")
        wait_for("the panel gone from AT-SPI", lambda: not atspi.applications("Kurumin"), 15)
        self.start()

    def windows(self):
        """Managed windows bottom to top, as (id, pid, title)."""
        # xfwm4 sets no stacking list while it manages one window
        out = xprop("-root", "_NET_CLIENT_LIST_STACKING", "_NET_CLIENT_LIST")
        out = out.split("\n_NET_CLIENT_LIST(")
        ids = re.findall(r"0x[0-9a-f]+", out[0] if "WINDOW" in out[0] else out[-1])
        for wid in ids:
            if wid not in self.names:
                out = xprop("-id", wid, "_NET_WM_PID", "_NET_WM_NAME")
                pid = re.search(r"_NET_WM_PID\(CARDINAL\) = (\d+)", out)
                name = re.search(r'_NET_WM_NAME\(UTF8_STRING\) = "(.*)"', out)
                if pid and name:  # else not named yet: read again next time
                    self.names[wid] = (int(pid[1]), name[1])
        return [(w, *self.names.get(w, (0, ""))) for w in ids]

    def ours(self):
        """Title -> window id of the panel's windows."""
        return {t: w for w, pid, t in self.windows() if pid == self.panel.pid}

    def boxes(self):
        return [w for t, w in self.ours().items()
                if t not in ("Kurumin", "Kurumin +", "Kurumin -", ABOUT)]

    def geometry(self):
        return window_info(self.window)

    def browser_windows(self):
        pids = session.browser_processes(os.path.join(self.home, "browser-profile"))
        return [w for w, pid, _ in self.windows() if pid in pids]

    def pages(self):
        return session.pages(self.home)

    def settled_pages(self):
        """The page count once no page has come or gone for half a second."""
        last, since = len(self.pages()), time.monotonic()
        while time.monotonic() - since < 0.5:
            time.sleep(0.1)
            if (n := len(self.pages())) != last:
                last, since = n, time.monotonic()
        return last

    def focus_on_exit(self):
        for n in atspi._walk(self.app):
            try:
                if n.getState().contains(pyatspi.STATE_FOCUSED):
                    return n.description == EXIT_TIP
            except Exception:
                pass
        return False

    def limit_caption(self):
        return next(n.name for n in atspi._walk(self.app)
                    if n.description == "数値リミット自動認識 On/Off")

    def kept(self):
        if self.combo is None:
            self.combo = next(n for n in atspi._walk(self.app)
                              if n.getRole() == pyatspi.ROLE_COMBO_BOX)
        def items(node):  # in the list's order, which atspi._walk does not keep
            for i in range(node.childCount):
                child = node.getChildAtIndex(i)
                if child.getRole() == pyatspi.ROLE_LIST_ITEM:
                    yield child.name
                else:
                    yield from items(child)
        return list(items(self.combo))

    def kept_on_disk(self):
        try:
            with open(self.ini, "rb") as f:
                text = f.read().decode("utf-8", "replace")
        except OSError:
            return []
        fields = dict(l.split("=", 1) for l in text.split("\r\n") if "=" in l)
        return [fields.get(f"Name{i}", "") for i in range(int(fields.get("Count", "0") or 0))]

    # --- targets: where on the screen a logged action lands ---------------------

    def origin(self, target):
        """Screen point of a target's corner, or None when it is not there now."""
        if target == "screen":
            return 0, 0
        g = self.geometry()
        if target in ("bg", "strip"):
            return g[:2]
        if target.startswith("step"):
            wid = self.ours().get(f"Kurumin {target[4]}")
            s = wid and window_info(wid)
            return s and (s[0] + 3, s[1] + STEP_LABELS[int(target[5:])])
        return g[0] + CONTROLS[target][1], g[1] + CONTROLS[target][2]

    def pick_target(self):
        """A control, a step label, the background or the strip, with a point in it."""
        g, r = self.geometry(), self.rng
        if g[2] < WIDTH:
            _, _, y, _, h, _ = CONTROLS["lbl10"]  # its return label, well inside the window's 16 px
            return "strip", r.randrange(3, STRIP - 3), r.randrange(y + 2, y + h - 2)
        steps = [t[-1] for t in self.ours() if t in ("Kurumin +", "Kurumin -")]
        if steps and r.random() < 0.5:
            return self.pick_step(steps[0])
        if r.random() < 0.15:
            return self.pick_background(g)
        names = [n for n in CONTROLS if shown(n, g) and n not in LEFT_OUT]
        name = r.choices(names, [WEIGHTS.get(n, 1) for n in names])[0]
        w, h = CONTROLS[name][3:5]
        return name, r.randrange(max(1, w - 1)), r.randrange(max(1, h - 1))

    def pick_step(self, sign):
        """A label of a step window: step+3 is the up window's label 3."""
        r = self.rng
        return f"step{sign}{r.choice(list(STEP_LABELS))}", r.randrange(1, 32), r.randrange(1, 12)

    def pick_background(self, g):
        while True:
            x, y = self.rng.randrange(WIDTH), self.rng.randrange(g[3])
            if not any(c[1] <= x < c[1] + c[3] and c[2] <= y < c[2] + c[4]
                       for c in CONTROLS.values()):
                return "bg", x, y

    def pick_screen(self):
        # Above the bottom edge, where fluxbox's task bar would minimize the panel.
        return "screen", self.rng.randrange(300, 1600), self.rng.randrange(0, 960)

    # --- the session ---------------------------------------------------------------

    def next_action(self, last):
        r = self.rng
        if len(self.pages()) > 12:
            return ["close-pages"]
        if self.boxes() and (r.random() < 0.75 or last[0] == "answer"):
            return ["answer", r.choice(["Return", "Escape", "space"])]
        if last[0] == "answer" and r.random() < 0.5:
            return ["key", r.choice(["Return", "space"])]
        # The way to the step windows: a range, [SET], a right press on a count button.
        if last[0] == "copy" and "[" in last[1] and r.random() < 0.7:
            return ["click", "Label1", 14, 6]
        if last[:2] == ["click", "Label1"] and r.random() < 0.6:
            return ["right", r.choice(["UPbutton", "DWNbutton"]), 6, 6]
        if last[:1] == ["right"] and last[1] in ("UPbutton", "DWNbutton") and r.random() < 0.7:
            step = self.pick_step("+" if last[1] == "UPbutton" else "-")
            return [r.choice(["click", "click", "double"]), *step]
        kinds = {k: w for k, w in KINDS.items() if k not in self.skip}
        kind = r.choices(list(kinds), list(kinds.values()))[0]
        if kind == "key":
            return ["key", r.choice(["Return", "space", "Escape", "Tab", "Tab"])]
        if kind == "copy":
            n = r.randrange(1, 30)
            site = self.site
            texts = [f"{site}/q/{n}.html", f"{site}/p[01-20].html", f"{site}/r/[001-120].html",
                     f"{site}/w[0-20].html", "くるみ", "", "http://", "[01-", "x" * 300, f"p{n}]["]
            return ["copy", r.choices(texts, [3, 3, 3, 1, 1, 1, 1, 1, 1, 1])[0]]
        if kind == "front":
            return ["front", r.randrange(50)]
        # A right press on a browser page opens its menu, which takes the keyboard.
        target = self.pick_screen() if kind != "right" and r.random() < 0.1 else self.pick_target()
        g = self.geometry()
        if kind == "right" and g[2] == WIDTH and r.random() < 0.5:  # a step window, or tuck away
            target = r.choice([("UPbutton", 6, 6), ("DWNbutton", 6, 6), self.pick_background(g)])
        if kind == "drag":
            if r.random() < 0.6 and g[2] == WIDTH:
                areas = [self.pick_background(g), ("Pic1", 3, 5)]
                target = r.choice(areas + [("Picture1", 50, 6)] * shown("Picture1", g))
            by = r.randrange(-300, 300), r.randrange(-200, 200)
            return ["drag", *target, *by, *self.pick_screen()[1:]]  # then a move, no button
        if kind == "hold":
            return ["hold", *target, round(r.uniform(0.3, 1.2), 1)]
        return [kind, *target]

    def point(self, target, dx, dy):
        o = self.origin(target)
        return o and (o[0] + dx, o[1] + dy)

    def act(self, a):
        """Does one action and checks what it should have done by itself; true
        when the panel may end now."""
        kind, boxes, g = a[0], self.boxes(), self.geometry()
        pointer = kind in ("click", "double", "right", "hold", "drag")
        if pointer:
            p = self.point(*a[1:4])
            if p is None or not any(overlaps(p + (1, 1), m) for m in self.monitors):
                return False  # a step window that is not open, a control off screen
        on_panel = pointer and (a[1] == "bg" or a[1] in CONTROLS and shown(a[1], g)) \
            and g[2] == WIDTH and not boxes and not self.popup and not self.under_ours(p)
        if kind != "copy":  # the next press or key closes a popup, and is spent on that
            listed = a[1:2] == ["List1"] and kind in ("click", "double") and self.kept()
            self.popup = on_panel and (listed or kind == "right" and self.has_menu(a[1]))
        exit_ok = on_panel and kind in ("click", "double", "hold") and a[1] in EXITS
        if pointer:
            xdotool("mousemove", *p)
            if kind in ("click", "right"):
                xdotool("click", 1 if kind == "click" else 3)
            elif kind == "double":
                self.double(a[1], on_panel and not exit_ok or a[1].startswith("step"))
            elif kind == "hold":
                xdotool("mousedown", 1)
                time.sleep(a[4])
                xdotool("mouseup", 1)
            else:
                self.drag(a, g, on_panel and a[1] in DRAG_AREAS)
            if on_panel or a[1] == "strip":
                self.tab_on_exit = False
            if kind == "right" and on_panel and a[1] == "bg":
                self.expect_tucked(g)
            elif a[1] == "strip" and self.saved and not boxes:
                self.expect_back(kind != "drag")  # a drag goes on from where it came back
        elif kind == "answer":
            self.answer(a[1], boxes)
        elif kind == "key":
            exit_ok = a[1] in ("Return", "space") and self.tab_on_exit and not boxes
            xdotool("key", a[1])
            if a[1] == "Tab":
                self.tab_on_exit = self.focus_on_exit()
        elif kind == "copy":
            copy(a[1])
            time.sleep(0.6)  # the watcher's tick, and a plain address's page on its way
        elif kind == "front":
            if wins := self.browser_windows():
                xdotool("windowactivate", "--sync", wins[a[1] % len(wins)])
        elif kind == "close-pages":
            with open(os.path.join(self.home, "browser-profile", "DevToolsActivePort")) as f:
                json_url = f"http://127.0.0.1:{f.readline().strip()}/json"
            with urllib.request.urlopen(f"{json_url}/list", timeout=5) as r:
                for t in [t for t in json.load(r) if t["type"] == "page"][:-2]:
                    urllib.request.urlopen(f"{json_url}/close/{t['id']}", timeout=5).close()
        elif kind == "restart":
            self.recover()
        return exit_ok

    def has_menu(self, name):
        """A text box the user may edit: a right press opens its menu."""
        if CONTROLS.get(name, "?")[0] not in TEXT_BOXES:
            return False
        # A text box is named by its tooltip, if it has one.
        spoken = CONTROLS[name][5] or name
        node = next((n for n in atspi._walk(self.app) if n.name == spoken), None)
        return node is not None and node.getState().contains(pyatspi.STATE_ENABLED)

    def under_ours(self, p):
        """A step window or the about window, in front of the panel, is at p."""
        def area(w):  # as overlaps() takes it: w, h, x, y
            x, y, width, height = (window_info(w) or (0, 0, 0, 0))[:4]
            return width, height, x, y
        return any(overlaps(p + (1, 1), area(w)) for t, w in self.ours().items()
                   if t in ("Kurumin +", "Kurumin -", ABOUT))

    def double(self, target, watched):
        """A label acts once on a double click; a button twice."""
        label = CONTROLS.get(target, ("",))[0] == "Label" or target.startswith("step")
        counted = watched and label
        before = self.settled_pages() if counted else 0
        limit = self.limit_caption() if watched and target == "lblLIMIT" else None
        xdotool("click", "--repeat", 2, "--delay", 80, 1)
        if counted and (n := self.settled_pages() - before) > 1:
            raise Fault(f"a double click on the label {target} opened {n} pages", lasting=False)
        if limit and self.limit_caption() == limit and not self.boxes():
            raise Fault(f"a double click on {target} left it at {limit}: switched twice",
                        lasting=False)

    def answer(self, key, boxes):
        if not boxes:
            return
        box = boxes[-1]
        if xprop("-root", "_NET_ACTIVE_WINDOW").split()[-1] != box:
            xdotool("windowactivate", "--sync", box)
        if self.names[box][1] == "履歴テキストの確認":
            key = "Escape"  # Enter in the file dialog opens a folder
        xdotool("key", key)
        try:
            wait_for("the box closed", lambda: box not in self.boxes(), 3)
        except AssertionError:
            raise Fault(f"the box {self.names[box][1]!r} did not close with {key}")
        self.watch_focus = True

    def expect_tucked(self, g):
        # The monitor under the panel's middle, even if its top is above the screen.
        mon = next((m for m in self.monitors if m[2] <= g[0] + g[2] // 2 < m[2] + m[0]),
                   self.monitors[0])
        try:
            wait_for("the strip", lambda: self.geometry()[2] < WIDTH, 3)
        except AssertionError:
            return  # a box or a step window took the press
        self.saved = g
        t = self.geometry()
        if t[0] != mon[2] or t[2] not in TUCKED:
            raise Fault(f"tucked away from {g[:2]} the panel shows at x={t[0]}, {t[2]} px wide: "
                        f"not its {STRIP}-px strip at the left edge x={mon[2]} of its monitor")

    def expect_back(self, where):
        try:
            wait_for("the panel back",
                     lambda: not where or self.geometry()[:4] == self.saved[:4], 3)
        except AssertionError:
            raise Fault(f"a press on the strip left the panel at {self.geometry()[:4]}, "
                        f"not back at {self.saved[:4]}")
        self.saved = None

    def drag(self, a, g0, moves):
        _, target, dx, dy, mx, my, fx, fy = a
        x, y = self.point(target, dx, dy)
        # The pointer stops at the screen's edges, and so does the drag.
        mx, my = min(max(x + mx, 0), 1599) - x, min(max(y + my, 0), 999) - y
        xdotool("mousedown", 1)
        for i in range(1, 9):
            xdotool("mousemove", x + mx * i // 8, y + my * i // 8)
            time.sleep(0.03)
        xdotool("mouseup", 1)
        time.sleep(0.3)
        g1 = self.geometry()
        xdotool("mousemove", fx, fy)
        time.sleep(0.3)
        g2 = self.geometry()
        if g2[:2] != g1[:2]:
            raise Fault("after the drag the panel followed the pointer with no button held: "
                        f"{g1[:2]} -> {g2[:2]}")
        if target == "strip":
            return
        # Some window managers take the move up only at the first motion, 1/8 of the way.
        wants = [(g0[0] + mx - f * (mx // 8), g0[1] + my - f * (my // 8)) for f in (0, 1)]
        if not moves:
            wants = [g0[:2]]
        inside = all(0 <= x and x + g0[2] <= 1600 and 0 <= y and y + g0[3] <= 1000 for x, y in wants)
        if inside and all(abs(g1[0] - x) > 3 or abs(g1[1] - y) > 3 for x, y in wants):
            raise Fault(f"a drag of {(mx, my)} from {target} took the panel from {g0[:2]} "
                        f"to {g1[:2]}, not to {' or '.join(map(str, wants))}")

    def look(self, exit_ok):
        """What a person sees after an action; raises Fault."""
        status = self.panel.poll()
        if exit_ok:
            try:
                status = self.panel.wait(15)
            except subprocess.TimeoutExpired:
                raise Fault("a click on an exit control did not end the panel")
        self.sanitizer()
        if status is not None:
            if not exit_ok:
                raise Fault(f"the panel ended (status {status}) without a click on an exit control")
            return self.restart(status)
        g = self.geometry()
        if g is None or not g[4]:
            raise Fault("the panel window is not shown")
        if not any(overlaps(g[:4], m) for m in self.monitors):
            raise Fault(f"the panel is off screen at {g[:4]}")
        if g[2] < WIDTH and (g[2] not in TUCKED or g[0] not in [m[2] for m in self.monitors]):
            raise Fault(f"the panel is a {g[2]}-px column at x={g[0]}: "
                        "no strip at a monitor's left edge")
        if self.watch_focus:  # after a start or a box: where the keys go now
            self.watch_focus = False
            if not self.tab_on_exit and self.focus_on_exit():
                raise Fault("the keyboard focus is on an exit control: "
                            "Enter or Space ends the panel", lasting=False)
        stack = self.windows()
        ids = [w for w, _, _ in stack]
        if self.window not in ids:
            raise Fault("the panel is not among the desktop's windows")
        browser = session.browser_processes(os.path.join(self.home, "browser-profile"))
        above = [t or w for w, pid, t in stack[ids.index(self.window) + 1:] if pid in browser]
        # fluxbox lists its layers out of order: what the screen shows decides
        if above and g[2] == WIDTH and not self.exit_button_shows(g):
            raise Fault(f"browser windows above the panel: {above}")
        for box in self.boxes():
            b = window_info(box)
            if b and not any(overlaps(b[:4], m) for m in self.monitors):
                raise Fault(f"the box {self.names[box][1]!r} is off screen at {b[:4]}")
        try:
            wait_for("the keep list", lambda: self.kept() == self.kept_on_disk(), 2)
        except AssertionError:
            raise Fault(f"List1 shows {self.kept()} but URL.ini keeps {self.kept_on_disk()}",
                        lasting=False)

    def exit_button_shows(self, g):
        """The dark red of the × button, top right, is on the screen."""
        x, y = g[0] + CONTROLS["Command6(0)"][1] + 1, g[1] + CONTROLS["Command6(0)"][2] + 1
        if not any(overlaps((x, y, 1, 1), m) for m in self.monitors):
            return True
        r, gr, b = pixel(x, y)
        return r > 100 and gr < 60 and b < 60

    def sanitizer(self):
        self.stderr.seek(0)
        if SANITIZER.search(report := self.stderr.read()):
            raise Fault("a sanitizer report:\n" + report.decode(errors="replace")[-4000:])

    def recover(self):
        """After a fault, a new panel: a stuck one would only repeat it."""
        if self.panel.poll() is None:
            self.panel.kill()
            self.panel.wait()
        wait_for("the panel gone from AT-SPI", lambda: not atspi.applications("Kurumin"), 15)
        self.stderr.truncate(0)
        self.start()

    def close(self):
        self.home_class.doClassCleanups()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("binary")
    p.add_argument("--seed", type=int, default=int(datetime.date.today().strftime("%Y%m%d")))
    p.add_argument("--actions", type=int, default=100)
    p.add_argument("--keep-going", action="store_true", help="note a fault and go on")
    p.add_argument("--skip", action="append", default=[], choices=KINDS,
                   help="a kind of action left out")
    p.add_argument("--replay", help="a file of logged actions, one JSON list a line")
    args = p.parse_args()
    session.PanelSession.BINARY = os.path.abspath(args.binary)
    replay = None
    if args.replay:
        with open(args.replay) as f:
            replay = [json.loads(l) for l in f if l.startswith("[")]
    print(f"random session: seed {args.seed}, {len(replay) if replay else args.actions} actions, "
          f"window manager {os.environ.get('KURUMIN_WM', 'openbox')}, "
          f"{os.environ.get('KURUMIN_MONITORS', '1')} monitor(s)", flush=True)
    log, faults, started = [], [], time.monotonic()
    s = Session(os.path.abspath(args.binary), random.Random(args.seed), args.skip)
    try:
        last = ["start"]
        for i in range(len(replay) if replay else args.actions):
            a = replay[i] if replay else s.next_action(last)
            log.append(a)
            try:
                exit_ok = s.act(a)
                time.sleep(0.2)
                s.look(exit_ok)
            except (Fault, AssertionError) as e:
                faults.append(f"FAULT at action {len(log)}: {e}")
                print(faults[-1], file=sys.stderr, flush=True)
                if not args.keep_going:
                    break
                if getattr(e, "lasting", True) or s.panel.poll() is not None:
                    log.append(["restart"])  # so that a replay does the same
                    s.recover()
            last = a
    finally:
        s.close()
    took = time.monotonic() - started
    if faults:
        print(f"{len(faults)} fault(s) in {len(log)} actions, {took:.0f} s, seed {args.seed}; "
              "the actions:", file=sys.stderr)
        for a in log:
            print(json.dumps(a, ensure_ascii=False), file=sys.stderr)
        return 1
    print(f"{len(log)} actions, no fault, {took:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
