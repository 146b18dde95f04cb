// SPDX-License-Identifier: GPL-3.0-or-later
// The page that is Quinmare's window. It owns the controls: it shows what
// the module writes, keeps each field as the program wrote it and the user
// changed it, links the slider to the length box, and hands the two button
// presses to the module, where the runs are. The module lays the form out
// and reaches the fields through Module.page (page_imports.js).
'use strict';

var Module = (function () {
  // Japanese texts from the program's catalogue, by their English source
  // (filled in when the page is built).
  const catalogue = /*@CATALOGUE@*/ {};
  const language = (navigator.languages && navigator.languages[0]) || navigator.language || 'en';
  const japanese = /^ja\b/i.test(language);
  // Menu texts carry the desktop's keyboard mnemonics ("速さ(&S)", "&Speed"),
  // which a page has no use for.
  const tr = (source) => ((japanese && catalogue[source]) || source).replace(/\(&.\)|&/g, '');

  const TWIPS_PER_PIXEL = 15;
  const px = (twips) => twips / TWIPS_PER_PIXEL + 'px';
  const pointsToPixels = (points) => (points * 96) / 72 + 'px';

  const form = document.getElementById('Form1');
  const control = (id) => document.getElementById(id);
  const slider = control('Slider1');

  // Stand-ins for the fonts the layout names, where those are not installed:
  // on Windows the UI and proportional Gothic fonts every Windows 10 and 11
  // has, then the Mac's and iPad's Hiragino, ChromeOS's Noto, Debian's IPA.
  const BOX_STAND_INS = ['Yu Gothic UI', 'Meiryo UI', 'MS Gothic', 'Hiragino Sans', 'Hiragino Kaku Gothic ProN',
                         'Noto Sans CJK JP', 'Noto Sans JP', 'IPAGothic'];
  const HEADING_STAND_INS = ['MS PGothic', 'Yu Gothic', 'Meiryo', 'Hiragino Sans', 'Hiragino Kaku Gothic ProN',
                             'Noto Sans CJK JP', 'Noto Sans JP', 'IPAPGothic'];
  const fontList = (names) => names.map((name) => '"' + name + '"').join(', ') + ', sans-serif';

  // ---- The fields ---------------------------------------------------------

  // A line break in a field is CR LF; a text box holds LF alone, and turns
  // every CR LF and lone CR it is given into one.
  const shownForm = (text) => text.replace(/\r\n?/g, '\n');
  const fieldForm = (value) => value.replace(/\n/g, '\r\n');

  let pointerPressed = false;

  // One of the two large boxes. The field is the text as the program wrote
  // it and the user changed it; the box shows its first `shown` units, and
  // what the runs add waits for the next frame. Nothing is written into the
  // box while an input method composes in it.
  class LargeBox {
    constructor(element) {
      this.element = element;
      this.field = '';
      this.shown = 0;
      this.rewrite = false;  // the box is to show the whole field anew
      this.version = 0;
      this.composing = false;
      element.addEventListener('input', () => this.takeUserEdit());
      element.addEventListener('compositionstart', () => { this.composing = true; });
      element.addEventListener('compositionend', () => {
        this.composing = false;
        // Some engines send the composition's last input after its end.
        setTimeout(() => this.show(), 0);
      });
    }

    text() { return this.field; }

    write(keep, added) {
      if (keep === 0) {
        this.field = added;
        this.rewrite = true;
        this.shown = 0;
      } else if (keep === this.field.length) {
        // A run's append, thousands of times a run: the field grows at its
        // end without being copied (slicing a grown string copies it whole).
        this.field += added;
      } else {
        this.field = this.field.slice(0, keep) + added;
      }
      return ++this.version;
    }

    // The user changed what the box shows: that is the field now, followed by
    // whatever was still waiting to be shown.
    takeUserEdit() {
      // The box is about to show a new text: an edit of the old one is lost,
      // as it would be had it been made a moment before the program wrote.
      if (this.rewrite) return;
      const edited = fieldForm(this.element.value);
      let waiting = this.field.slice(this.shown);
      // The LF of a CR LF whose CR is shown already is part of the shown break.
      if (this.shown > 0 && this.field[this.shown - 1] === '\r' && waiting[0] === '\n' && edited.endsWith('\r\n')) {
        waiting = waiting.slice(1);
      }
      this.field = edited + waiting;
      this.shown = edited.length;
      ++this.version;
    }

    // Puts what waits into the box, once a frame.
    show() {
      if (this.composing) return;
      const box = this.element;
      const focused = document.activeElement === box;
      if (this.rewrite) {
        box.value = shownForm(this.field);
        this.rewrite = false;
        this.shown = this.field.length;
        // The caret goes to the end, where a run's next text follows.
        if (focused) box.setSelectionRange(box.value.length, box.value.length);
        box.scrollTop = box.scrollHeight;
        return;
      }
      let from = this.shown;
      if (from >= this.field.length) return;
      if (from > 0 && this.field[from - 1] === '\r' && this.field[from] === '\n') ++from;
      const added = shownForm(this.field.slice(from));
      this.shown = this.field.length;
      if (!added) return;
      // The view follows the end if the end was in view, never under a
      // pointer that is pressing, selecting or dragging.
      const follow = box.scrollTop + box.clientHeight >= box.scrollHeight - 1 && !pointerPressed;
      const end = box.value.length;
      const start = box.selectionStart;
      const stop = box.selectionEnd;
      box.setRangeText(added, end, end, 'preserve');
      // A caret at the end moves on with the text, as in the desktop program:
      // what the user types next follows what the run has added.
      if (focused && stop === end) {
        box.setSelectionRange(start === end ? end + added.length : start, end + added.length, box.selectionDirection);
      }
      if (follow) box.scrollTop = box.scrollHeight;
    }
  }

  // The length and the codon box show what the program writes; nobody can
  // type into them.
  class LineBox {
    constructor(element, text) {
      this.element = element;
      this.field = text;
      this.version = 0;
      this.waiting = false;
      // What a browser restored from a page shown before is not the field.
      element.value = text;
    }

    text() { return this.field; }

    write(keep, added) {
      this.field = keep === this.field.length ? this.field + added : this.field.slice(0, keep) + added;
      this.waiting = true;
      return ++this.version;
    }

    show() {
      if (!this.waiting) return;
      this.waiting = false;
      this.element.value = this.field;
    }
  }

  const fields = [
    new LargeBox(control('Text0')),
    new LineBox(control('Text1'), '0'),
    new LargeBox(control('Text2')),
    new LineBox(control('Text3'), ''),
  ];
  const showAll = () => fields.forEach((field) => field.show());

  // A fresh page starts as the program does, whatever the browser restored
  // of the controls of a page shown before (the slider, after a reload).
  slider.value = '0';

  // The slider's link to the length box: the position, unrounded.
  function Slider1_Click() {
    fields[1].write(0, String(slider.valueAsNumber));
    fields[1].show();
  }
  slider.addEventListener('input', Slider1_Click);

  // ---- The presses and the runs --------------------------------------------

  let running = false;
  const presses = [];

  // Resumes a run that waits for its step's time or for the user to resume
  // it, so that it takes what has just come at once.
  let waiting = null;

  // With no run going, a press calls into the module; during a run it waits
  // for the run's next yield, which runs it nested.
  function press(button) {
    if (running) {
      presses.push(button);
      if (waiting) waiting();
      return;
    }
    running = true;
    const done = () => {
      running = false;
      showAll();
      // A press that came as the run ended, before this: its own run now.
      if (presses.length) press(presses.shift());
    };
    Promise.resolve(Module.ccall('quinmare_press', null, ['number'], [button], { async: true })).then(done, done);
  }
  control('Command1').addEventListener('click', () => press(1));
  control('Command2').addEventListener('click', () => press(2));

  // Resumes the module once the browser has painted a frame; a hidden page
  // paints none, and resumes as soon as the events waiting are delivered.
  // A wait of some milliseconds lasts until the first frame at which they
  // have passed, or until a press or a choice of pace comes; a negative one
  // until a press or a choice comes.
  function afterFrame(resume, wait) {
    let resumed = false;
    const once = () => {
      if (resumed) return;
      resumed = true;
      waiting = null;
      resume();
    };
    if (wait) {
      waiting = once;
      if (wait < 0) return;
      const due = performance.now() + wait;
      const tick = () => {
        // The pace's clock takes a step that is up to 2 ms early as on time.
        if (performance.now() >= due - 2) setTimeout(once, 0);
        else if (!resumed) requestAnimationFrame(tick);
      };
      if (document.hidden) setTimeout(once, wait);
      else requestAnimationFrame(tick);
      // A page that stops painting (hidden meanwhile) still goes on.
      setTimeout(once, wait + 250);
      return;
    }
    if (document.hidden) {
      const channel = new MessageChannel();
      channel.port1.onmessage = once;
      channel.port2.postMessage(0);
      return;
    }
    requestAnimationFrame(() => setTimeout(once, 0));
    setTimeout(once, 250);
  }

  // ---- The pace -------------------------------------------------------------

  // The bar beside the form: the pace, pause and one step, as in the desktop
  // program's speed menu. The program keeps the pace (the module's clock);
  // the bar hands it the user's choices and shows what it holds.
  const PACES = ['fast', 'normal', 'slow'];
  const CHOICE = { fast: 1, normal: 2, slow: 3, pause: 4, resume: 5, step: 6 };
  const choices = [];
  const bar = control('PaceBar');
  const pauseButton = control('Pause');
  const stepButton = control('Step');
  let paused = false;

  // With no run going, a choice goes to the module at once; during a run it
  // waits for the run's next yield, and a run that waits takes it at once.
  function choose(choice) {
    if (choice === CHOICE.step && stepButton.disabled) return;
    if (choice === CHOICE.pause || choice === CHOICE.resume) showPause(choice === CHOICE.pause);
    if (!running) {
      Module.ccall('quinmare_choose', null, ['number'], [choice]);
      return;
    }
    choices.push(choice);
    if (waiting) waiting();
  }

  function showPause(now) {
    paused = now;
    pauseButton.textContent = paused ? tr('&Resume') : tr('&Pause');
    pauseButton.setAttribute('aria-pressed', String(paused));
  }

  function showPace(pace) {
    for (const radio of bar.querySelectorAll('input[name="pace"]')) radio.checked = radio.value === PACES[pace];
  }

  for (const radio of bar.querySelectorAll('input[name="pace"]')) {
    radio.addEventListener('change', () => { if (radio.checked) choose(CHOICE[radio.value]); });
  }
  pauseButton.addEventListener('click', () => choose(paused ? CHOICE.resume : CHOICE.pause));
  stepButton.addEventListener('click', () => choose(CHOICE.step));

  // The desktop program's keys: F8 pauses and resumes, F9 takes one step,
  // Ctrl+1 to 3 choose the pace (where the browser leaves them to the page).
  document.addEventListener('keydown', (event) => {
    const plain = !event.altKey && !event.metaKey && !event.shiftKey;
    let choice = 0;
    if (plain && !event.ctrlKey && event.key === 'F8') choice = paused ? CHOICE.resume : CHOICE.pause;
    if (plain && !event.ctrlKey && event.key === 'F9') choice = CHOICE.step;
    if (plain && event.ctrlKey && /^Digit[123]$/.test(event.code)) choice = Number(event.code.slice(5));
    if (!choice) return;
    event.preventDefault();
    choose(choice);
  }, true);

  // A link or bookmark can open the page at a class's pace: quinmare.html?pace=slow.
  function paceInAddress() {
    const index = PACES.indexOf((new URLSearchParams(location.search).get('pace') || '').toLowerCase());
    return index + 1;
  }

  // Tells a listener what the step on screen shows. The same words twice in
  // a row (two codons alike) still change the region, so both are heard.
  let heard = '';
  function announce(text) {
    heard = text === heard ? text + '\u00a0' : text;
    control('Announcement').textContent = heard;
  }

  // ---- Layout and scale -----------------------------------------------------

  let formWidth = 990;
  let formHeight = 718;
  // The scale that fits the form and the pace bar to the window. The
  // browser's zoom enlarges both from there, with scroll bars, as it does any
  // page: the fit is taken in the pixels of the zoom the page was opened at.
  // Chromium and Firefox tell a zoom by the device pixel ratio; WebKit
  // (Safari, and every browser on an iPad) keeps that ratio and only shrinks
  // the window's CSS pixels, while the window itself keeps its size. A pinch
  // leaves both alone.
  const zoomKeepsPixelRatio = navigator.vendor === 'Apple Computer, Inc.';
  let zoom = 1;
  let seen = null;
  function followZoom() {
    const now = { ratio: window.devicePixelRatio || 1, outerWidth: window.outerWidth,
                  outerHeight: window.outerHeight, innerWidth: window.innerWidth };
    if (seen && now.ratio !== seen.ratio) {
      zoom *= now.ratio / seen.ratio;
    } else if (seen && zoomKeepsPixelRatio && now.outerWidth === seen.outerWidth && now.outerHeight === seen.outerHeight &&
               now.innerWidth !== seen.innerWidth && now.innerWidth > 0 && now.outerWidth > 0) {
      zoom *= seen.innerWidth / now.innerWidth;
    }
    seen = now;
  }
  function fit() {
    followZoom();
    // The whole window, scroll bars included: fitted, the page needs none.
    const width = window.innerWidth * zoom;
    const height = window.innerHeight * zoom;
    // The bar goes where it leaves the form larger: below it or beside it.
    const size = (side) => {
      bar.classList.toggle('side', side);
      return [bar.offsetWidth, bar.offsetHeight];
    };
    const [belowWidth, belowHeight] = size(false);
    const [sideWidth, sideHeight] = size(true);
    const below = Math.min(width / formWidth, (height - belowHeight) / formHeight);
    const beside = Math.min((width - sideWidth) / formWidth, height / formHeight);
    const side = beside > below;
    const scale = Math.max(0.1, side ? beside : below) * 0.9999;
    bar.classList.toggle('side', side);
    const formW = formWidth * scale;
    const formH = formHeight * scale;
    const groupWidth = side ? formW + sideWidth : Math.max(formW, belowWidth);
    const groupHeight = side ? Math.max(formH, sideHeight) : formH + belowHeight;
    const left = Math.max(0, (window.innerWidth - groupWidth) / 2);
    const top = Math.max(0, (window.innerHeight - groupHeight) / 2);
    form.style.transform = 'scale(' + scale + ')';
    form.style.left = left + (side ? 0 : (groupWidth - formW) / 2) + 'px';
    form.style.top = top + (side ? (groupHeight - formH) / 2 : 0) + 'px';
    bar.style.left = (side ? left + formW : left + (groupWidth - belowWidth) / 2) + 'px';
    bar.style.top = (side ? top + (groupHeight - sideHeight) / 2 : top + formH) + 'px';
  }
  window.addEventListener('resize', () => {
    // A pinch zooms into the page as it is laid out.
    if (window.visualViewport && Math.abs(window.visualViewport.scale - 1) > 0.001) return;
    fit();
  });

  // ---- The slider by touch -------------------------------------------------

  // A finger cannot land on one of 10001 positions in 250 pixels. Dragged
  // along the slider, the thumb follows the finger; the further the finger
  // moves away from the slider, above or below, the finer the steps: a
  // tenth, then a hundredth of the speed, so that any length can be set
  // exactly (the same gesture as scrubbing a video on an iPad).
  function touchSlider() {
    let drag = null;
    slider.addEventListener('pointerdown', (event) => {
      if (event.pointerType === 'mouse') return;
      event.preventDefault();
      slider.setPointerCapture(event.pointerId);
      slider.focus({ preventScroll: true });
      const track = slider.getBoundingClientRect();
      const max = Number(slider.max);
      const thumb = track.left + (slider.valueAsNumber / max) * track.width;
      let value = slider.valueAsNumber;
      // A touch away from the thumb moves it there first.
      if (Math.abs(event.clientX - thumb) > track.height) {
        value = Math.round(((event.clientX - track.left) / track.width) * max);
      }
      drag = { id: event.pointerId, x: event.clientX, value, perPixel: max / track.width,
               middle: track.top + track.height / 2, step: track.height };
      setSlider(value, 'input');
    });
    slider.addEventListener('pointermove', (event) => {
      if (!drag || event.pointerId !== drag.id) return;
      event.preventDefault();
      const away = Math.abs(event.clientY - drag.middle) / drag.step;
      const speed = away < 2 ? 1 : away < 5 ? 0.1 : 0.01;
      drag.value += (event.clientX - drag.x) * drag.perPixel * speed;
      drag.x = event.clientX;
      setSlider(drag.value, 'input');
    });
    const end = (event) => {
      if (!drag || event.pointerId !== drag.id) return;
      drag = null;
      slider.dispatchEvent(new Event('change', { bubbles: true }));
    };
    slider.addEventListener('pointerup', end);
    slider.addEventListener('pointercancel', end);
    // Safari starts its own drag of the thumb from the touch itself.
    slider.addEventListener('touchstart', (event) => event.preventDefault(), { passive: false });
  }

  function setSlider(value, notify) {
    const max = Number(slider.max);
    const position = Math.max(0, Math.min(max, Math.round(value)));
    if (position === slider.valueAsNumber) return;
    slider.value = String(position);
    if (notify) slider.dispatchEvent(new Event(notify, { bubbles: true }));
  }

  // Page Up and Page Down move by 300, as in the desktop program; the arrow
  // keys by 1, Home and End to the ends, as every slider does.
  slider.addEventListener('keydown', (event) => {
    const step = { PageUp: 300, PageDown: -300 }[event.key];
    if (!step) return;
    event.preventDefault();
    setSlider(slider.valueAsNumber + step, 'input');
  });

  window.addEventListener('pointerdown', () => { pointerPressed = true; }, true);
  for (const type of ['pointerup', 'pointercancel']) {
    window.addEventListener(type, (event) => { pointerPressed = event.buttons !== 0; }, true);
  }

  // ---- Names and descriptions -------------------------------------------------

  function describe(id, name, description) {
    const element = control(id);
    if (name) element.setAttribute('aria-label', name);
    const note = document.createElement('span');
    note.id = id + '-description';
    note.textContent = description;
    control('Descriptions').appendChild(note);
    element.setAttribute('aria-describedby', note.id);
  }
  function nameControls() {
    if (!japanese) {
      // The captions stay Japanese, and are marked so; the rest is English.
      document.documentElement.lang = 'en';
      for (const element of form.querySelectorAll('.caption')) element.lang = 'ja';
    }
    describe('Label1_0', '', tr('Over the box of the base sequence to translate'));
    describe('Command1', '', tr('Generates a random DNA sequence of the length chosen on the slider'));
    describe('Slider1', tr('Number of bases'), tr('Chooses how many bases to generate and to decode, 0 to 10000'));
    describe('Text1', tr('Length'), tr('The chosen length in bases; decoding reads a third of it, rounded down, as codons'));
    describe('Label2', '', tr('Unit of the length: bases'));
    describe('Text0', '', tr('A DNA base sequence, taken to be the same as the mRNA it is transcribed into and translated as that mRNA: generated, typed or pasted; only capital A, T, G and C are read'));
    describe('Text2', '', tr('The amino acids of this reading frame, read from the first base to the end: stop and an empty line at every stop codon, then on; not a protein as a cell makes it'));
    describe('Text3', tr('Codon being decoded'), tr('The codon being translated, in three DNA letters (T where the mRNA has U)'));
    describe('Command2', '', tr('Decodes, that is translates, the sequence codon by codon into amino acids'));
    describe('Label1_1', '', tr('Over the box of the translated amino-acid sequence'));
    // The pace bar, in the words of the desktop program's speed menu.
    bar.setAttribute('aria-label', tr('&Speed'));
    control('PaceLegend').textContent = tr('&Speed');
    const names = { fast: tr('&Fast'), normal: tr('&Normal'), slow: tr('S&low') };
    for (const radio of bar.querySelectorAll('input[name="pace"]')) radio.nextElementSibling.textContent = names[radio.value];
    stepButton.textContent = tr('S&tep');
    // How a teacher shows a translation codon by codon, on the two buttons
    // that do it (and their keys).
    describe('Pause', '', tr('Stops a translation at its next codon; Step then goes on one codon at a time'));
    describe('Step', '', tr('Goes one codon further, and stops there'));
    pauseButton.title = control('Pause-description').textContent + ' (F8)';
    stepButton.title = control('Step-description').textContent + ' (F9)';
    showPause(paused);
  }

  // ---- What the module calls (page_imports.js) --------------------------

  const page = {
    form(width, height, formColour, sequenceHeading, aminoHeading) {
      formWidth = width / TWIPS_PER_PIXEL;
      formHeight = height / TWIPS_PER_PIXEL;
      form.style.width = px(width);
      form.style.height = px(height);
      const colour = (rgb) => '#' + rgb.toString(16).padStart(6, '0');
      document.documentElement.style.setProperty('--form', colour(formColour));
      control('Label1_0').style.color = colour(sequenceHeading);
      control('Label1_1').style.color = colour(aminoHeading);
      const arrow = control('Arrow');
      arrow.setAttribute('width', formWidth);
      arrow.setAttribute('height', formHeight);
    },
    fonts(boxFont, headingFont, boxPoints, headingPoints, codonPoints, formPoints) {
      const style = document.documentElement.style;
      style.setProperty('--box-font', fontList([boxFont, ...BOX_STAND_INS]));
      style.setProperty('--heading-font', fontList([headingFont, ...HEADING_STAND_INS]));
      style.setProperty('--box-size', pointsToPixels(boxPoints));
      style.setProperty('--heading-size', pointsToPixels(headingPoints));
      style.setProperty('--codon-size', pointsToPixels(codonPoints));
      style.setProperty('--form-size', pointsToPixels(formPoints));
    },
    place(name, index, left, top, width, height) {
      const element = control(index >= 0 ? name + '_' + index : name);
      Object.assign(element.style, { left: px(left), top: px(top), width: px(width), height: px(height) });
    },
    line(x1, y1, x2, y2) {
      // Centred on the pixels it covers, one pixel wide, ends included.
      const line = document.createElementNS('http://www.w3.org/2000/svg', 'line');
      const at = (twips) => String(twips / TWIPS_PER_PIXEL + 0.5);
      line.setAttribute('x1', at(x1));
      line.setAttribute('y1', at(y1));
      line.setAttribute('x2', at(x2));
      line.setAttribute('y2', at(y2));
      control('Arrow').appendChild(line);
    },
    ready() {
      nameControls();
      touchSlider();
      fit();
      form.classList.add('ready');
      bar.classList.add('ready');
      control('Command1').focus();
      // The module takes the address's pace once it has laid the form out.
      const pace = paceInAddress();
      if (pace) choices.push(pace);
      performance.mark('quinmare-ready');
    },
    version: (field) => fields[field].version,
    text: (field) => fields[field].text(),
    write: (field, keep, added) => fields[field].write(keep, added),
    slider: () => slider.valueAsNumber,
    setSlider: (position) => { slider.value = String(position); },
    frame(resume, wait) {
      showAll();
      afterFrame(resume, wait);
    },
    takePress: () => presses.shift() || 0,
    takeChoice: () => choices.shift() || 0,
    runs(depth) {
      form.dataset.runs = String(depth);
      // A screen reader leaves the form alone while the runs change it.
      form.setAttribute('aria-busy', depth > 0 ? 'true' : 'false');
      // A step needs a run to take it.
      stepButton.disabled = depth === 0;
      if (depth === 0) showAll();
    },
    pace(pace, isPaused) {
      showPace(pace);
      showPause(isPaused);
    },
    announce,
  };

  return { page, print: () => {}, printErr: (text) => console.warn(text) };
})();
