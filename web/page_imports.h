// SPDX-License-Identifier: GPL-3.0-or-later
// What the module asks of the page (page_imports.js). Texts cross as UTF-16
// code units copied one for one, so that every unit keeps its position:
// fields are numbered as Field is, 0 to 3.
#pragma once

#include <cstdint>

extern "C" {

// Places a control (by its name and index, in twips) or an arrow line.
void quinmare_page_place(const char* name, int index, int left, int top, int width, int height);
void quinmare_page_line(int x1, int y1, int x2, int y2);
// The form's client area in twips, its colours (0xRRGGBB) and fonts.
void quinmare_page_form(int width, int height, int form_colour, int sequence_heading_colour,
                        int amino_heading_colour);
void quinmare_page_fonts(const char* box_font, const char* heading_font, double box_points,
                         double heading_points, double codon_points, double form_points);
// Everything is in place: the page shows the form.
void quinmare_page_ready();

// The field's version: it changes whenever the field does.
std::uint32_t quinmare_page_version(int field);
// The field's length in units, and its units copied to `units`.
std::uint32_t quinmare_page_length(int field);
void quinmare_page_read(int field, char16_t* units);
// The field keeps its first `keep` units and `length` units follow them;
// returns the field's new version.
std::uint32_t quinmare_page_write(int field, std::uint32_t keep, const char16_t* units, std::uint32_t length);

std::int32_t quinmare_page_slider();
void quinmare_page_set_slider(std::int32_t position);

// Shows what the runs wrote, lets the browser paint and deliver input, and
// returns (Asyncify resumes the module) once a frame has gone by and then,
// for a wait of some milliseconds, once they have passed or a press or a
// choice of pace has come; a negative wait lasts until one comes.
void quinmare_page_frame(double wait_milliseconds);
// The oldest press that arrived meanwhile (1 or 2), or 0.
int quinmare_page_take_press();
// The oldest choice from the pace bar or its keys (Form1::Control), or 0.
int quinmare_page_take_choice();
// How many runs are in progress, nested.
void quinmare_page_runs(int depth);
// The pace (0 fast, 1 normal, 2 slow) and whether the runs are paused, for
// the pace bar to show.
void quinmare_page_pace(int pace, int paused);
// Tells a listener what the step on screen shows (a polite live region).
void quinmare_page_announce(const char16_t* units, std::uint32_t length);
}
