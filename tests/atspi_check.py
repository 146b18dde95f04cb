#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Drives the program by keys and reads it through the AT-SPI accessibility
bridge, from outside the process, as a screen reader would.

Run inside a D-Bus session with an X display, in English or Japanese:
    dbus-run-session -- xvfb-run -a tests/atspi_check.py build/.../quinmare [en|ja]
"""
import os
import re
import subprocess
import sys
import time

import pyatspi

TIMEOUT = 300


def wait_for(what, probe):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    sys.exit(f"timed out waiting for {what}")


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name.lower() == "quinmare":
            return app
    return None


def controls(app):
    """Every accessible below the application, by role name."""
    found = []

    def walk(node):
        for child in node:
            if child is None:
                continue
            found.append(child)
            walk(child)

    walk(app)
    return found


def text_of(accessible):
    text = accessible.queryText()
    return text.getText(0, -1)


def key(*names):
    subprocess.run(["xdotool", "key", "--delay", "30", *names], check=True)


JAPANESE = re.compile(r"[\u3040-\u30ff\u4e00-\u9fff]")


def main():
    program = sys.argv[1]
    language = sys.argv[2] if len(sys.argv) > 2 else "en"
    japanese = language == "ja"
    locale = "ja_JP.UTF-8" if japanese else "C.UTF-8"
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb", LANG=locale, LC_ALL=locale)
    env.pop("LANGUAGE", None)
    proc = subprocess.Popen([program], env=env)
    try:
        app = wait_for("the application on the accessibility bus",
                       lambda: find_app() or (proc.poll() is not None and sys.exit(f"the program ended ({proc.returncode})")))
        window = subprocess.run(["xdotool", "search", "--sync", "--name", "^Quinmare$"], check=True,
                                capture_output=True, text=True).stdout.split()[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)

        nodes = wait_for("the controls", lambda: [n for n in controls(app) if n.name] or None)
        by_name = {}
        for node in nodes:
            by_name.setdefault(node.name, node)
        # The captions are the same in every language; the controls without
        # one, and every description, speak the user's language.
        slider, length, codon = ("塩基数", "長さ（塩基数）", "翻訳中のコドン") if japanese else (
            "Number of bases", "Length", "Codon being decoded")
        wanted = {
            "配列自動生成": "push button",
            "解読かいしぃ～": "push button",
            slider: "slider",
            length: None,
            "解読対象塩基配列": None,
            "アミノ酸配列": None,
            codon: None,
            "桁": "label",
        }
        for name, role in wanted.items():
            if name not in by_name:
                sys.exit(f"no control named {name!r}; found {sorted(by_name)}")
            if role and by_name[name].getRoleName() != role:
                sys.exit(f"{name!r} is a {by_name[name].getRoleName()}, not a {role}")
            description = by_name[name].description
            if not description:
                sys.exit(f"{name!r} has no description")
            if bool(JAPANESE.search(description)) != japanese:
                sys.exit(f"{name!r} is described in the wrong language: {description!r}")
        boxes = {}
        for node in nodes:
            if node.getRoleName() in ("text", "entry", "password text") and node.name in wanted:
                boxes[node.name] = node
        for name in (length, "解読対象塩基配列", "アミノ酸配列", codon):
            if name not in boxes:
                sys.exit(f"box {name!r} shows no text to a screen reader")

        # Keys only: to the slider, a page up (300 bases), back to the
        # generate button and press it with Space.
        key("Tab", "Prior", "shift+Tab", "space")
        sequence = wait_for("the generated sequence",
                            lambda: (lambda t: t if len(t) == 300 else None)(text_of(boxes["解読対象塩基配列"])))
        if not re.fullmatch(r"[ATGC]{300}", sequence):
            sys.exit(f"unexpected sequence {sequence!r}")
        if text_of(boxes[length]) != "300":
            sys.exit(f"length field reads {text_of(boxes[length])!r}")

        # On to the decode button: slider, Text0, Text2, Command2.
        key("Tab", "Tab", "Tab", "Tab", "space")
        last = sequence[-3:]
        wait_for("the last codon", lambda: text_of(boxes[codon]) == last)
        # Every codon of A, T, G and C has a label: 100 of them.
        label = re.compile(r"[A-Z][a-z]{2}__|stop\n\n")
        amino = wait_for("all 100 labels",
                         lambda: (lambda t: t if len(label.findall(t)) == 100 else None)(text_of(boxes["アミノ酸配列"])))
        labels = label.findall(amino)
        if "".join(labels) != amino:
            sys.exit(f"unexpected amino-acid text {amino[:80]!r}")
        # What a screen reader asks of a box whose text changed: the word
        # and the line at the caret.
        for name in (length, codon):
            text = boxes[name].queryText()
            for boundary in (pyatspi.TEXT_BOUNDARY_WORD_START, pyatspi.TEXT_BOUNDARY_LINE_START):
                word = text.getTextAtOffset(text.caretOffset, boundary)
                if word[0] != text_of(boxes[name]):
                    sys.exit(f"{name!r}: text at the caret is {word!r}")
        print(f"AT-SPI ({language}): {len(wanted)} controls named and described, sequence of {len(sequence)} "
              f"bases, {len(labels)} labels, last codon {last}; {slider}: {by_name[slider].description}")
    finally:
        proc.terminate()
        proc.wait(timeout=10)


if __name__ == "__main__":
    main()
