"""Finding and pressing the panel's controls through AT-SPI, as a screen reader does."""

import time

import pyatspi


def application(name, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.1)
    raise AssertionError(f"no accessible application {name!r}")


def applications(name):
    desktop = pyatspi.Registry.getDesktop(0)
    apps = (desktop.getChildAtIndex(i) for i in range(desktop.childCount))
    return [a for a in apps if a is not None and a.name == name]


def _walk(node):
    stack = [node]
    while stack:
        n = stack.pop()
        if n is None:
            continue
        yield n
        try:
            stack.extend(n.getChildAtIndex(i) for i in range(n.childCount))
        except Exception:  # a child that went away while walking
            pass


def find(root, name, description=None, timeout=5.0):
    """The first showing control called `name` (its caption, or its tooltip);
    `description` (the tooltip) tells apart controls of the same caption."""
    deadline = time.monotonic() + timeout
    while True:
        for n in _walk(root):
            try:
                if n.name != name:
                    continue
                if description is not None and n.description != description:
                    continue
                if not n.getState().contains(pyatspi.STATE_SHOWING):
                    continue
                return n
            except Exception:
                continue
        if time.monotonic() > deadline:
            raise AssertionError(f"no control {name!r}")
        time.sleep(0.1)


def press(root, name, description=None, timeout=5.0):
    node = find(root, name, description, timeout=timeout)
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("press", "Press", "click"):
            action.doAction(i)
            return node
    raise AssertionError(f"{name!r} offers no press action")


def text_of(node):
    t = node.queryText()
    return t.getText(0, -1)


def select(node, start, end):
    """Selects text as a screen reader or an input tool does: through the text
    interface alone, with the focus wherever it is."""
    node.queryText().setSelection(0, start, end)


def centre(node):
    """The control's centre in screen pixels, for input injection."""
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x + e.width // 2, e.y + e.height // 2

