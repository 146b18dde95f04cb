#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The page in a real browser, driven over WebDriver as a user drives it:
Debian's Chromium (through chromedriver), WebKitGTK, the engine of every
iPad browser (through WebKitWebDriver), or Firefox ESR (over WebDriver BiDi,
through puppeteer-core: firefox_driver.py); WebKit and Firefox on an X
display, in real windows.

    browser_check.py chromium|webkit PAGE_DIR
    browser_check.py firefox PAGE_DIR PUPPETEER_DIR

PAGE_DIR holds quinmare.html, opened from disk as a teacher hands it out,
and app/, served here over http as the installable web app.

A test that acts during a run does what a teacher does: it pauses the runs
with the pace bar (the run waits at its next step for as long as it takes)
or sets a slower pace; nothing in the page is changed for the tests."""
import functools
import http.server
import io
import os
import re
import shutil
import subprocess
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
PUPPETEER_DIR = os.path.abspath(sys.argv[3]) if ENGINE == "firefox" else None
PAGE = "file://" + os.path.join(PAGE_DIR, "quinmare.html")
CHROMIUM = ENGINE == "chromium"
FIREFOX = ENGINE == "firefox"
WEBKIT = ENGINE == "webkit"
# How long a check waits for what must come before it gives up: only a
# fault ever takes this long, even on a machine busy with other work.
TIMEOUT = 300

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

# Read by the tests, changing nothing: the fields as the page holds them,
# the runs in progress and the deepest nesting seen, what the codon box and
# the listeners' region have shown.
HELPERS = """
window.T = {
  deepest: 0, codons: [], heard: [],
  // As code units: a lone surrogate does not survive WebDriver as text.
  field: (n) => { const t = Module.page.text(n), u = []; for (let i = 0; i < t.length; ++i) u.push(t.charCodeAt(i)); return u; },
  runs: () => Number(document.getElementById('Form1').dataset.runs || 0),
  watch() {
    const form = document.getElementById('Form1');
    new MutationObserver((records) => {
      for (const r of records) T.deepest = Math.max(T.deepest, Number(r.oldValue || 0));
      T.deepest = Math.max(T.deepest, T.runs());
    }).observe(form, { attributes: true, attributeFilter: ['data-runs'], attributeOldValue: true });
    new MutationObserver(() => T.heard.push(document.getElementById('Announcement').textContent.trim()))
      .observe(document.getElementById('Announcement'), { childList: true, characterData: true, subtree: true });
    const codon = document.getElementById('Text3');
    let last = codon.value;
    const look = () => { if (codon.value !== last) { last = codon.value; T.codons.push(last); } requestAnimationFrame(look); };
    requestAnimationFrame(look);
  },
};
T.watch();
"""


class Failure(Exception):
    pass


class Skip(Exception):
    pass


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def chromium_only(what):
    if not CHROMIUM:
        raise Skip(f"{what} goes through Chromium's DevTools protocol")


def x_window(engine_class):
    """The browser's window on the X display, for keys the browser itself takes."""
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", engine_class],
                               capture_output=True, text=True).stdout.split()
        if found:
            return found[-1]
        time.sleep(0.1)
    raise Failure(f"no {engine_class} window")


def check(condition, message):
    if not condition:
        raise Failure(message)


