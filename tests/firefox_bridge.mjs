// SPDX-License-Identifier: GPL-3.0-or-later
// Drives Firefox over WebDriver BiDi with puppeteer-core, for the page's
// checks (browser_check.py), which speak to it as to a WebDriver: one JSON
// request a line on standard input, one JSON answer a line on standard
// output. Debian has no geckodriver; puppeteer-core speaks BiDi to Firefox
// itself, and real input (clicks, keys) goes through Firefox's own input.
//
//   node firefox_bridge.mjs PUPPETEER_DIR LANGUAGE
import { createInterface } from 'node:readline';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const [puppeteerDir, language] = process.argv.slice(2);
const puppeteer = (await import(pathToFileURL(join(puppeteerDir, 'node_modules/puppeteer-core/lib/esm/puppeteer/puppeteer-core.js')).href)).default;

const browser = await puppeteer.launch({
  browser: 'firefox',
  executablePath: '/usr/bin/firefox-esr',
  headless: false,
  defaultViewport: null,
  protocolTimeout: 600000,
  args: ['--width=1280', '--height=900'],
  extraPrefsFirefox: {
    'intl.accept_languages': language,
    'intl.locale.requested': language,
    // Offline, and nothing of its own in the way.
    'browser.shell.checkDefaultBrowser': false,
    'datareporting.policy.dataSubmissionEnabled': false,
    'app.update.enabled': false,
  },
});
let pages = [(await browser.pages())[0] || (await browser.newPage())];
let current = pages[0];

// Selenium's scripts are function bodies that read `arguments`.
const run = (body, args) => current.evaluate((source, values) => new Function(source).apply(null, values), body, args);
const runAsync = (body, args) => current.evaluate((source, values) => new Promise((resolve) => {
  new Function(source).apply(null, [...values, resolve]);
}), body, args);

async function keys(selector, tokens) {
  if (selector) await current.focus(selector);
  for (const token of tokens) {
    if (token.key) await current.keyboard.press(token.key);
    else await current.keyboard.type(token.text);
  }
}

const commands = {
  get: async ({ url }) => { await current.goto(url); },
  refresh: async () => { await current.reload(); },
  url: async () => current.url(),
  script: async ({ body, args }) => run(body, args),
  asyncScript: async ({ body, args }) => runAsync(body, args),
  click: async ({ selector }) => { await current.click(selector); },
  keys: async ({ selector, tokens }) => keys(selector, tokens),
  clear: async ({ selector }) => {
    await current.$eval(selector, (element) => { element.value = ''; element.dispatchEvent(new Event('input', { bubbles: true })); });
  },
  screenshot: async () => current.screenshot({ encoding: 'base64' }),
  newTab: async () => {
    current = await browser.newPage();
    pages.push(current);
    return pages.length - 1;
  },
  closeTab: async () => {
    await current.close();
    pages = pages.map((page) => (page === current ? null : page));
  },
  switchTo: async ({ index }) => {
    current = pages[index];
    await current.bringToFront();
  },
  handle: async () => pages.indexOf(current),
  quit: async () => { await browser.close(); },
  pid: async () => browser.process() && browser.process().pid,
};

const lines = createInterface({ input: process.stdin });
for await (const line of lines) {
  const request = JSON.parse(line);
  let answer;
  try {
    answer = { value: (await commands[request.command](request)) ?? null };
  } catch (error) {
    answer = { error: String(error && error.stack || error) };
  }
  process.stdout.write(JSON.stringify(answer) + '\n');
  if (request.command === 'quit') break;
}
process.exit(0);
