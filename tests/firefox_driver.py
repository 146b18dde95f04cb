# SPDX-License-Identifier: GPL-3.0-or-later
"""Firefox for the page's checks, with the few calls of a Selenium WebDriver
they make: Firefox is driven over WebDriver BiDi by puppeteer-core
(firefox_bridge.mjs, run by node), which takes the requests here one JSON
line at a time. The window is a real one on the X display the checks run on,
so that its size and zoom are the window's own."""
import base64
import json
import os
import subprocess
import time

from selenium.webdriver.common.keys import Keys

BRIDGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "firefox_bridge.mjs")

# Selenium's special keys, by the names puppeteer gives them.
KEY_NAMES = {Keys.TAB: "Tab", Keys.ENTER: "Enter", Keys.RETURN: "Enter", Keys.HOME: "Home", Keys.END: "End",
             Keys.PAGE_UP: "PageUp", Keys.PAGE_DOWN: "PageDown", Keys.ARROW_LEFT: "ArrowLeft",
             Keys.ARROW_RIGHT: "ArrowRight", Keys.ARROW_UP: "ArrowUp", Keys.ARROW_DOWN: "ArrowDown",
             Keys.BACKSPACE: "Backspace", Keys.DELETE: "Delete", Keys.ESCAPE: "Escape", Keys.F5: "F5",
             Keys.F8: "F8", Keys.F9: "F9", Keys.SPACE: " "}


class Failure(Exception):
    pass


def tokens(values):
    out = []
    for value in values:
        for character in str(value):
            if character in KEY_NAMES:
                out.append({"key": KEY_NAMES[character]})
            elif out and "text" in out[-1]:
                out[-1]["text"] += character
            else:
                out.append({"text": character})
    return out


class Element:
    def __init__(self, driver, selector):
        self.driver = driver
        self.selector = selector

    def click(self):
        self.driver.call("click", selector=self.selector)

    def send_keys(self, *values):
        self.driver.call("keys", selector=self.selector, tokens=tokens(values))

    def clear(self):
        self.driver.call("clear", selector=self.selector)


class SwitchTo:
    def __init__(self, driver):
        self.driver = driver

    @property
    def active_element(self):
        return Element(self.driver, None)

    def new_window(self, kind="tab"):
        self.driver.call("newTab")

    def window(self, handle):
        self.driver.call("switchTo", index=handle)


class FirefoxDriver:
    def __init__(self, puppeteer_dir, language="ja"):
        self.process = subprocess.Popen(["node", BRIDGE, puppeteer_dir, language], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True)
        self.switch_to = SwitchTo(self)
        self.pid = self.call("pid")

    def call(self, command, **arguments):
        self.process.stdin.write(json.dumps({"command": command, **arguments}) + "\n")
        self.process.stdin.flush()
        line = self.process.stdout.readline()
        if not line:
            raise Failure(f"Firefox's bridge ended during {command}")
        answer = json.loads(line)
        if "error" in answer:
            raise Failure(f"{command}: {answer['error']}")
        return answer["value"]

    def get(self, url):
        self.call("get", url=url)

    def refresh(self):
        self.call("refresh")

    @property
    def current_url(self):
        return self.call("url")

    @property
    def current_window_handle(self):
        return self.call("handle")

    def execute_script(self, script, *args):
        return self.call("script", body=script, args=list(args))

    def execute_async_script(self, script, *args):
        return self.call("asyncScript", body=script, args=list(args))

    def find_element(self, by, name):
        return Element(self, "#" + name)

    def get_screenshot_as_png(self):
        return base64.b64decode(self.call("screenshot"))

    def window_id(self):
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "firefox"],
                                   capture_output=True, text=True).stdout.split()
            if found:
                return found[-1]
            time.sleep(0.1)
        raise Failure("no Firefox window")

    def set_window_size(self, width, height):
        subprocess.run(["xdotool", "windowsize", self.window_id(), str(width), str(height)], check=True)

    def close(self):
        self.call("closeTab")

    def quit(self):
        try:
            self.call("quit")
        finally:
            self.process.wait(timeout=120)