def start_browser(language="ja", profile=None):
    if FIREFOX:
        import firefox_driver
        return firefox_driver.FirefoxDriver(PUPPETEER_DIR, language)
    if CHROMIUM:
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update", "--disable-sync",
                         "--window-size=1280,900", f"--lang={language}", f"--accept-lang={language}",
                         f"--user-data-dir={profile or tempfile.mkdtemp(prefix='quinmare-chromium-')}"]:
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
        """Opens the page at `url`; with None, the page the browser has just
        reloaded itself."""
        self.driver = driver
        if url:
            driver.get(url)
        self.wait("the form to be laid out", "return !!document.getElementById('Form1') && "
                  "document.getElementById('Form1').classList.contains('ready') && !window.T")
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
        self.wait("the runs to end", "return T.runs() === 0")

    def paused(self):
        return self.js("return document.getElementById('Pause').getAttribute('aria-pressed') === 'true'")

    def pause(self):
        """Pauses the runs with the pace bar's button, as a teacher does."""
        if not self.paused():
            self.press("Pause")
        self.wait("the pause", "return document.getElementById('Pause').getAttribute('aria-pressed') === 'true'")

    def held_run(self, button):
        """Pauses, presses a button and returns once its run waits at its
        first step: everything until release() happens during the run."""
        self.pause()
        self.press(button)
        self.wait("the run to start", "return T.runs() > 0")

    def release(self):
        """Resumes the runs with the pace bar's button."""
        if self.paused():
            self.press("Pause")

    def pace(self, name):
        """Chooses a pace on the bar: fast, normal or slow."""
        self.driver.execute_script(f"document.querySelector('#PaceBar input[value={name}]').click()")
        self.wait(f"the pace {name}", f"return document.querySelector('#PaceBar input[value={name}]').checked")

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
    # One polite region, which only the slow pace and single steps speak in.
    live = page.js("return [...document.querySelectorAll('[aria-live]')].map((e) => [e.id, e.getAttribute('aria-live')])")
    check(live == [["Announcement", "polite"]], f"live regions {live}")


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
    check(page.js("return T.heard") == [], "a listener was told the steps at the fast pace")


def check_typed_sequences(page):
    """Typed text: stops and empty lines, line breaks taking two places, a
    surrogate pair two, and each unit copied as it is."""
    rows = [("ATGGCCTAAGGG", 12, "Met__Ala__stop\r\n\r\nGly__", "GGG"),
            ("ATGTGGAAAC", 10, "Met__Trp__Lys__", "AAA"),
            ("ATG" + Keys.ENTER + "ATGATG", 12, "Met__stop\r\n\r\n", "TG"),
            ("AA\U0001F600ATG", 6, "", "\udE00AT")]
    for sequence, length, text2, text3 in rows:
        page.js("document.getElementById('Text0').value = ''")
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
    """Text typed during a run stays, and the run appends after it; with the
    caret at the end of a box, what is typed lands after what the run has
    added meanwhile, and the box follows the end of the text."""
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

    # A codon a frame: the caret put at the end stays at the end as the run
    # adds to the box, and the view follows the text down.
    sequence = "ATGTAA" * 500
    page.type_sequence(sequence)
    page.slider_to(3000)
    page.pace("normal")
    page.held_run("Command2")
    # The caret to the end, and F8 from the box: the focus stays in it.
    page.element("Text2").send_keys(Keys.END, Keys.F8)
    page.wait("the box to overflow", """const b = document.getElementById('Text2');
        return b.scrollHeight > 2 * b.clientHeight""")
    followed = page.js("""const b = document.getElementById('Text2');
        return [b.scrollTop + b.clientHeight >= b.scrollHeight - 2, b.scrollTop, b.scrollHeight, T.runs()]""")
    check(followed[0] and followed[3] > 0, f"the box does not follow the end during the run: {followed}")
    added = len(page.field(2))
    page.driver.switch_to.active_element.send_keys("x")
    check(page.js("return T.runs()") == 1, "the decode ended before the user typed")
    page.pace("fast")
    page.run_to_end()
    text2 = page.field(2)
    full = genetic_code.decoded(sequence, 3000)
    check("x" in text2 and text2.replace("x", "", 1) == full, f"typed during the decode: {text2[:60]!r}...")
    check(text2.index("x") >= added, f"typed at {text2.index('x')}, inside the {added} units the run had added")


