#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Times the web page in Chromium, WebKitGTK and Firefox, and the desktop
program beside them, in the same run on the same machine. Not a test: run
it by hand, on an X display (WebKit and Firefox open real windows).

    tests/with_xvfb.sh -s 1400x1000x24 bench/web_bench.py build/web/web/quinmare.html \\
        [--desktop build/rel/bench/quinmare_bench] [--puppeteer build/firefox] [--engines chromium,webkit,firefox]

For each engine, the medians of five loads: load to interactive (the
request to the form laid out and ready for a press), a generate of 9,999
bases and a decode of 3,333 codons from the press to the end of the run,
a decode pressed twice in a row (the second press nests when it comes
during the first decode, and follows it otherwise), and the longest
gap between two frames the browser painted during the runs."""
import argparse
import gzip
import os
import re
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))

RUNS = 5

# Measures in the page; it watches the form's data-runs, which the page sets
# as runs start and end, and the frames with requestAnimationFrame.
MEASURE = """
const done = arguments[arguments.length - 1];
const form = document.getElementById('Form1');
const ended = () => new Promise((resolve) => {
  const look = new MutationObserver(() => {
    if (form.dataset.runs === '0') { look.disconnect(); resolve(performance.now()); }
  });
  look.observe(form, { attributes: true, attributeFilter: ['data-runs'] });
});
let gap = 0, last = 0, watching = false;
const frame = (now) => { if (last) gap = Math.max(gap, now - last); last = now; if (watching) requestAnimationFrame(frame); };
const watch = () => { watching = true; last = 0; requestAnimationFrame(frame); };
// A user's press comes in a task of its own, after the page has painted what
// the run before it left; a press from this script would otherwise come in
// the very task that ended that run, and the gap would span both runs.
const painted = () => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0)));
(async () => {
  while (!performance.getEntriesByName('quinmare-ready').length) await new Promise((r) => setTimeout(r, 5));
  const ready = performance.getEntriesByName('quinmare-ready')[0].startTime;
  await new Promise((r) => setTimeout(r, 100));
  const slider = document.getElementById('Slider1');
  slider.value = '10000';
  slider.dispatchEvent(new Event('input'));
  watch();
  let end = ended(), start = performance.now();
  document.getElementById('Command1').click();
  const generate = (await end) - start;
  await painted();
  end = ended();
  start = performance.now();
  document.getElementById('Command2').click();
  const decode = (await end) - start;
  await painted();
  // Both presses' runs, nested or, where the first ends before the second
  // press comes, one after the other: two runs have started, and none is left.
  const both = new Promise((resolve) => {
    let starts = 0;
    const look = new MutationObserver((records) => {
      // Each record holds the value before its change: with the value now,
      // every step the depth took, however many came in one task.
      const depths = records.map((record) => Number(record.oldValue)).concat(Number(form.dataset.runs));
      for (let i = 1; i < depths.length; ++i) starts += Math.max(0, depths[i] - depths[i - 1]);
      if (starts >= 2 && depths[depths.length - 1] === 0) { look.disconnect(); resolve(performance.now()); }
    });
    look.observe(form, { attributes: true, attributeFilter: ['data-runs'], attributeOldValue: true });
  });
  start = performance.now();
  document.getElementById('Command2').click();
  setTimeout(() => document.getElementById('Command2').click(), 0);
  const nested = (await both) - start;
  watching = false;
  done({ready, generate, decode, nested, gap});
})();
"""


def start(engine, puppeteer):
    if engine == "chromium":
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update", "--disable-sync",
                         "--window-size=1280,900", f"--user-data-dir={tempfile.mkdtemp(prefix='quinmare-bench-')}"]:
            options.add_argument(argument)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        driver.set_script_timeout(300)
        return driver
    if engine == "webkit":
        from selenium import webdriver
        options = webdriver.WebKitGTKOptions()
        options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
        options.add_argument("--automation")
        driver = webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options)
        driver.set_window_size(1280, 900)
        driver.set_script_timeout(300)
        return driver
    import firefox_driver
    return firefox_driver.FirefoxDriver(puppeteer)


def page_timings(engine, page, puppeteer):
    driver = start(engine, puppeteer)
    results = []
    try:
        for _ in range(RUNS):
            driver.get("file://" + os.path.abspath(page))
            results.append(driver.execute_async_script(MEASURE))
    finally:
        driver.quit()
    medians = {key: statistics.median(r[key] for r in results) for key in results[0]}
    medians["gap"] = max(r["gap"] for r in results)
    return medians


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
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("--desktop")
    parser.add_argument("--puppeteer", default="build/firefox")
    parser.add_argument("--engines", default="chromium,webkit,firefox")
    args = parser.parse_args()
    data = open(args.page, "rb").read()
    print(f"{args.page}: {len(data)} bytes, {len(gzip.compress(data, 9))} gzipped")
    engines = args.engines.split(",")
    columns = {engine: page_timings(engine, args.page, os.path.abspath(args.puppeteer)) for engine in engines}
    if args.desktop:
        columns["desktop"] = desktop_timings(args.desktop)
    print("\n| medians of 5, ms          | " + " | ".join(f"{name:>8}" for name in columns) + " |")
    print("|---------------------------|" + "|".join("---------:" for _ in columns) + "|")
    for key, label in (("ready", "load to interactive"), ("generate", "generate 9,999 bases"),
                       ("decode", "decode 3,333 codons"), ("nested", "decode pressed twice"),
                       ("gap", "longest frame gap (max)")):
        cells = [f"{column[key]:8.0f}" if key in column else "        " for column in columns.values()]
        print(f"| {label:25} | " + " | ".join(cells) + " |")
    if args.desktop:
        print("\nDesktop: the window rows of quinmare_bench (one run each), and its start to first paint.")


if __name__ == "__main__":
    main()
