#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The page in a real browser, driven over WebDriver as a user drives it:
Debian's Chromium (through chromedriver) or WebKitGTK, the engine of every
iPad browser (through WebKitWebDriver, on an X display).

    browser_check.py chromium|webkit PAGE_DIR

PAGE_DIR holds quinmare.html, opened from disk as a teacher hands it out,
and app/, served here over http as the installable web app.

A test that acts during a run holds the run at its next frame (the page
hands control to the browser there) and slows the page's writes so that the
run reaches one: what happens while it is held happens during the run,
however fast or loaded the machine."""
import functools
import http.server
import io
import os
import sys
import tempfile
import threading
import time

from PIL import Image
from selenium import webdriver
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import genetic_code  # noqa: E402

ENGINE = sys.argv[1]
PAGE_DIR = os.path.abspath(sys.argv[2])
PAGE = "file://" + os.path.join(PAGE_DIR, "quinmare.html")
CHROMIUM = ENGINE == "chromium"
TIMEOUT = 120

# The form in twips, written out here rather than read from layout.h, so that a
# wrong entry there shows: name, left, top, width, height.
TWIPS = {
    "Label1_0": (120, 120, 2535, 375), "Command1": (240, 10200, 1455, 375), "Slider1": (1800, 10200, 3735, 375),
    "Text1": (5520, 10320, 735, 270), "Label2": (6240, 10350, 375, 200), "Text0": (240, 480, 6255, 9615),
    "Text2": (8400, 480, 6255, 9615), "Text3": (6720, 5280, 1455, 735), "Command2": (6720, 6240, 1455, 735),
    "Label1_1": (8400, 120, 2535, 375),
}
ARROW = [(6960, 4440, 7680, 4440), (6960, 4920, 6960, 4440), (6960, 4920, 7680, 4920), (7680, 4440, 7680, 4200),
         (7680, 4920, 7680, 5160), (7680, 4200, 8040, 4680), (7680, 5160, 8040, 4680)]

# Installed into the page by the tests: holds a run at its next frame, slows
# the page's writes, reads the fields as held.
HELPERS = """
window.T = {
  hold: false, held: [],
  deepest: 0,
  install(slowMs) {
    const page = Module.page, frame = page.frame, write = page.write, runs = page.runs;
    page.runs = (depth) => { T.deepest = Math.max(T.deepest, depth); runs(depth); };
    page.frame = (resume) => frame(() => { if (T.hold) T.held.push(resume); else resume(); });
    page.write = (...args) => { const end = performance.now() + slowMs; while (performance.now() < end); return write(...args); };
  },
  release() { T.hold = false; T.held.splice(0).forEach((resume) => resume()); },
  // As code units: a lone surrogate does not survive WebDriver as text.
  field: (n) => { const t = Module.page.text(n), u = []; for (let i = 0; i < t.length; ++i) u.push(t.charCodeAt(i)); return u; },
  runs: () => Number(document.getElementById('Form1').dataset.runs || 0),
};
"""


class Failure(Exception):
    pass


class Skip(Exception):
    pass


def chromium_only(what):
    if not CHROMIUM:
        raise Skip(f"{what} goes through Chromium's DevTools protocol")


def check(condition, message):
    if not condition:
        raise Failure(message)


def start_browser(language="ja"):
    if CHROMIUM:
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update", "--disable-sync",
                         "--window-size=1280,900", f"--lang={language}", f"--accept-lang={language}",
                         f"--user-data-dir={tempfile.mkdtemp(prefix='quinmare-chromium-')}"]:
            options.add_argument(argument)
        options.add_experimental_option("prefs", {"intl.accept_languages": language})
        from selenium.webdriver.chrome.service import Service
        return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    options = webdriver.WebKitGTKOptions()
    options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
    options.add_argument("--automation")
    os.environ["LANGUAGE"] = language
    driver = webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options)
    driver.set_window_size(1280, 900)
    return driver


class Page:
    def __init__(self, driver, url=PAGE):
        self.driver = driver
        driver.get(url)
        self.wait("the form to be laid out", "return document.getElementById('Form1').classList.contains('ready')")
        driver.execute_script(HELPERS)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def wait(self, what, script, *args):
        deadline = time.monotonic() + TIMEOUT
        while time.monotonic() < deadline:
            value = self.driver.execute_script(script, *args)
            if value:
                return value
            time.sleep(0.02)
        raise Failure(f"timed out waiting for {what}")

    def element(self, name):
        return self.driver.find_element(By.ID, name)

    def shown(self, name):
        return self.js(f"return document.getElementById('{name}').value")

    def field(self, number):
        units = self.js(f"return T.field({number})")
        return b"".join(u.to_bytes(2, "little") for u in units).decode("utf-16-le", "surrogatepass")

    def slider_to(self, position):
        """Sets the slider with the keyboard, as a user without a mouse would."""
        slider = self.element("Slider1")
        slider.send_keys(Keys.HOME)
        slider.send_keys(Keys.PAGE_UP * (position // 300) + Keys.ARROW_RIGHT * (position % 300))
        check(self.shown("Text1") == str(position), f"length box shows {self.shown('Text1')!r}, not {position}")

    def press(self, name):
        self.element(name).click()

    def run_to_end(self):
        self.wait("the runs to end", "return T.runs() === 0 && T.held.length === 0")

    def held_run(self, button, slow_ms=0.2):
        """Presses a button and returns once its run is held at a frame."""
        self.js(f"T.install({slow_ms}); T.hold = true")
        self.press(button)
        self.wait("the run to reach a frame", "return T.held.length > 0")

    def release(self):
        self.js("T.release()")

    def type_sequence(self, text):
        box = self.element("Text0")
        box.clear()
        box.send_keys(text)


# ---- The checks ------------------------------------------------------------------

def check_form(page):
    """Layout, colours, fonts, arrow, initial contents and focus."""
    for name, (left, top, width, height) in TWIPS.items():
        box = page.js(f"const e = document.getElementById('{name}');"
                      "return [e.offsetLeft, e.offsetTop, e.offsetWidth, e.offsetHeight]")
        want = [left / 15, top / 15, width / 15, height / 15]
        check(all(abs(a - b) <= 1 for a, b in zip(box, want)), f"{name} at {box}, not {want}")
    lines = page.js("return [...document.querySelectorAll('#Arrow line')].map("
                    "l => ['x1','y1','x2','y2'].map(a => Number(l.getAttribute(a))))")
    check(len(lines) == 7, f"{len(lines)} arrow lines")
    for got, want in zip(lines, ARROW):
        check(all(abs(g - w / 15 - 0.5) <= 0.01 for g, w in zip(got, want)), f"arrow line {got}, not {want}")
    style = page.js("""const s = (id, p) => getComputedStyle(document.getElementById(id))[p];
        return {form: s('Form1', 'backgroundColor'), blue: s('Label1_0', 'color'), red: s('Label1_1', 'color'),
                arrow: getComputedStyle(document.getElementById('Arrow')).stroke,
                heading: [s('Label1_0', 'fontFamily'), s('Label1_0', 'fontSize'), s('Label1_0', 'fontWeight')],
                box: [s('Text0', 'fontFamily'), s('Text0', 'fontSize')], codon: [s('Text3', 'fontSize'), s('Text3', 'fontWeight')],
                button: s('Command1', 'fontSize'), align: [s('Text1', 'textAlign'), s('Text3', 'textAlign')]}""")
    check(style["form"] == "rgb(224, 224, 224)", f"form colour {style['form']}")
    check(style["blue"] == "rgb(0, 0, 255)" and style["red"] == "rgb(255, 0, 0)", f"headings {style}")
    check(style["arrow"] in ("rgb(0, 0, 0)", "#000000"), f"arrow colour {style['arrow']}")
    check(style["heading"][0].startswith('"ＭＳ Ｐゴシック"') and style["heading"][1:] == ["19px", "700"],
          f"heading font {style['heading']}")
    check(style["box"][0].startswith('"MS UI Gothic"') and style["box"][1] == "13px", f"box font {style['box']}")
    check(style["codon"] == ["40px", "700"] and style["button"] == "12px", f"fonts {style}")
    check(style["align"] == ["right", "center"], f"alignment {style['align']}")
    # What the screen shows, once the page has been painted: the form's grey,
    # the arrow's lines in black and the headings in their colours.
    def on_screen():
        screen = Image.open(io.BytesIO(page.driver.get_screenshot_as_png())).convert("RGB")
        ratio = page.js("return devicePixelRatio")
        origin = page.js("const r = document.getElementById('Form1').getBoundingClientRect();"
                         "return [r.x, r.y, r.width / 990]")

        def pixels(x, y, reach):
            """The colours around a point of the form, in CSS pixels."""
            cx, cy = (origin[0] + x * origin[2]) * ratio, (origin[1] + y * origin[2]) * ratio
            return {screen.getpixel((int(cx) + dx, int(cy) + dy)) for dx in range(-reach, reach + 1)
                    for dy in range(-reach, reach + 1)}

        check(pixels(500, 100, 2) == {(224, 224, 224)}, "the form is not grey")
        for x1, y1, x2, y2 in ARROW:
            middle = ((x1 + x2) / 30 + 0.5, (y1 + y2) / 30 + 0.5)
            darkest = min(sum(colour) for colour in pixels(*middle, 1))
            check(darkest < 150, f"no arrow line around {middle}: darkest {darkest}")
        for name, colour in (("Label1_0", (0, 0, 255)), ("Label1_1", (255, 0, 0))):
            rect = page.js(f"return document.getElementById('{name}').getBoundingClientRect().toJSON()")
            box = [int(rect[side] * ratio) for side in ("x", "y", "right", "bottom")]
            check(colour in set(screen.crop(box).getdata()), f"no {colour} in the heading at {box}")

    deadline = time.monotonic() + TIMEOUT
    while True:
        try:
            on_screen()
            break
        except Failure:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.2)
    check([page.shown(n) for n in ("Text0", "Text1", "Text2", "Text3")] == ["", "0", "", ""], "initial contents")
    check(page.js("return document.getElementById('Slider1').valueAsNumber") == 0, "slider not at 0")
    check(page.js("return document.activeElement.id") == "Command1", "focus is not on 配列自動生成")
    order = []
    for _ in range(4):
        page.driver.switch_to.active_element.send_keys(Keys.TAB)
        order.append(page.js("return document.activeElement.id"))
    check(order == ["Slider1", "Text0", "Text2", "Command2"], f"tab order {order}")
    check(page.js("return document.querySelectorAll('[aria-live]').length") == 0, "a live region floods readers")


def check_first_generate_and_decode(page):
    """The first generate matches the desktop program's, and its decoding the genetic code."""
    stream = genetic_code.Stream()
    page.slider_to(301)
    page.press("Command1")
    page.run_to_end()
    expected = stream.generate(301)
    check(page.shown("Text0") == expected, f"generated {page.shown('Text0')[:30]!r}..., not {expected[:30]!r}...")
    check(page.shown("Text1") == "300" and page.js("return Slider1.valueAsNumber") == 300, "length not rounded")
    page.press("Command2")
    page.run_to_end()
    check(page.field(2) == genetic_code.decoded(expected, 300), f"decoded {page.field(2)[:40]!r}...")
    check(page.shown("Text2") == genetic_code.decoded(expected, 300).replace("\r\n", "\n"), "box shows other text")
    check(page.shown("Text3") == expected[-3:], f"codon box {page.shown('Text3')!r}")