def check_composition_during_run(page):
    """A composition open during a decode: nothing is written into the box
    while it lasts, and the decode appends after what is committed."""
    chromium_only("an input method's composition")
    page.type_sequence("ATGGCCTAAGGGTTTCCCAAAGGG" * 40)
    page.slider_to(960)
    full = genetic_code.decoded("ATGGCCTAAGGGTTTCCCAAAGGG" * 40, 960)
    page.pace("normal")
    page.held_run("Command2")
    page.element("Text2").click()
    page.js("const b = document.getElementById('Text2'); b.setSelectionRange(b.value.length, b.value.length)")
    done = page.field(2)
    page.driver.execute_cdp_cmd("Input.imeSetComposition", {"text": "にほ", "selectionStart": 2, "selectionEnd": 2})
    shown = page.shown("Text2")
    # The pace bar's button, pressed without taking the focus from the box.
    page.js("document.getElementById('Pause').click()")
    page.wait("the decode to go on", "return Module.page.text(2).length > arguments[0] + 100", len(done) + 2)
    check(page.shown("Text2") == shown, "text was written into the box during the composition")
    check(page.js("return T.runs()") == 1, "the decode ended during the composition")
    page.driver.execute_cdp_cmd("Input.insertText", {"text": "日本"})
    page.pace("fast")
    page.run_to_end()
    check(page.field(2) == done + "日本" + full[len(done):], f"composition in the decode: {page.field(2)[-80:]!r}")
    check(page.shown("Text2") == page.field(2).replace("\r\n", "\n"), "the box does not show the field")


def check_pace_bar(page):
    """The pace bar: the pace from the page's address; at the slow pace every
    codon in the codon box for half a second, told to a listener; paused, each
    F9 one step, a press nesting, F8 resuming."""
    page = Page(page.driver, PAGE + "?pace=slow")
    check(page.js("return document.querySelector('#PaceBar input[value=slow]').checked"), "?pace=slow not taken")
    sequence = "ATGGCCTAAGGGTTTCCCAAAGGGTGGTGA"
    page.type_sequence(sequence)
    page.slider_to(30)
    check(page.js("return document.getElementById('Step').disabled"), "a step with no run to take it")
    started = time.monotonic()
    page.press("Command2")
    page.run_to_end()
    took = time.monotonic() - started
    codons = [sequence[i:i + 3] for i in range(0, 30, 3)]
    check(page.js("return T.codons") == codons, f"the codon box showed {page.js('return T.codons')}")
    check(took >= 10 * 0.5 - 0.01, f"ten slow steps in {took:.2f} s")
    told = [codon + " " + genetic_code.label(codon).rstrip("_\r\n") for codon in codons]
    check(page.js("return T.heard") == told, f"a listener heard {page.js('return T.heard')}")

    # Paused before the press, one step at a time with F9.
    full = genetic_code.decoded(sequence, 30)
    page.js("T.heard = []")
    page.held_run("Command2")
    page.wait("the first step", "return Module.page.text(2) === 'Met__'")
    time.sleep(0.6)  # longer than a slow step: a paused run stays where it is
    check(page.field(2) == "Met__", f"paused, the decode went on: {page.field(2)!r}")
    for steps in (2, 3):
        page.driver.switch_to.active_element.send_keys(Keys.F9)
        page.wait(f"step {steps}", "return Module.page.text(2) === arguments[0]", genetic_code.decoded(sequence, 3 * steps))
    # A press while paused nests, and waits at its own first step.
    page.press("Command2")
    page.wait("the nested run's first step", "return T.runs() === 2 && Module.page.text(2) === 'Met__'")
    page.pace("fast")
    page.driver.switch_to.active_element.send_keys(Keys.F8)
    page.run_to_end()
    done = genetic_code.decoded(sequence, 9)
    check(page.field(2) == full + full[len(done):], f"after the nested decode: {page.field(2)!r}")
    check(not page.paused(), "F8 did not resume")
    check(page.js("return T.heard.slice(0, 3)") == told[:3], f"steps told: {page.js('return T.heard')}")


def check_reloads_start_afresh(page):
    """A reload, after setting a length or during a run, shows the start: the
    controls agree with what the program holds, whatever the browser
    restored; a tab closed during a run is harmless; the stream starts again."""
    page.slider_to(300)
    page.driver.refresh()
    page = Page(page.driver, None)
    shown = [page.shown("Text1"), page.js("return document.getElementById('Slider1').valueAsNumber"), page.field(1)]
    check(shown == ["0", 0, "0"], f"after a reload, length box, slider and field: {shown}")
    page.type_sequence("ATGGCCTGG")
    page.slider_to(9)
    page.press("Command2")
    page.run_to_end()
    check(page.field(2) == "Met__Ala__Trp__", f"decoded after a reload: {page.field(2)!r}")

    first = page.driver.current_window_handle
    page.driver.switch_to.new_window("tab")
    closing = Page(page.driver)
    closing.slider_to(3000)
    closing.held_run("Command1")
    page.driver.close()
    page.driver.switch_to.window(first)
    page.slider_to(9999)
    page.pace("slow")
    page.held_run("Command1")
    page.driver.refresh()
    page = Page(page.driver, None)
    shown = [page.shown("Text1"), page.js("return document.getElementById('Slider1').valueAsNumber"), page.field(1),
             page.paused(), page.js("return document.querySelector('#PaceBar input[value=fast]').checked")]
    check(shown == ["0", 0, "0", False, True], f"after a reload mid-run: {shown}")
    page.slider_to(300)
    page.press("Command1")
    page.run_to_end()
    check(page.shown("Text0") == genetic_code.Stream().generate(300), "after a reload, not the first sequence")


