// SPDX-License-Identifier: GPL-3.0-or-later
// The module's imports (declared in page_imports.h): each hands its call to
// the page's object, Module.page (page.js). Texts are copied one UTF-16 unit
// at a time, never through a decoder, which would turn a lone surrogate into
// U+FFFD and shift every position after it.
mergeInto(LibraryManager.library, {
  quinmare_page_place: function (name, index, left, top, width, height) {
    Module['page'].place(UTF8ToString(name), index, left, top, width, height);
  },
  quinmare_page_line: function (x1, y1, x2, y2) {
    Module['page'].line(x1, y1, x2, y2);
  },
  quinmare_page_form: function (width, height, form, sequenceHeading, aminoHeading) {
    Module['page'].form(width, height, form, sequenceHeading, aminoHeading);
  },
  quinmare_page_fonts: function (boxFont, headingFont, boxPoints, headingPoints, codonPoints, formPoints) {
    Module['page'].fonts(UTF8ToString(boxFont), UTF8ToString(headingFont), boxPoints, headingPoints,
                         codonPoints, formPoints);
  },
  quinmare_page_ready: function () {
    Module['page'].ready();
  },
  quinmare_page_version: function (field) {
    return Module['page'].version(field);
  },
  quinmare_page_length: function (field) {
    return Module['page'].text(field).length;
  },
  quinmare_page_read: function (field, units) {
    var text = Module['page'].text(field);
    var at = units >> 1;
    for (var i = 0; i < text.length; ++i) HEAPU16[at + i] = text.charCodeAt(i);
  },
  quinmare_page_write: function (field, keep, units, length) {
    var at = units >> 1;
    // What a run's step adds (three bases, a label, a codon) is a few units,
    // thousands of times a run: built directly, without the array of
    // arguments that fromCharCode.apply makes (slow in JavaScriptCore).
    if (length <= 16) {
      var few = '';
      for (var k = 0; k < length; ++k) few += String.fromCharCode(HEAPU16[at + k]);
      return Module['page'].write(field, keep, few);
    }
    var parts = [];
    // fromCharCode takes its units as arguments: a few thousand at a time.
    for (var i = 0; i < length; i += 4096) {
      parts.push(String.fromCharCode.apply(null, HEAPU16.subarray(at + i, at + Math.min(length, i + 4096))));
    }
    return Module['page'].write(field, keep, parts.join(''));
  },
  quinmare_page_slider: function () {
    return Module['page'].slider();
  },
  quinmare_page_set_slider: function (position) {
    Module['page'].setSlider(position);
  },
  quinmare_page_frame: function (wait) {
    return Asyncify.handleSleep(function (wakeUp) {
      Module['page'].frame(wakeUp, wait);
    });
  },
  quinmare_page_take_press: function () {
    return Module['page'].takePress();
  },
  quinmare_page_take_choice: function () {
    return Module['page'].takeChoice();
  },
  quinmare_page_runs: function (depth) {
    Module['page'].runs(depth);
  },
  quinmare_page_pace: function (pace, paused) {
    Module['page'].pace(pace, paused !== 0);
  },
  quinmare_page_announce: function (units, length) {
    Module['page'].announce(String.fromCharCode.apply(null, HEAPU16.subarray(units >> 1, (units >> 1) + length)));
  },
});
