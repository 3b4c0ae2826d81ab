# A seeded random session on the real panel, as a restless person would use
# it: real pointer and key events on every control, the step windows and the
# boxes, copies through the real clipboard and browser windows brought to the
# front, with what a person would see checked after every action.
#
# Run inside tests/desktop-session.sh (or through scripts/random-session.sh):
#     random_session.py BINARY [--seed N] [--actions N] [--keep-going [--fault-logs PREFIX]]
#                       [--skip KIND] [--replay LOG]
# A failing run prints the actions that led to the fault, one JSON list a line;
# --replay takes such lines back (geometry is resolved anew at each action).
# --keep-going notes a fault, starts a new panel if need be and goes on; --fault-logs
# writes the actions up to each fault as it comes, to PREFIX-N.replay.

import argparse
import datetime
import json
import os
import random
import re
import sys
import time

import pyatspi
import Xlib.error
import Xlib.X
from gi.repository import GLib

import atspi
import session
from session import copy, pixel, run, settles, wait_for, window_info, xdotool

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
ABOUT = "Kuruminについて..."
STEP_WINDOWS = ("Kurumin +", "Kurumin -")
KINDS = {"click": 30, "double": 12, "right": 8, "hold": 6, "drag": 8, "key": 12, "copy": 12,
         "front": 6, "workspace": 3}
WM = os.environ.get("KURUMIN_WM", "openbox")
SANITIZER = re.compile(rb"ERROR: (Address|Leak)Sanitizer|runtime error:|ThreadSanitizer")


class Fault(Exception):
    def __init__(self, message, lasting=True):
        super().__init__(message)
        self.lasting = lasting  # the panel is left in a state a new one must replace


def monitors():
    return [(int(x), int(y), int(w), int(h)) for w, h, x, y in re.findall(
        r"(\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+)", run("xrandr", "--listmonitors"))]


def shown(name, g):
    c = CONTROLS[name]
    return c[2] + c[4] <= g[3] and c[1] + c[3] <= WIDTH


def overlaps(r, s):  # x, y, w, h each
    return r[0] < s[0] + s[2] and s[0] < r[0] + r[2] and r[1] < s[1] + s[3] and s[1] < r[1] + r[3]