def check_nesting_cap(page):
    """Presses nest to 256 runs deep; one more does nothing."""
    page.type_sequence("ATGTGG")
    page.slider_to(300)
    page.held_run("Command2")
    page.wait("the first step", "return Module.page.text(2) === 'Met__'")
    page.js("for (let i = 0; i < 300; ++i) document.getElementById('Command2').click()")
    page.release()
    page.run_to_end()
    deepest = page.js("return T.deepest")
    check(deepest == 256, f"{deepest} runs nested, not 256")
    # Each nested run decoded the first codon and nested the next; the
    # innermost decoded both codons, and each run below it resumed at the
    # second, the outer one too.
    expected = "Met__" + "Trp__" * 256
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


def resize(page, width, height):
    """The window, or in Chromium's headless window the page's view, to a size."""
    before = page.js("return [innerWidth, innerHeight]")
    if CHROMIUM:
        page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                    {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
    else:
        page.driver.set_window_size(width, height)
    # The window takes its new size when it does; then the form fits it.
    return page.wait("the new size", """const r = document.getElementById('Form1').getBoundingClientRect();
        const now = [innerWidth, innerHeight];
        return (now[0] !== arguments[0][0] || now[1] !== arguments[0][1]) && r.width > 0 && now;""", before)


def zoom(page, keys):
    """The browser's own zoom: Ctrl and + (or 0, back to 100 %) as the user
    types them, into the browser's window (Chromium's headless window has
    none: its zoom is what the page sees of it, twice the device pixels for
    half the CSS pixels)."""
    if CHROMIUM:
        size = page.js("return [innerWidth, innerHeight, devicePixelRatio]")
        factor = 2 if keys == "ctrl+plus" else 0.5
        page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": round(size[0] / factor), "height": round(size[1] / factor),
            "deviceScaleFactor": size[2] * factor, "mobile": False})
        return
    window = x_window("MiniBrowser" if WEBKIT else "firefox")
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False)
    subprocess.run(["xdotool", "key", "--window", window, "--clearmodifiers", keys], check=True)


def after_two_frames(page, expression):
    """What a JavaScript expression gives two frames on: the page answers a
    resize in the next frame's rendering steps, before its animation-frame
    callbacks, so two frames on it has."""
    return page.driver.execute_async_script(f"""
        const done = arguments[arguments.length - 1];
        requestAnimationFrame(() => requestAnimationFrame(() => done({expression})));""")