def check_typed_sequences(page):
    """Typed text: stops and empty lines, line breaks taking two places, a
    surrogate pair two, and each unit copied as it is."""
    rows = [("ATGGCCTAAGGG", 12, "Met__Ala__stop\r\n\r\nGly__", "GGG"),
            ("ATGTGGAAAC", 10, "Met__Trp__Lys__", "AAA"),
            ("ATG" + Keys.ENTER + "ATGATG", 12, "Met__stop\r\n\r\n", "TG"),
            ("AA\U0001F600ATG", 6, "", "\udE00AT")]
    for sequence, length, text2, text3 in rows:
        page.js("document.getElementById('Text0').value = ''; T.install(0)")
        page.element("Text0").send_keys(sequence) if "\U0001F600" not in sequence else page.js(
            "const b = document.getElementById('Text0'); b.value = arguments[0];"
            "b.dispatchEvent(new InputEvent('input', {inputType: 'insertFromPaste'}))", sequence)
        page.slider_to(length)
        page.press("Command2")
        page.run_to_end()
        check(page.field(2) == text2, f"{sequence!r}: decoded {page.field(2)!r}, not {text2!r}")
        check(page.field(3) == text3, f"{sequence!r}: codon box holds {page.field(3)!r}, not {text3!r}")
        check(page.field(0) == sequence.replace(Keys.ENTER, "\r\n"), f"{sequence!r}: field is {page.field(0)!r}")


