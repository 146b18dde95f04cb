#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Times the web page in headless Chromium, and the desktop program beside
it in the same run when its benchmark is given. Not a test: run it by hand.

    xvfb-run -a -s "-screen 0 1280x800x24" bench/web_bench.py build/web/web/quinmare.html \\
        [build/rel/bench/quinmare_bench]

For the page, the medians of five loads: load to interactive (the request to
the form laid out and ready for a press), a generate of 9,999 bases and a
decode of 3,333 codons from the press to the end of the run, with the frames
painted during the decode."""
import gzip
import os
import re
import statistics
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

RUNS = 5

MEASURE = """
const done = arguments[arguments.length - 1];
const form = document.getElementById('Form1');
const ended = () => new Promise((resolve) => {
  const runs = Module.page.runs;
  Module.page.runs = (depth) => { runs(depth); if (depth === 0) { Module.page.runs = runs; resolve(performance.now()); } };
});
(async () => {
  while (!performance.getEntriesByName('quinmare-ready').length) await new Promise((r) => setTimeout(r, 5));
  const ready = performance.getEntriesByName('quinmare-ready')[0].startTime;
  const slider = document.getElementById('Slider1');
  slider.value = '10000';
  slider.dispatchEvent(new Event('input'));
  let end = ended(), start = performance.now();
  document.getElementById('Command1').click();
  const generate = (await end) - start;
  let frames = 0;
  const count = () => { ++frames; if (form.dataset.runs !== '0') requestAnimationFrame(count); };
  end = ended();
  start = performance.now();
  document.getElementById('Command2').click();
  requestAnimationFrame(count);
  const decode = (await end) - start;
  done({ready, generate, decode, frames});
})();
"""


def page_timings(page):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=1280,900", f"--user-data-dir={tempfile.mkdtemp(prefix='quinmare-bench-')}"]:
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_script_timeout(120)
    results = []
    try:
        for _ in range(RUNS):
            driver.get("file://" + os.path.abspath(page))
            results.append(driver.execute_async_script(MEASURE))
    finally:
        driver.quit()
    return {key: statistics.median(r[key] for r in results) for key in results[0]}


def desktop_timings(bench):
    """The window's rows of the desktop benchmark, full size."""
    output = subprocess.run([bench], capture_output=True, text=True, check=True).stdout
    rows = {}
    for what, steps in (("generate", 9999), ("decode", 3333)):
        match = re.search(rf"\| window \| {what} +\| +{steps} \| +([0-9.]+) s", output)
        rows[what] = float(match.group(1)) * 1e3 if match else float("nan")
    match = re.search(r"Start to first paint: ([0-9]+) ms", output)
    rows["ready"] = float(match.group(1)) if match else float("nan")
    return rows


def main():
    page = sys.argv[1]
    data = open(page, "rb").read()
    print(f"{page}: {len(data)} bytes, {len(gzip.compress(data, 9))} gzipped")
    web = page_timings(page)
    desktop = desktop_timings(sys.argv[2]) if len(sys.argv) > 2 else {}
    print("\n| medians of 5                  |     page |  desktop |")
    print("|-------------------------------|---------:|---------:|")
    for key, label in (("ready", "load to interactive"), ("generate", "generate 9,999 bases"),
                       ("decode", "decode 3,333 codons")):
        other = f"{desktop[key]:5.0f} ms" if key in desktop else "        "
        print(f"| {label:29} | {web[key]:5.0f} ms | {other} |")
    print(f"\nFrames painted during the page's decode: {web['frames']:.0f}")
    if desktop:
        print("Desktop: the window rows of quinmare_bench (one run each), and its start to first paint.")


if __name__ == "__main__":
    main()