def check_scale_and_zoom(page):
    """The form and the pace bar fit the window keeping the form's proportions
    (an iPad's 1024x768 and 768x1024, a Chromebook's 1366x768), the bar in
    the room the form leaves, with targets a finger can hit; the browser's
    zoom enlarges both from there, with scroll bars, and Ctrl+0 brings them
    back; nothing in the page stops a pinch."""
    fitted = """const r = document.getElementById('Form1').getBoundingClientRect();
        const bar = document.getElementById('PaceBar'), b = bar.getBoundingClientRect(), side = bar.classList.contains('side');
        return Math.abs(r.width / 990 - Math.min((innerWidth - (side ? b.width : 0)) / 990,
                                                 (innerHeight - (side ? 0 : b.height)) / 718)) < 0.01;"""
    for width, height in [(1024, 768), (768, 1024), (1366, 768), (1280, 800)]:
        size = resize(page, width, height)
        page.wait("the form to fit beside the bar", fitted)
        bar = page.js("return document.getElementById('PaceBar').getBoundingClientRect().toJSON()")
        side = page.js("return document.getElementById('PaceBar').classList.contains('side')")
        rect = page.js("return document.getElementById('Form1').getBoundingClientRect().toJSON()")
        for box, what in ((rect, "form"), (bar, "pace bar")):
            check(box["x"] >= 0 and box["y"] >= 0 and box["right"] <= size[0] + 0.5 and box["bottom"] <= size[1] + 0.5,
                  f"{size}: {what} at {box}")
        check(abs(rect["width"] / rect["height"] - 990 / 718) < 0.01, "proportions")
        check(bar["x"] >= rect["right"] - 0.5 if side else bar["y"] >= rect["bottom"] - 0.5, f"{size}: bar over the form")
        targets = page.js("""return [...document.querySelectorAll('#PaceBar label, #PaceBar button')]
            .map((e) => e.getBoundingClientRect()).map((r) => [r.width, r.height])""")
        check(all(w >= 44 and h >= 44 for w, h in targets), f"{size}: the bar's targets {targets}")
        if (width, height) == (768, 1024):
            check(not side, "upright, the bar is not below the form")

    # Zoom at 200 % and back, on the 1280x800 window.
    before = page.js("""const r = document.getElementById('Form1').getBoundingClientRect();
        return [innerWidth, r.width, document.getElementById('PaceBar').getBoundingClientRect().width]""")
    for _ in range(10):
        width = page.js("return innerWidth")
        if before[0] / width >= 1.95:
            break
        zoom(page, "ctrl+plus")
        page.wait("the zoom", "return innerWidth < arguments[0]", width)
    zoomed = after_two_frames(page, """[innerWidth, document.getElementById('Form1').getBoundingClientRect().width,
        document.getElementById('PaceBar').getBoundingClientRect().width]""")
    factor = before[0] / zoomed[0]
    check(factor >= 1.95, f"zoomed {factor:.2f} times, not 200 %")
    # The same CSS pixels, each of them twice as large on the screen.
    check(abs(zoomed[1] - before[1]) < 2 and abs(zoomed[2] - before[2]) < 2,
          f"at {factor:.2f} times, form and bar {zoomed[1:]} CSS px wide, not {before[1:]}")
    page.slider_to(30)
    if WEBKIT:
        # By keys: WebKitWebDriver's click misses what the zoom has moved.
        page.js("document.getElementById('Command1').focus()")
        page.driver.switch_to.active_element.send_keys(Keys.SPACE)
    else:
        page.press("Command1")
    page.run_to_end()
    check(len(page.shown("Text0")) == 30, "generate at zoom 200 %")
    zoom(page, "ctrl+0")
    page.wait("the zoom back at 100 %", "return Math.abs(innerWidth - arguments[0]) < 2", before[0])
    form_width = "document.getElementById('Form1').getBoundingClientRect().width"
    back = after_two_frames(page, form_width)
    check(abs(back - before[1]) < 2, f"back at 100 %, the form is {back} CSS px wide, not {before[1]}")
    if CHROMIUM:
        page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

    # A pinch: no page setting forbids it in any engine; in Chromium, with a
    # touch screen on, a pinch zooms into the form, which keeps its layout
    # (headless Chromium pinches with a touchpad's gesture: it drops a
    # synthesized two-finger one).
    viewport = page.js("return document.querySelector('meta[name=viewport]').content")
    check("user-scalable=no" not in viewport.replace(" ", "") and "maximum-scale" not in viewport, viewport)
    actions = page.js("""return ['html', 'body', '#Form1', '#PaceBar', '#Text0']
        .map((s) => getComputedStyle(document.querySelector(s)).touchAction)""")
    check(all(a in ("auto", "manipulation", "pinch-zoom") for a in actions), f"touch-action {actions}")
    if CHROMIUM:
        page.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
        # The emulated screen just cleared and the touch screen just added
        # reach the layout a few frames later: the form's width before the
        # pinch is the one two frames apart agree on.
        width = None
        for _ in range(60):
            settled = after_two_frames(page, form_width)
            if settled == width:
                break
            width = settled
        page.driver.execute_cdp_cmd("Input.synthesizePinchGesture",
                                    {"x": 300, "y": 300, "scaleFactor": 2, "gestureSourceType": "mouse"})
        page.wait("the pinch", "return visualViewport.scale > 1.5")
        after = page.js("return document.getElementById('Form1').getBoundingClientRect().width")
        check(abs(after - width) < 1, f"the form was laid out again under a pinch: {width} -> {after}")


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
        japanese = language.startswith("ja")
        expected = {
            "button:配列自動生成": "スライダーで選んだ長さ" if japanese else "Generates a random DNA sequence",
            "slider:" + ("塩基数" if japanese else "Number of bases"): "作る塩基配列" if japanese else "Chooses how many",
            "textbox:解読対象塩基配列": "DNAの塩基配列。mRNAと同じ並び" if japanese else "A DNA base sequence, taken",
            "textbox:アミノ酸配列": "この読み枠で" if japanese else "The amino acids of this reading frame",
            "textbox:" + ("翻訳中のコドン" if japanese else "Codon being decoded"):
                "いま翻訳している" if japanese else "The codon being translated",
            "button:解読かいしぃ～": "解読（ここでは翻訳のこと）" if japanese else "Decodes, that is translates",
        }
        for control, start in expected.items():
            check(described.get(control, "").startswith(start),
                  f"{language}: {control} described as {described.get(control)!r}")
        # The pace bar, in the words of the desktop program's speed menu.
        named = {(node.get("role", {}).get("value", ""), node.get("name", {}).get("value", "")) for node in nodes}
        bar = [("radio", "速く" if japanese else "Fast"), ("radio", "ゆっくり" if japanese else "Slow"),
               ("button", "一時停止" if japanese else "Pause"), ("button", "1つ進める" if japanese else "Step")]
        check(all(control in named for control in bar), f"{language}: the pace bar is not named {bar}")
    finally:
        driver.quit()