def check_nested_decode(page):
    """A press of decode during a decode runs nested: it empties the box and
    decodes from scratch, then the outer run carries on after it."""
    page.type_sequence("ATGGCCTAAGGGTTTCCCAAAGGG" * 20)
    page.slider_to(480)
    full = genetic_code.decoded("ATGGCCTAAGGGTTTCCCAAAGGG" * 20, 480)
    page.held_run("Command2")
    done = page.field(2)
    check(full.startswith(done) and done != full, "held run's output")
    # A screen reader is told to leave the form alone while it changes.
    check(page.js("return document.getElementById('Form1').getAttribute('aria-busy')") == "true", "not busy")
    page.press("Command2")
    page.release()
    page.run_to_end()
    check(page.field(2) == full + full[len(done):], f"after a nested decode: {page.field(2)[:60]!r}...")


def check_typing_during_runs(page):
    """Text typed during a run stays, and the run appends after it."""
    page.slider_to(3000)
    page.held_run("Command1")
    before = page.field(0)
    page.element("Text0").send_keys("xyz")
    check(page.js("return T.runs()") == 1, "the generate ended while the user typed")
    page.release()
    page.run_to_end()
    text0 = page.field(0)
    check(text0.startswith(before + "xyz") and len(text0) == 3003, f"typed text in {text0[:len(before) + 9]!r}...")
    page.held_run("Command2")
    done = page.field(2)
    page.element("Text2").send_keys(Keys.END, "note")
    page.release()
    page.run_to_end()
    full = genetic_code.decoded(text0, 3000)
    check(page.field(2) == done + "note" + full[len(done):], "text typed into the amino-acid box during a decode")


