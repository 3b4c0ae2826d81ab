"""The test's panel and browser: what the browser shows, asked over its
DevTools port, and ending both when a test is done."""

import json
import os
import signal
import subprocess
import urllib.request


def pages(home):
    """(address, title) of every page of the browser on `home`'s profile."""
    port_file = os.path.join(home, "browser-profile", "DevToolsActivePort")
    try:
        with open(port_file) as f:
            port = f.readline().strip()
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=2) as r:
            targets = json.load(r)
    except (OSError, ValueError):
        return []
    return [(t["url"], t.get("title", "")) for t in targets if t.get("type") == "page"]


def end_session(panel, home):
    """Ends the panel, then the browser, which outlives it by design."""
    # Imported here: stepping_e2e imports this module.
    from keep_e2e import browser_processes
    from stepping_e2e import alive, end_browser, wait_for

    if panel is not None and panel.poll() is None:
        panel.terminate()
        try:
            panel.wait(10)
        except subprocess.TimeoutExpired:
            panel.kill()
            panel.wait()
    profile = os.path.join(home, "browser-profile")
    end_browser(profile)
    for pid in browser_processes(profile):  # a lock that did not name it
        os.kill(pid, signal.SIGKILL)
        wait_for(f"browser {pid} to exit", lambda: not alive(pid), timeout=5)