class Server:
    """The web app on http, in a folder of the server as a school hosts it
    (http://127.0.0.1:PORT/quinmare/); the folder served can be swapped for
    another build."""

    def __init__(self, app, port=0):
        self.root = tempfile.mkdtemp(prefix="quinmare-server-")
        self.serve(app)
        handler = functools.partial(QuietHandler, directory=self.root)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/quinmare/"

    def serve(self, app):
        folder = os.path.join(self.root, "quinmare")
        if os.path.lexists(folder):
            os.remove(folder)
        os.symlink(app, folder)

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


def rebuilt_app(marker):
    """The app built again from the page's sources with one change in the
    page alone: what a new version that changes only the page looks like."""
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    source = tempfile.mkdtemp(prefix="quinmare-source-")
    shutil.copytree(os.path.join(root, "web"), source, dirs_exist_ok=True)
    template = os.path.join(source, "quinmare.html.in")
    with open(template, encoding="utf-8") as file:
        page = file.read().replace("<title>", f'<meta name="quinmare-build" content="{marker}">\n<title>', 1)
    with open(template, "w", encoding="utf-8") as file:
        file.write(page)
    out = tempfile.mkdtemp(prefix="quinmare-rebuilt-")
    # The same version: only the page changes.
    with open(os.path.join(PAGE_DIR, "app", "service-worker.js"), encoding="utf-8") as file:
        version = re.search(r"'quinmare-(.*)-[0-9a-f]{16}'", file.read()).group(1)
    subprocess.run([sys.executable, os.path.join(source, "assemble.py"), "--source", source,
                    "--module", os.path.join(PAGE_DIR, "quinmare_web.js"),
                    "--catalogue", os.path.join(root, "translations", "quinmare_ja.ts"),
                    "--icon", os.path.join(root, "data", "icons", "org.quinmare.quinmare.svg"),
                    "--rsvg-convert", shutil.which("rsvg-convert"), "--version", version,
                    "--page", os.path.join(out, "quinmare.html"), "--app", os.path.join(out, "app")], check=True)
    return os.path.join(out, "app")


