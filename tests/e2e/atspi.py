# The panel's controls found and pressed through AT-SPI, as a screen reader does.

import time

import pyatspi


# The predicate's first true value, tried at least once.
def wait_for(what, predicate, timeout=10.0):
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)
    return value


def settles(predicate, timeout):
    try:
        return wait_for("", predicate, timeout)
    except AssertionError:
        return False


def applications(name):
    desktop = pyatspi.Registry.getDesktop(0)
    apps = (desktop.getChildAtIndex(i) for i in range(desktop.childCount))
    return [a for a in apps if a is not None and a.name == name]


def walk(node):
    stack = [node]
    while stack:
        if (n := stack.pop()) is not None:
            yield n
            try:
                stack.extend(n.getChildAtIndex(i) for i in range(n.childCount))
            except Exception:  # a child that went away while walking
                pass


def first(root, test):
    for n in walk(root):
        try:
            if test(n):
                return n
        except Exception:  # a node that went away
            pass
    return None


# The showing control called `name` (its caption, or its tooltip), or None; `description` (the
# tooltip) tells apart controls of the same caption.
def shown(root, name, description=None):
    return first(root, lambda n: n.name == name and description in (None, n.description)
                 and n.getState().contains(pyatspi.STATE_SHOWING))


def find(root, name, description=None, timeout=5.0):
    return wait_for(f"the control {name!r}", lambda: shown(root, name, description), timeout)


def press(root, name, description=None, timeout=5.0):
    action = find(root, name, description, timeout).queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("press", "Press", "click"):
            return action.doAction(i)
    raise AssertionError(f"{name!r} offers no press action")


def text_of(node):
    return node.queryText().getText(0, -1)


def centre(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x + e.width // 2, e.y + e.height // 2


def combo(root):
    return first(root, lambda n: n.getRole() == pyatspi.ROLE_COMBO_BOX)


# A list's item names in its own order, which walk() does not keep.
def items(node):
    for child in filter(None, (node.getChildAtIndex(i) for i in range(node.childCount))):
        if child.getRole() == pyatspi.ROLE_LIST_ITEM:
            yield child.name
        else:
            yield from items(child)