def check_composition_during_run(page):
    """A composition open during a decode: nothing is written into the box
    while it lasts, and the decode appends after what is committed."""
    chromium_only("an input method's composition")
    page.type_sequence("ATGGCCTAAGGGTTTCCCAAAGGG" * 40)
    page.slider_to(960)
    full = genetic_code.decoded("ATGGCCTAAGGGTTTCCCAAAGGG" * 40, 960)
    page.held_run("Command2")
    page.element("Text2").click()
    page.js("const b = document.getElementById('Text2'); b.setSelectionRange(b.value.length, b.value.length)")
    done = page.field(2)
    page.driver.execute_cdp_cmd("Input.imeSetComposition", {"text": "にほ", "selectionStart": 2, "selectionEnd": 2})
    shown = page.shown("Text2")
    page.release()
    page.wait("the decode to go on", "return Module.page.text(2).length > arguments[0] + 100", len(done) + 2)
    check(page.shown("Text2") == shown, "text was written into the box during the composition")
    page.js("T.hold = true")
    page.wait("the run to reach a frame", "return T.held.length > 0 || T.runs() === 0")
    page.driver.execute_cdp_cmd("Input.insertText", {"text": "日本"})
    page.release()
    page.run_to_end()
    check(page.field(2) == done + "日本" + full[len(done):], f"composition in the decode: {page.field(2)[-80:]!r}")
    check(page.shown("Text2") == page.field(2).replace("\r\n", "\n"), "the box does not show the field")


def check_reload_mid_run(page):
    """A tab closed or reloaded during a run is harmless, and the stream starts again."""
    first = page.driver.current_window_handle
    page.driver.switch_to.new_window("tab")
    closing = Page(page.driver)
    closing.slider_to(3000)
    closing.held_run("Command1")
    page.driver.close()
    page.driver.switch_to.window(first)
    page.slider_to(3000)
    page.held_run("Command1")
    page.driver.refresh()
    page = Page(page.driver)
    page.slider_to(300)
    page.press("Command1")
    page.run_to_end()
    check(page.shown("Text0") == genetic_code.Stream().generate(300), "after a reload, not the first sequence")