def check_web_app():
    """The hosted app, in a folder of the server: installable; started again
    with the browser closed, the server gone and the HTTP cache emptied, it
    opens and works; a new version that changes only the page reaches it
    once its pages have been closed."""
    chromium_only("installability and the service worker")
    server = Server(os.path.join(PAGE_DIR, "app"))
    profile = tempfile.mkdtemp(prefix="quinmare-app-")
    driver = start_browser(profile=profile)
    try:
        page = Page(driver, server.url)
        page.wait("the service worker", "return navigator.serviceWorker.controller !== null || "
                  "(navigator.serviceWorker.ready.then(() => location.reload()), false)")
        errors = driver.execute_cdp_cmd("Page.getInstallabilityErrors", {})["installabilityErrors"]
        check(not errors, f"not installable: {errors}")
    finally:
        driver.quit()
    # What a pupil meets the next morning, offline: the browser started anew,
    # its HTTP cache gone, the app opened from its icon.
    server.stop()
    shutil.rmtree(os.path.join(profile, "Default", "Cache"), ignore_errors=True)
    shutil.rmtree(os.path.join(profile, "Default", "Code Cache"), ignore_errors=True)
    driver = start_browser(profile=profile)
    try:
        page = Page(driver, server.url)
        page.slider_to(30)
        page.press("Command1")
        page.run_to_end()
        check(len(page.shown("Text0")) == 30, "offline from a cold start, the app did not work")
    finally:
        driver.quit()
    # Online again, at the same address, with a new version: once the old
    # pages are closed, the page that opens is the new one.
    server = Server(rebuilt_app("next"), server.port)
    driver = start_browser(profile=profile)
    try:
        # The old version opens, and finds the new one, which waits for it to close.
        page = Page(driver, server.url)
        check(not page.js("return document.querySelector('meta[name=quinmare-build]')"), "the new version at once")
        page.wait("the new version to be fetched", """navigator.serviceWorker.getRegistration()
            .then((r) => { window.waiting = !!(r && r.waiting); });
            return window.waiting;""")
        # Away to the server's own index, outside the app: the last page of
        # the old version has closed, and the new one takes over once it has
        # activated, which the browser does in its own time.
        driver.get(server.url.replace("/quinmare/", "/"))
        page.wait("the new version to take over", """navigator.serviceWorker.getRegistration(arguments[0])
            .then((r) => { window.active = !!(r && r.active && !r.waiting && !r.installing); });
            return window.active;""", server.url)
        page = Page(driver, server.url)
        marker = page.js("const m = document.querySelector('meta[name=quinmare-build]'); return m && m.content")
        check(marker == "next", "the new version did not reach the installed app once its page had closed")
        Page(driver, server.url)
    finally:
        driver.quit()
        server.stop()


def run(check_function, *arguments):
    """Runs one check; returns whether it failed. QUINMARE_CHECKS, a list of
    words, runs only the checks whose names hold one of them."""
    wanted = os.environ.get("QUINMARE_CHECKS", "").split()
    if wanted and not any(word in check_function.__name__ for word in wanted):
        return False
    title = " ".join(check_function.__doc__.split(".")[0].split())
    label = " ".join(a for a in arguments if isinstance(a, str))
    try:
        check_function(*arguments)
        print(f"PASS {ENGINE}: {title} {label}")
    except Skip as skip:
        print(f"SKIP {ENGINE}: {title} {label}: {skip}")
    except Exception as failure:  # a driver's error fails the check, not the run
        print(f"FAIL {ENGINE}: {title} {label}: {type(failure).__name__}: {failure}")
        return True
    return False


def main():
    started = time.monotonic()
    failures = 0
    driver = start_browser()
    try:
        for each in [check_form, check_first_generate_and_decode, check_typed_sequences, check_nested_decode,
                     check_typing_during_runs, check_composition_during_run, check_pace_bar, check_nesting_cap,
                     check_touch_slider, check_scale_and_zoom, check_reloads_start_afresh]:
            failures += run(each, Page(driver))
    finally:
        driver.quit()
    # Japanese iPads and Chromebooks say ja-JP, not ja.
    failures += run(check_accessibility, "ja-JP") + run(check_accessibility, "en") + run(check_web_app)
    print(f"{ENGINE}: {failures} failed, in {time.monotonic() - started:.1f} s")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
