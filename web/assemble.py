#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Puts the page together from the compiled module (its script, with the
WebAssembly inside) and the page's own HTML, CSS and script:

- quinmare.html, one self-contained file that works opened from disk;
- app/, the same page with a web app manifest, icons and a service worker,
  to host over https and install on a Chromebook's or an iPad's home screen.

The Japanese texts the page speaks come from the program's catalogue: every
tr('...') in page.js must have a finished translation there.
"""
import argparse
import hashlib
import json
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path


def catalogue(ts_file, page_js):
    translations = {}
    for message in ElementTree.parse(ts_file).getroot().iter("message"):
        translation = message.find("translation")
        if translation is not None and translation.get("type") is None and translation.text:
            translations[message.findtext("source")] = translation.text
    used = re.findall(r"\btr\('((?:[^'\\]|\\.)*)'\)", page_js)
    missing = [text for text in used if text not in translations]
    if missing:
        sys.exit(f"{ts_file}: no finished translation for: " + "; ".join(missing))
    return {text: translations[text] for text in sorted(set(used))}


def inline(template, **parts):
    for name, text in parts.items():
        if "</script" in text.lower() and name.endswith("JS"):
            sys.exit(f"{name} contains '</script', which would end its script element")
        template = template.replace(f"@{name}@", text)
    return template


def main():
    parser = argparse.ArgumentParser()
    for option in ("source", "module", "catalogue", "icon", "rsvg-convert", "version", "page", "app"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()
    source = Path(args.source)

    page_js = (source / "page.js").read_text(encoding="utf-8")
    texts = json.dumps(catalogue(args.catalogue, page_js), ensure_ascii=False, indent=2, sort_keys=True)
    page_js = page_js.replace("/*@CATALOGUE@*/ {}", texts)
    module_js = Path(args.module).read_text(encoding="utf-8")
    template = (source / "quinmare.html.in").read_text(encoding="utf-8")
    css = (source / "page.css").read_text(encoding="utf-8").strip()

    icon_svg = Path(args.icon).read_bytes()
    favicon = '<link rel="icon" href="data:image/svg+xml,' + re.sub(
        r"[\n#<>\"%]", lambda m: "%{:02X}".format(ord(m.group(0))),
        re.sub(r"<!--.*?-->|\n\s*", "", icon_svg.decode("utf-8"), flags=re.S).replace('"', "'")) + '">'
    page = inline(template, HEAD=favicon, CSS=css, PAGE_JS=page_js, MODULE_JS=module_js)
    Path(args.page).write_text(page, encoding="utf-8")

    app = Path(args.app)
    app.mkdir(parents=True, exist_ok=True)
    (app / "icon.svg").write_bytes(icon_svg)
    for size in (180, 192, 512):
        subprocess.run([args.rsvg_convert, "-w", str(size), "-h", str(size), "-o", str(app / f"icon-{size}.png"),
                        args.icon], check=True)
    head = "\n".join([
        '<link rel="manifest" href="manifest.webmanifest">',
        '<link rel="icon" href="icon.svg" type="image/svg+xml">',
        '<link rel="apple-touch-icon" href="icon-180.png">',
        '<meta name="theme-color" content="#e0e0e0">',
        '<meta name="apple-mobile-web-app-capable" content="yes">',
        '<meta name="mobile-web-app-capable" content="yes">',
        '<meta name="apple-mobile-web-app-title" content="Quinmare">',
        # Asks at every start whether a new version is there: it is fetched
        # and waits until every page of this one has closed.
        "<script>if ('serviceWorker' in navigator) "
        "navigator.serviceWorker.register('service-worker.js').then((r) => r.update()).catch(() => {});</script>",
    ])
    (app / "index.html").write_text(inline(template, HEAD=head, CSS=css, PAGE_JS=page_js, MODULE_JS=module_js),
                                    encoding="utf-8")
    (app / "manifest.webmanifest").write_text((source / "app/manifest.webmanifest.in").read_text(encoding="utf-8"),
                                              encoding="utf-8")
    files = ["./", "index.html", "manifest.webmanifest", "icon.svg", "icon-180.png", "icon-192.png",
             "icon-512.png"]
    digest = hashlib.sha256(b"".join((app / name).read_bytes() for name in files[1:])).hexdigest()[:16]
    worker = (source / "app/service-worker.js.in").read_text(encoding="utf-8")
    worker = worker.replace("@DIGEST@", f"{args.version}-{digest}").replace(
        "@FILES@", ", ".join(json.dumps(name) for name in files))
    (app / "service-worker.js").write_text(worker, encoding="utf-8")


if __name__ == "__main__":
    main()
