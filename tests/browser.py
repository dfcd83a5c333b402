#!/usr/bin/env python3
"""The demo's page in a real browser: headless Chromium opens it from file://
and, through the DevTools protocol on a pipe, this test checks that no console
error or failed load occurs, that every picture is drawn with a size, and that
no request leaves the file. It keeps a screenshot of the whole page.

    browser.py PAGE --screenshot PNG [--chromium PATH]
"""

import argparse
import base64
import fcntl
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

# Inside the browser, after loading: each picture's drawn size.
MEASURE = """JSON.stringify({
  pictures: [...document.querySelectorAll('svg, img')]
    .filter(e => !e.parentElement.closest('svg'))
    .map(e => { const r = e.getBoundingClientRect(); return {tag: e.tagName, width: r.width, height: r.height,
                label: e.getAttribute('aria-label') || ''}; }),
  sections: [...document.querySelectorAll('section h3')].map(h => h.textContent),
  height: document.documentElement.scrollHeight
})"""


class DevTools:
    """Chromium's DevTools protocol over --remote-debugging-pipe: JSON messages
    ended by a NUL byte, written to the browser's fd 3 and read from its fd 4."""

    def __init__(self, chromium: str, profile: str):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        def pipe_fds():  # in the child: the browser reads commands on fd 3 and answers on fd 4
            commands = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD, 10)
            answers = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD, 10)
            os.dup2(commands, 3)
            os.dup2(answers, 4)

        self.process = subprocess.Popen(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--disable-default-apps", "--hide-scrollbars", "--force-device-scale-factor=1",
             "--disable-breakpad", "--remote-debugging-pipe", f"--user-data-dir={profile}", "about:blank"],
            # whatever else it keeps (crash reports, caches) stays in the profile folder too
            env=dict(os.environ, HOME=profile, XDG_CONFIG_HOME=profile, XDG_CACHE_HOME=profile),
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            close_fds=False, preexec_fn=pipe_fds)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def _message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("the browser did not answer")
            chunk = os.read(self.from_browser, 65536)
            if not chunk:
                raise RuntimeError("the browser closed the pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def send(self, method, session=None, timeout=30, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self._message(deadline)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer["result"]
            self.events.append(answer)

    def wait_for(self, method, timeout=30):
        deadline = time.monotonic() + timeout
        for event in self.events:
            if event.get("method") == method:
                return event
        while True:
            event = self._message(deadline)
            self.events.append(event)
            if event.get("method") == method:
                return event

    def close(self):
        try:
            self.send("Browser.close", timeout=5)
        except (RuntimeError, TimeoutError, OSError):
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def check_page(page: Path, screenshot: Path, chromium: str) -> list[str]:
    failures = []
    url = page.resolve().as_uri()
    with tempfile.TemporaryDirectory() as profile:
        browser = DevTools(chromium, profile)
        try:
            target = browser.send("Target.createTarget", url="about:blank")["targetId"]
            session = browser.send("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
            for domain in ("Page", "Runtime", "Log", "Network"):
                browser.send(f"{domain}.enable", session)
            browser.send("Emulation.setDeviceMetricsOverride", session, width=1280, height=720,
                         deviceScaleFactor=1, mobile=False)
            browser.send("Page.navigate", session, url=url)
            browser.wait_for("Page.loadEventFired")
            measured = json.loads(browser.send("Runtime.evaluate", session, expression=MEASURE,
                                               returnByValue=True)["result"]["value"])
            shot = browser.send("Page.captureScreenshot", session, format="png", captureBeyondViewport=True,
                                clip={"x": 0, "y": 0, "width": 1280, "height": measured["height"], "scale": 1})
            screenshot.parent.mkdir(parents=True, exist_ok=True)
            screenshot.write_bytes(base64.b64decode(shot["data"]))
        finally:
            browser.close()
    for event in browser.events:
        method, params = event.get("method"), event.get("params", {})
        if method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
            failures.append(f"console error: {params.get('args')}")
        elif method == "Runtime.exceptionThrown":
            failures.append(f"exception: {params.get('exceptionDetails', {}).get('text')}")
        elif method == "Log.entryAdded" and params.get("entry", {}).get("level") == "error":
            failures.append(f"browser log error: {params['entry'].get('text')}")
        elif method == "Network.requestWillBeSent":
            request = params["request"]["url"]
            if request != url and not request.startswith("data:"):
                failures.append(f"a request leaves the file: {request}")
        elif method == "Network.loadingFailed":
            failures.append(f"failed to load: {params.get('errorText')}")
    if not measured["pictures"]:
        failures.append("the page has no pictures")
    for picture in measured["pictures"]:
        if picture["width"] < 1 or picture["height"] < 1:
            failures.append(f"picture drawn without a size: {picture}")
    print(f"{len(measured['pictures'])} pictures, page {measured['height']} px high, "
          f"{len(measured['sections'])} subsections; screenshot {screenshot}")
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("page", type=Path)
    parser.add_argument("--screenshot", type=Path, required=True)
    parser.add_argument("--chromium", default=shutil.which("chromium") or "chromium")
    args = parser.parse_args()
    if not shutil.which(args.chromium):
        print("The browser test needs Chromium: sudo apt-get install chromium")
        return 77
    failures = check_page(args.page, args.screenshot, args.chromium)
    for failure in failures:
        print(f"FAIL: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