def check_nesting_cap(page):
    """Presses nest to 256 runs deep; one more does nothing."""
    page.type_sequence("ATGTGG")
    page.slider_to(300)
    page.held_run("Command2", slow_ms=0.5)
    done = page.field(2)
    page.js("for (let i = 0; i < 300; ++i) document.getElementById('Command2').click()")
    page.release()
    page.run_to_end()
    deepest = page.js("return T.deepest")
    check(deepest == 256, f"{deepest} runs nested, not 256")
    # Each nested run decoded the first codon and nested the next; the
    # innermost decoded both codons, and each run below it resumed at the
    # second, the outer one too if it was held before it.
    expected = "Met__" + "Trp__" * (255 + (done == "Met__"))
    check(page.field(2) == expected, f"after the nest: {len(page.field(2))} units, not {len(expected)}")


def check_touch_slider(page):
    """An exact length without a keyboard: a finger on the slider, moved away
    from it for finer steps."""
    chromium_only("touch")
    page.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
    rect = page.js("return document.getElementById('Slider1').getBoundingClientRect().toJSON()")
    y = rect["y"] + rect["height"] / 2
    x = rect["x"] + rect["width"] * 0.03

    def touch(kind, px, py):
        points = [] if kind == "touchEnd" else [{"x": px, "y": py}]
        page.driver.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})

    # Along the slider the thumb follows the finger; then, a finger's
    # breadth below, a tenth of the speed, and further away a hundredth.
    thumb = rect["x"]
    touch("touchStart", thumb, y)
    for step in range(1, 11):
        touch("touchMove", thumb + step * (0.025 * rect["width"]) / 10, y)
    x = thumb + 0.025 * rect["width"]
    for step in range(1, 31):
        touch("touchMove", x, y + 8 * step)
    fine_y = y + 240
    value = int(page.shown("Text1"))
    for _ in range(400):
        if value == 300:
            break
        x += 1 if value < 300 else -1
        touch("touchMove", x, fine_y)
        moved_to = int(page.shown("Text1"))
        check(abs(moved_to - value) <= 1, f"a pixel moved the length from {value} to {moved_to}")
        value = moved_to
    touch("touchEnd", x, fine_y)
    check(page.shown("Text1") == "300", f"the finger set {page.shown('Text1')}, not 300")
    page.press("Command1")
    page.run_to_end()
    check(len(page.shown("Text0")) == 300, "generated after a touch")