class Session:
    def __init__(self, binary, rng, skip=()):
        self.rng, self.skip = rng, skip
        self.home_class = type("Home", (session.PanelSession,), {"BINARY": binary})
        self.home_class.set_up_home("kurumin-random-", session.Pages)
        self.home, self.site = self.home_class.home, self.home_class.site
        self.ini = os.path.join(self.home, "URL.ini")
        self.profile = os.path.join(self.home, "browser-profile")
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
        self.panel, self.app = self.home_class.panel, self.home_class.app
        self.window = wait_for("the panel window", lambda: self.ours().get("Kurumin"), 20)
        # saved: the panel's place before it was tucked away; user_on_exit: the user's Tab or
        # press (one dragged off it, say) left the focus on an exit control.
        self.combo = self.saved = self.exits = None
        self.user_on_exit = False
        self.watch_focus = True
        time.sleep(1)  # the watcher's first ticks may open what the clipboard holds
        self.settled_pages()

    # A new panel, after a fault or an exit: a stuck one would only repeat it.
    def recover(self):
        if self.panel.poll() is None:
            self.panel.kill()
            self.panel.wait()
        wait_for("the panel gone from AT-SPI", lambda: not atspi.applications("Kurumin"), 15)
        self.stderr.truncate(0)
        self.start()

    # Managed windows bottom to top, as (id, pid, title).
    def windows(self):
        # xfwm4 sets no stacking list while it manages one window
        ids = [f"{w:#x}" for w in session.root_prop("_NET_CLIENT_LIST_STACKING")
               or session.root_prop("_NET_CLIENT_LIST") or []]
        for wid in ids:
            if wid not in self.names:
                pid, name = session.prop(wid, "_NET_WM_PID"), session.prop(wid, "_NET_WM_NAME")
                if pid and name is not None:  # else not named yet: read again next time
                    self.names[wid] = (pid[0], name)
        return [(w, *self.names.get(w, (0, ""))) for w in ids]

    # Title -> window id of the panel's windows.
    def ours(self):
        return {t: w for w, pid, t in self.windows() if pid == self.panel.pid}

    def boxes(self):
        return [w for t, w in self.ours().items() if t not in ("Kurumin", *STEP_WINDOWS, ABOUT)]

    def geometry(self):
        return window_info(self.window)

    # The leftmost x the window manager lets a window `width` wide have. xfwm4 keeps every
    # window's right edge 29 px into the right (primary) monitor of this screen, dragged or
    # moved by its program alike: a plain window of another program stops there too.
    def left_limit(self, width):
        if WM == "xfwm4" and len(self.monitors) > 1:
            return max(m[0] for m in self.monitors) + 29 - width
        return min(m[0] for m in self.monitors) - width

    # The page count once no page has come or gone for half a second.
    def settled_pages(self):
        last, since = len(session.pages(self.home)), time.monotonic()
        while time.monotonic() - since < 0.5:
            time.sleep(0.1)
            if (n := len(session.pages(self.home))) != last:
                last, since = n, time.monotonic()
        return last

    # The exit controls' nodes live as long as the panel: found once, not by a walk each time.
    def focus_on_exit(self):
        self.exits = self.exits or [n for n in atspi.walk(self.app) if n.description == EXIT_TIP]
        return any(n.getState().contains(pyatspi.STATE_FOCUSED) for n in self.exits)

    def limit_caption(self):
        return atspi.first(self.app, lambda n: n.description == "数値リミット自動認識 On/Off").name

    def kept(self):
        self.combo = self.combo or atspi.combo(self.app)
        return list(atspi.items(self.combo))

    def kept_on_disk(self):
        text = session.read_bytes(self.ini).decode("utf-8", "replace")
        fields = dict(l.split("=", 1) for l in text.split("\r\n") if "=" in l)
        return [fields.get(f"Name{i}", "") for i in range(int(fields.get("Count", "0") or 0))]

    # --- targets: where on the screen a logged action lands ---------------------

    # Screen point of a target's corner plus dx, dy, or None when it is not there now.
    def point(self, target, dx, dy):
        if target == "screen":
            return dx, dy
        g = self.geometry()
        if target in ("bg", "strip"):
            return g[0] + dx, g[1] + dy
        if target.startswith("step"):
            wid = self.ours().get(f"Kurumin {target[4]}")
            if (s := wid and window_info(wid)) and s[4]:  # else on the workspace it opened on
                return s[0] + 3 + dx, s[1] + STEP_LABELS[int(target[5:])] + dy
            return None
        return g[0] + CONTROLS[target][1] + dx, g[1] + CONTROLS[target][2] + dy

    # A control, a step label, the background or the strip, with a point in it.
    def pick_target(self):
        g, r = self.geometry(), self.rng
        if g[2] < WIDTH:
            _, _, y, _, h, _ = CONTROLS["lbl10"]  # its return label, well inside the window's 16 px
            return "strip", r.randrange(3, STRIP - 3), r.randrange(y + 2, y + h - 2)
        steps = [t[-1] for t in self.ours() if t in STEP_WINDOWS]
        if steps and r.random() < 0.5:
            return self.pick_step(steps[0])
        if r.random() < 0.15:
            return self.pick_background(g)
        names = [n for n in CONTROLS if shown(n, g) and n not in LEFT_OUT]
        name = r.choices(names, [WEIGHTS.get(n, 1) for n in names])[0]
        w, h = CONTROLS[name][3:5]
        return name, r.randrange(max(1, w - 1)), r.randrange(max(1, h - 1))

    # A label of a step window: step+3 is the up window's label 3.
    def pick_step(self, sign):
        r = self.rng
        return f"step{sign}{r.choice(list(STEP_LABELS))}", r.randrange(1, 32), r.randrange(1, 12)

    def pick_background(self, g):
        while True:
            x, y = self.rng.randrange(WIDTH), self.rng.randrange(g[3])
            if (t := self.on_panel_at(x, y, g))[0] == "bg":
                return t

    # A point of the screen the panel covers is a control's or the background's.
    def on_panel_at(self, x, y, g):
        return next(((n, x - c[1], y - c[2]) for n, c in CONTROLS.items()
                     if shown(n, g) and overlaps((x, y, 1, 1), c[1:5])), ("bg", x, y))

    def pick_screen(self):
        # Above the bottom edge, where fluxbox's task bar would minimize the panel.
        return "screen", self.rng.randrange(300, 1600), self.rng.randrange(0, 960)

    # --- the session ---------------------------------------------------------------

    def next_action(self, last):
        r = self.rng
        if len(session.pages(self.home)) > 12:
            return ["close-pages"]
        if self.boxes() and (r.random() < 0.75 or last[0] == "answer"):
            return ["answer", r.choice(["Return", "Escape", "space"])]
        if last[0] == "answer" and r.random() < 0.5:
            return ["key", r.choice(["Return", "space"])]
        # The way to the step windows, from a panel in place: a range, [SET], a right press on
        # a count button (tucked, it would land on the desktop, whose menu takes the next press).
        placed = self.geometry()[2] == WIDTH
        if placed and last[0] == "copy" and "[" in last[1] and r.random() < 0.7:
            return ["click", "Label1", 14, 6]
        if placed and last[:2] == ["click", "Label1"] and r.random() < 0.6:
            return ["right", r.choice(["UPbutton", "DWNbutton"]), 6, 6]
        if last[:1] == ["right"] and last[1] in ("UPbutton", "DWNbutton") and r.random() < 0.7:
            step = self.pick_step("+" if last[1] == "UPbutton" else "-")
            return [r.choice(["click", "click", "double"]), *step]
        kinds = {k: w for k, w in KINDS.items() if k not in self.skip}
        kind = r.choices(list(kinds), list(kinds.values()))[0]
        if kind == "key":
            return ["key", r.choice(["Return", "space", "Escape", "Tab", "Tab"])]
        if kind == "copy":
            n, site = r.randrange(1, 30), self.site
            texts = [f"{site}/q/{n}.html", f"{site}/p[01-20].html", f"{site}/r/[001-120].html",
                     f"{site}/w[0-20].html", "くるみ", "", "http://", "[01-", "x" * 300, f"p{n}]["]
            return ["copy", r.choices(texts, [3, 3, 3, 1, 1, 1, 1, 1, 1, 1])[0]]
        if kind in ("front", "workspace"):
            return [kind, r.randrange(50)]
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

    # Does one action and checks what it should have done by itself; true when the panel may end
    # now.
    def act(self, a):
        kind, boxes, g = a[0], self.boxes(), self.geometry()
        pointer = kind in ("click", "double", "right", "hold", "drag")
        if pointer and a[1] == "screen" and g[2] == WIDTH and overlaps(a[2:4] + [1, 1], g[:4]):
            a = [kind, *self.on_panel_at(a[2] - g[0], a[3] - g[1], g), *a[4:]]
        if pointer:
            p = self.point(*a[1:4])
            if p is None or not any(overlaps(p + (1, 1), m) for m in self.monitors):
                return False  # a step window that is not open, a control off screen
        # A popup (a text box's menu, the kept list) takes the next press or key, wherever it is.
        popup = bool(self.popups())
        on_panel = pointer and (a[1] == "bg" or a[1] in CONTROLS and shown(a[1], g)) \
            and g[2] == WIDTH and not boxes and not popup and self.lands_on_panel(p)
        exit_ok = on_panel and kind in ("click", "double", "hold") and a[1] in EXITS
        if pointer:
            xdotool("mousemove", *p)
            if kind in ("click", "right"):
                xdotool("click", 1 if kind == "click" else 3)
            elif kind == "double":
                self.double(a[1], on_panel and not exit_ok or a[1].startswith("step"))
            elif kind == "hold":
                xdotool("mousedown", 1, "sleep", a[4], "mouseup", 1)
            else:
                self.drag(a, g, on_panel and a[1] in DRAG_AREAS)
            self.user_on_exit = self.focus_on_exit()
            if kind == "right" and on_panel and a[1] == "bg":
                self.expect_tucked(g)
            elif a[1] == "strip" and self.saved and not boxes:
                self.expect_back(kind != "drag")  # a drag goes on from where it came back
        elif kind == "answer":
            self.answer(a[1], boxes)
        elif kind == "key":
            # the focus as it is now: a box just closed may have left another window active
            exit_ok = a[1] in ("Return", "space") and not boxes and not popup \
                and self.focus_on_exit()
            xdotool("key", a[1])
            if a[1] == "Tab":
                self.user_on_exit = self.focus_on_exit()
        elif kind == "copy":
            copy(a[1])
            time.sleep(0.6)  # the watcher's tick, and a plain address's page on its way
        elif kind == "front":
            pids = session.browser_processes(self.profile)
            if wins := [w for w, pid, _ in self.windows() if pid in pids]:
                xdotool("windowactivate", "--sync", wins[a[1] % len(wins)])
        elif kind == "workspace":
            xdotool("set_desktop", a[1] % session.root_prop("_NET_NUMBER_OF_DESKTOPS")[0])
        elif kind == "close-pages":
            for t in [t for t in json.loads(session.devtools(self.home, "list"))
                      if t["type"] == "page"][:-2]:
                session.devtools(self.home, f"close/{t['id']}")
        elif kind == "restart":
            self.recover()
        return exit_ok

    # The panel's popups shown now, as x, y, w, h: override-redirect windows, tooltips only when
    # asked for (they take no press).
    def popups(self, tooltips=False):
        d, found = session.display(), []
        for w in d.screen().root.query_tree().children:
            try:
                a = w.get_attributes()
                if not a.override_redirect or a.map_state != Xlib.X.IsViewable:
                    continue
                kind = session.prop(w.id, "_NET_WM_WINDOW_TYPE") or []
                if (session.prop(w.id, "_NET_WM_PID") or [0])[0] == self.panel.pid and \
                        (tooltips or d.intern_atom("_NET_WM_WINDOW_TYPE_TOOLTIP") not in kind):
                    found.append(window_info(w.id)[:4])
            except Xlib.error.XError:  # gone meanwhile
                pass
        return found

    # A press at p goes to the panel's window: the server's top window there is the panel's frame
    # (a step window or the about window may be over it, or under it).
    def lands_on_panel(self, p):
        root = session.display().screen().root
        try:
            top = root.translate_coords(root, *p).child
            frame = session._window(self.window)
            while (parent := frame.query_tree().parent).id != root.id:
                frame = parent
        except Xlib.error.XError:  # gone meanwhile
            return False
        return getattr(top, "id", top) == frame.id

    # A label acts once on a double click; a button twice.
    def double(self, target, watched):
        counted = watched and (CONTROLS.get(target, ("",))[0] == "Label"
                               or target.startswith("step"))
        before = self.settled_pages() if counted else 0
        limit = self.limit_caption() if watched and target == "lblLIMIT" else None
        began = time.monotonic()
        xdotool("click", "--repeat", 2, "--delay", 80, 1)
        # Press to press within Qt's 400 ms is a double click for sure; a machine too busy to
        # send the second click in time made two single ones.
        if time.monotonic() - began > 0.35:
            return
        if counted and (n := self.settled_pages() - before) > 1:
            raise Fault(f"a double click on the label {target} opened {n} pages", lasting=False)
        if limit and self.limit_caption() == limit and not self.boxes():
            raise Fault(f"a double click on {target} switched it twice: {limit}", lasting=False)

    def answer(self, key, boxes):
        if not boxes:
            return
        box = boxes[-1]
        activated = f"{(session.root_prop('_NET_ACTIVE_WINDOW') or [0])[0]:#x}" != box
        if activated:
            xdotool("windowactivate", "--sync", box)
        if self.names[box][1] == "履歴テキストの確認":
            key = "Escape"  # Enter in the file dialog opens a folder
        focus = getattr(focus := session.display().get_input_focus().focus, "id", focus)
        xdotool("key", key)
        if not settles(lambda: box not in self.boxes(), 3):
            raise Fault(f"the box {self.names[box][1]!r} did not close with {key} (activated "
                        f"first: {activated}; key sent to {focus:#x}; our windows {self.ours()})")
        self.watch_focus = True

    def expect_tucked(self, g):
        # The monitor under the panel's middle, even if its top is above the screen; with its
        # middle past the screen's side, the one it is on.
        on = [m for x in (g[0] + g[2] // 2, max(g[0], 0)) for m in self.monitors
              if m[0] <= x < m[0] + m[2]]
        mon = (on + self.monitors)[0]
        if not settles(lambda: self.geometry()[2] < WIDTH, 3):
            return  # a box or a step window took the press
        # openbox keeps a tenth of a window its program places on the screen, where a drag may
        # leave less: the strip of a panel dragged nearly past the top or bottom comes in that
        # far, the panel comes back at the strip's height, and one nearly past the right side
        # comes back a tenth of its width on the screen.
        x, y = g[0], g[1]
        if WM == "openbox":
            x = 1600 - g[2] // 10 if x + g[2] // 10 >= 1599 else x
            y = 1000 - g[3] // 10 if y + g[3] // 10 >= 999 else max(y, -(g[3] * 9 // 10))
        self.saved = (x, y, *g[2:])
        t = self.geometry()
        if t[0] != max(mon[0], self.left_limit(t[2])) or t[2] not in TUCKED:
            raise Fault(f"tucked from {g[:2]}: {t[2]} px wide at x={t[0]}, not a strip at {mon[0]}")

    def expect_back(self, where):
        if not settles(lambda: not where or self.geometry()[:4] == self.saved[:4], 3):
            raise Fault(f"the strip left the panel at {self.geometry()[:4]}, not {self.saved[:4]}")
        self.saved = None

    def drag(self, a, g0, moves):
        _, target, dx, dy, mx, my, fx, fy = a
        x, y = self.point(target, dx, dy)
        # The pointer stops at the screen's edges, and so does the drag.
        mx, my = min(max(x + mx, 0), 1599) - x, min(max(y + my, 0), 999) - y
        if WM == "fluxbox" and moves:  # its own rules: a drag whose pointer comes within 10 px
            # of the screen's side goes to the next workspace, the window and pointer carried to
            # the other side, one dragged by a grip low on it goes past the screen's top, all of
            # it, and a top edge within 10 px of the screen's bottom snaps onto it, the window
            # wholly below: a drag stops short of all three
            mx = max(mx, min(0, 11 - x)) if mx < 0 else min(mx, max(0, 1588 - x))
            my = max(my, min(0, -g0[1])) if my < 0 else min(my, max(0, 989 - g0[1]))
        steps = [s for i in range(1, 9) for s in
                 ("mousemove", x + mx * i // 8, y + my * i // 8, "sleep", 0.03)]
        xdotool("mousedown", 1, *steps, "mouseup", 1, "sleep", 0.3)
        g1 = self.geometry()
        xdotool("mousemove", fx, fy, "sleep", 0.3)
        if (g2 := self.geometry())[:2] != g1[:2]:
            raise Fault(f"the panel followed the pointer with no button held: {g1} -> {g2}")
        if target == "strip":
            return
        # The panel follows the pointer to the pixel, from the first motion on.
        want = (max(g0[0] + mx, self.left_limit(g0[2])), g0[1] + my) if moves else g0[:2]
        inside = 0 <= want[0] <= 1600 - g0[2] and 0 <= want[1] <= 1000 - g0[3]
        # fluxbox's and xfwm4's own rule: an edge within 10 px of a monitor's, the work area's
        # or another window's edge snaps to it; openbox holds an edge at a monitor's edge until
        # the drag goes 20 px past it, at another window's until 10 (its resistance, rc.xml).
        snap = {"fluxbox": 10, "xfwm4": 10, "openbox": 20}.get(WM, 0) if moves else 0
        if inside and any(abs(g1[i] - want[i]) > snap for i in (0, 1)):
            raise Fault(f"a drag of {(mx, my)} from {target}: {g0[:2]} -> {g1[:2]}, not {want}")

    # What a person sees after an action; raises Fault.
    def look(self, exit_ok):
        if exit_ok and not settles(lambda: self.panel.poll() is not None, 15):
            raise Fault("a click on an exit control did not end the panel")
        status = self.panel.poll()
        self.stderr.seek(0)
        if SANITIZER.search(report := self.stderr.read()):
            raise Fault("a sanitizer report:\n" + report.decode(errors="replace")[-4000:])
        if status is not None:
            if not exit_ok:
                raise Fault(f"the panel ended (status {status}) without a click on an exit control")
            if status != 0:
                raise Fault(f"the panel ended with status {status}")
            return self.recover()
        g = self.geometry()
        if g is None or not g[4]:
            raise Fault("the panel window is not shown")
        if (desktop := session.prop(self.window, "_NET_WM_DESKTOP")) != [0xFFFFFFFF]:
            raise Fault(f"the panel is not on every workspace: _NET_WM_DESKTOP {desktop}")
        if not any(overlaps(g[:4], m) for m in self.monitors):
            raise Fault(f"the panel is off screen at {g[:4]}")
        edges = [max(m[0], self.left_limit(g[2])) for m in self.monitors]
        if g[2] < WIDTH and (g[2] not in TUCKED or g[0] not in edges):
            raise Fault(f"a {g[2]}-px column at x={g[0]}, no strip at a monitor's left edge")
        if self.watch_focus:  # after a start or a box: where the keys go now
            self.watch_focus = False
            if not self.user_on_exit and self.focus_on_exit():
                raise Fault("the focus on an exit control: Enter or Space ends the panel", False)
        stack = self.windows()
        ids = [w for w, _, _ in stack]
        if self.window not in ids:
            raise Fault("the panel is not among the desktop's windows")
        browser = session.browser_processes(self.profile)
        above = [t or w for w, pid, t in stack[ids.index(self.window) + 1:] if pid in browser]
        # fluxbox lists its layers out of order: what the screen shows decides
        if above and g[2] == WIDTH and not self.exit_button_shows(g):
            raise Fault(f"browser windows above the panel: {above}")
        for box in self.boxes():
            b = window_info(box)
            if b and not any(overlaps(b[:4], m) for m in self.monitors):
                raise Fault(f"the box {self.names[box][1]!r} is off screen at {b[:4]}")
        # A value read from the file loses its outer spaces, as the format's readers do: a name
        # of spaces typed before a restart comes back empty.
        same = lambda: [k.strip() for k in self.kept()] == [k.strip() for k in self.kept_on_disk()]
        if not settles(same, 2):
            raise Fault(f"List1 shows {self.kept()}, URL.ini {self.kept_on_disk()}", False)

    # The dark red of the × button, top right, is on the screen.
    def exit_button_shows(self, g):
        x, y = g[0] + CONTROLS["Command6(0)"][1] + 1, g[1] + CONTROLS["Command6(0)"][2] + 1
        if not any(overlaps((x, y, 1, 1), m) for m in self.monitors):
            return True
        # With a box of ours open the button was seen grey; a popup or a tooltip of ours (a text
        # box's menu) may cover it: nothing to tell
        if self.boxes() or any(overlaps((x, y, 1, 1), c) for c in self.popups(tooltips=True)):
            return True
        r, gr, b = pixel(x, y)
        return r > 100 and gr < 60 and b < 60

    def close(self):
        self.home_class.doClassCleanups()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("binary")
    p.add_argument("--seed", type=int, default=int(datetime.date.today().strftime("%Y%m%d")))
    p.add_argument("--actions", type=int, default=100)
    p.add_argument("--keep-going", action="store_true", help="note a fault and go on")
    p.add_argument("--fault-logs", help="with --keep-going, write PREFIX-N.replay at a fault")
    p.add_argument("--skip", action="append", default=[], choices=KINDS,
                   help="a kind of action left out")
    p.add_argument("--replay", help="a file of logged actions, one JSON list a line")
    args = p.parse_args()
    replay = args.replay and [json.loads(l) for l in open(args.replay) if l.startswith("[")]
    actions = len(replay) if replay else args.actions
    print(f"random session: seed {args.seed}, {actions} actions, window manager {WM}, "
          f"{os.environ.get('KURUMIN_MONITORS', '1')} monitor(s)", flush=True)
    log, faults, started = [], [], time.monotonic()
    s = Session(os.path.abspath(args.binary), random.Random(args.seed), args.skip)
    try:
        a = ["start"]
        for i in range(actions):
            log.append(a := replay[i] if replay else s.next_action(a))
            try:
                exit_ok = s.act(a)
                time.sleep(0.2)
                s.look(exit_ok)
                if (i + 1) % 250 == 0:
                    print(f"{i + 1} actions, {time.monotonic() - started:.0f} s", flush=True)
            except (Fault, AssertionError, GLib.GError) as e:
                # A question the accessibility interface left unanswered (25 s) is one too.
                faults.append(f"FAULT at action {len(log)}: {e}")
                print(faults[-1], file=sys.stderr, flush=True)
                if not args.keep_going:
                    break
                if args.fault_logs:  # each fault's replay, as it comes
                    with open(f"{args.fault_logs}-{len(log)}.replay", "w") as f:
                        print(*(json.dumps(a, ensure_ascii=False) for a in log), sep="\n", file=f)
                if getattr(e, "lasting", True) or s.panel.poll() is not None:
                    log.append(["restart"])  # so that a replay does the same
                    s.recover()
    finally:
        s.close()
    took = time.monotonic() - started
    if faults:
        print(f"{len(faults)} fault(s) in {len(log)} actions, {took:.0f} s, seed {args.seed}; "
              "the actions:", file=sys.stderr)
        print(*(json.dumps(a, ensure_ascii=False) for a in log), sep="\n", file=sys.stderr)
        return 1
    print(f"{len(log)} actions, no fault, {took:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