def check_scale_and_zoom(page):
    """The form fits the window keeping its proportions (an iPad's 1024x768 and
    768x1024, a Chromebook's 1366x768); the browser's zoom enlarges it from
    there, with scroll bars."""
    for width, height in [(1024, 768), (768, 1024), (1366, 768)]:
        before = page.js("return innerWidth")
        if CHROMIUM:
            page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                        {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        else:
            page.driver.set_window_size(width, height)
        # The window takes its new size when it does; then the form fits it.
        size = page.wait("the form to fit the new size", """
            const r = document.getElementById('Form1').getBoundingClientRect();
            return innerWidth !== arguments[0]
                && Math.abs(r.width - 990 * Math.min(innerWidth / 990, innerHeight / 718)) < 1
                && [innerWidth, innerHeight];""", before)
        rect = page.js("return document.getElementById('Form1').getBoundingClientRect().toJSON()")
        check(rect["x"] >= 0 and rect["y"] >= 0 and rect["right"] <= size[0] + 0.5 and rect["bottom"] <= size[1] + 0.5,
              f"{size}: form at {rect}")
        check(abs(rect["width"] / rect["height"] - 990 / 718) < 0.01, "proportions")
    chromium_only("the browser's zoom")
    # Zoom at 200 % on a 1280x800 window: half the CSS pixels, twice the device pixels.
    page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": 1280, "height": 800, "deviceScaleFactor": 1, "mobile": False})
    at_100 = page.wait("the form to fit", """
        const width = document.getElementById('Form1').getBoundingClientRect().width;
        return innerWidth === 1280 && Math.abs(width - 990 * Math.min(1280 / 990, 800 / 718)) < 1 && width;""")
    page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": 640, "height": 400, "deviceScaleFactor": 2, "mobile": False})
    page.wait("the zoom", "return innerWidth === 640")
    # The page answers the resize in the next frame's rendering steps, before
    # its animation-frame callbacks: two frames on, it has.
    at_200 = page.driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        requestAnimationFrame(() => requestAnimationFrame(
            () => done(document.getElementById('Form1').getBoundingClientRect().width)));""")
    check(abs(at_200 - at_100) < 1, f"zoomed form {at_200} CSS px wide, not {at_100} (twice the device pixels)")
    page.js("document.getElementById('Command1').scrollIntoView()")
    page.slider_to(30)
    page.press("Command1")
    page.run_to_end()
    check(len(page.shown("Text0")) == 30, "generate at zoom 200 %")
    page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def check_accessibility(language):
    """Every control named and described in the reader's language."""
    chromium_only("the accessibility tree")
    driver = start_browser(language)
    try:
        Page(driver)
        nodes = driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
        described = {}
        for node in nodes:
            name = node.get("name", {}).get("value", "")
            description = node.get("description", {}).get("value", "")
            role = node.get("role", {}).get("value", "")
            if description:
                described[role + ":" + name] = description
        japanese = language == "ja"
        expected = {
            "button:配列自動生成": "スライダーで選んだ長さ" if japanese else "Generates a random DNA sequence",
            "slider:" + ("塩基数" if japanese else "Number of bases"): "作る塩基配列" if japanese else "Chooses how many",
            "textbox:解読対象塩基配列": "翻訳するDNA" if japanese else "The DNA sequence to decode",
            "textbox:アミノ酸配列": "翻訳されたアミノ酸配列" if japanese else "The decoded amino acids",
            "textbox:" + ("翻訳中のコドン" if japanese else "Codon being decoded"):
                "いま翻訳している" if japanese else "The codon being decoded",
            "button:解読かいしぃ～": "塩基配列をコドンごとに" if japanese else "Decodes the sequence",
        }
        for control, start in expected.items():
            check(described.get(control, "").startswith(start),
                  f"{language}: {control} described as {described.get(control)!r}")
    finally:
        driver.quit()


def check_web_app():
    """The hosted folder: installable, and working offline once opened."""
    chromium_only("installability")
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=os.path.join(PAGE_DIR, "app"))
    handler.log_message = lambda *args: None
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    driver = start_browser()
    try:
        page = Page(driver, f"http://127.0.0.1:{server.server_address[1]}/")
        page.wait("the service worker", "return navigator.serviceWorker.controller !== null || "
                  "(navigator.serviceWorker.ready.then(() => location.reload()), false)")
        errors = driver.execute_cdp_cmd("Page.getInstallabilityErrors", {})["installabilityErrors"]
        check(not errors, f"not installable: {errors}")
        server.shutdown()
        server.server_close()
        page = Page(driver, driver.current_url)
        page.slider_to(30)
        page.press("Command1")
        page.run_to_end()
        check(len(page.shown("Text0")) == 30, "offline, the app did not work")
    finally:
        driver.quit()


def run(check_function, *arguments):
    """Runs one check; returns whether it failed."""
    title = " ".join(check_function.__doc__.split(".")[0].split())
    label = " ".join(a for a in arguments if isinstance(a, str))
    try:
        check_function(*arguments)
        print(f"PASS {ENGINE}: {title} {label}")
    except Skip as skip:
        print(f"SKIP {ENGINE}: {title} {label}: {skip}")
    except Failure as failure:
        print(f"FAIL {ENGINE}: {title} {label}: {failure}")
        return True
    return False


def main():
    started = time.monotonic()
    failures = 0
    driver = start_browser()
    try:
        for each in [check_form, check_first_generate_and_decode, check_typed_sequences, check_nested_decode,
                     check_typing_during_runs, check_composition_during_run, check_nesting_cap, check_touch_slider,
                     check_scale_and_zoom, check_reload_mid_run]:
            failures += run(each, Page(driver))
    finally:
        driver.quit()
    failures += run(check_accessibility, "ja") + run(check_accessibility, "en") + run(check_web_app)
    print(f"{ENGINE}: {failures} failed, in {time.monotonic() - started:.1f} s")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
