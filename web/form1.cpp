// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "form/layout.h"
#include "page_imports.h"
#include "sequence/codon_table.h"
#include "sequence/decoding_run.h"
#include "sequence/sequence_generator.h"

namespace quinmare {
namespace {

int Packed(layout::Rgb colour) { return colour.red << 16 | colour.green << 8 | colour.blue; }

int Index(Field field) { return static_cast<int>(field); }

// Whether text begins with start. A run's write is checked against the whole
// field at every step, so this compares eight bytes at a time: a unit at a
// time, a generate of 10000 bases took a third longer in WebKit.
bool BeginsWith(std::u16string_view text, std::u16string_view start) {
    if (text.size() < start.size()) return false;
    const auto* a = reinterpret_cast<const unsigned char*>(text.data());
    const auto* b = reinterpret_cast<const unsigned char*>(start.data());
    const std::size_t bytes = start.size() * sizeof(char16_t);
    std::size_t at = 0;
    for (; at + 8 <= bytes; at += 8) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a + at, 8);
        std::memcpy(&y, b + at, 8);
        if (x != y) return false;
    }
    return std::memcmp(a + at, b + at, bytes - at) == 0;
}

}  // namespace

Form1::Form1() {
    using namespace layout;
    quinmare_page_form(kClientWidth, kClientHeight, Packed(kFormColour), Packed(kSequenceHeadingColour),
                       Packed(kAminoHeadingColour));
    quinmare_page_fonts(kBoxFont, kHeadingFont, kBoxPoints, kHeadingPoints, kCodonPoints, kFormPoints);
    for (const Placement& place : kControls) {
        quinmare_page_place(place.name, place.index, place.left, place.top, place.width, place.height);
    }
    for (const Line& line : kArrow) quinmare_page_line(line.x1, line.y1, line.x2, line.y2);
    quinmare_page_ready();
    // The pace the page's address asks for.
    TakeChoices();
    ShowPace();
}

const std::u16string& Form1::Fresh(Field field) {
    Copy& copy = copies_[static_cast<std::size_t>(field)];
    const std::uint32_t version = quinmare_page_version(Index(field));
    if (!copy.valid || copy.version != version) {
        // The user changed the field (or it was never read): fetch it whole.
        copy.text.resize(quinmare_page_length(Index(field)));
        quinmare_page_read(Index(field), copy.text.data());
        copy.version = version;
        copy.valid = true;
    }
    return copy.text;
}

std::u16string Form1::ReadText(Field field) {
    const std::u16string& now = Fresh(field);
    // A run reads a field, adds a few letters (three bases, a label, a stop
    // and its blank line) and writes it back: with room for them, the text
    // is not copied a second time to grow.
    constexpr std::size_t kRoomToAdd = 16;
    std::u16string text;
    text.reserve(now.size() + kRoomToAdd);
    text.assign(now);
    return text;
}

void Form1::WriteText(Field field, std::u16string_view text) {
    wrote_ = true;
    Copy& copy = copies_[static_cast<std::size_t>(field)];
    const std::u16string& now = Fresh(field);
    // A text that extends the field sends only what it adds.
    const bool extends = BeginsWith(text, now);
    const std::size_t keep = extends ? now.size() : 0;
    const std::u16string_view added = text.substr(keep);
    if (pace_.Announces()) {
        // What a step adds to a box; a run that empties one adds nothing.
        if (field == Field::Text3) heard_codon_.assign(text);
        if (field == Field::Text0 || field == Field::Text2) heard_added_.assign(extends ? added : std::u16string_view());
    }
    if (keep > 0 && added.empty()) return;
    copy.version = quinmare_page_write(Index(field), static_cast<std::uint32_t>(keep), added.data(),
                                       static_cast<std::uint32_t>(added.size()));
    // The copy holds `now`: an extension only adds to it.
    if (extends) {
        copy.text.append(added);
    } else {
        copy.text.assign(text);
    }
}

std::int32_t Form1::ReadSliderPosition() { return quinmare_page_slider(); }

void Form1::WriteSliderPosition(std::int32_t position) {
    wrote_ = true;
    quinmare_page_set_slider(position);
}

void Form1::YieldToEvents() {
    const PaceClock::Wait wait{std::exchange(wrote_, false)};
    if (pace_.Unpaced()) {
        if (!FrameDue()) return;
        Frame(0);
        if (pace_.Unpaced()) return;
    }
    if (wait.step && pace_.Announces()) {
        const std::u16string heard = StepAnnouncement(heard_codon_, heard_added_);
        if (!heard.empty()) quinmare_page_announce(heard.data(), static_cast<std::uint32_t>(heard.size()));
    }
    heard_codon_.clear();
    heard_added_.clear();
    // At a pace, or paused, the page goes on delivering the user's input
    // until the clock lets the run go on; each step is shown in a frame of
    // its own. A press meanwhile starts its run at once, nested here.
    while (pace_.Holds(wait, emscripten_get_now())) {
        const double left = pace_.Remaining(wait, emscripten_get_now());
        Frame(std::isfinite(left) ? left : -1);
    }
}

// Whether a frame's time has passed since the run last handed control to
// the browser. The clock is a call out of the module, which costs more than
// a whole yield of a generate in some engines: it is read about once a
// millisecond, every so many yields, however long a yield takes (and in
// WebKit it ticks in whole milliseconds).
bool Form1::FrameDue() {
    if (++yields_unclocked_ < yields_per_clock_) return false;
    yields_unclocked_ = 0;
    const double now = emscripten_get_now();
    const double since = now - clocked_at_;
    clocked_at_ = now;
    if (since < 0.5 && yields_per_clock_ < 1024) {
        yields_per_clock_ *= 2;
    } else if (since > 1.5 && yields_per_clock_ > 1) {
        yields_per_clock_ /= 2;
    }
    return now - resumed_at_ >= slice_;
}

// The user's input reaches the page only while it has control, so the
// choices and presses that came are taken here, and nowhere else: the
// presses run at once, nested in the run that yielded.
void Form1::Frame(double wait_milliseconds) {
    const double handed_over = emscripten_get_now();
    quinmare_page_frame(wait_milliseconds);
    resumed_at_ = clocked_at_ = emscripten_get_now();
    // A fast run's frame: how long it took sets how long the run goes on
    // before the next one (a paced frame lasts as long as the pace says).
    if (wait_milliseconds == 0) slice_ = FastSliceMilliseconds(resumed_at_ - handed_over);
    yields_unclocked_ = 0;
    TakeChoices();
    while (const int button = quinmare_page_take_press()) Press(button);
}

void Form1::TakeChoices() {
    while (const int control = quinmare_page_take_choice()) Choose(control);
}

void Form1::Choose(int control) {
    const double now = emscripten_get_now();
    switch (control) {
    case kFast: pace_.SetPace(Pace::Fast, now); break;
    case kNormal: pace_.SetPace(Pace::Normal, now); break;
    case kSlow: pace_.SetPace(Pace::Slow, now); break;
    case kPause: pace_.Pause(); break;
    case kResume: pace_.Resume(now); break;
    case kStep: pace_.Step(); break;
    default: return;
    }
    ShowPace();
}

void Form1::ShowPace() {
    quinmare_page_pace(static_cast<int>(pace_.pace()), pace_.paused() ? 1 : 0);
}

std::u16string_view Form1::Henkan(std::u16string_view codon) const { return quinmare::Henkan(codon); }

void Form1::Press(int button) {
    if (depth_ >= kMaxNesting) return;
    if (depth_ == 0) {
        resumed_at_ = emscripten_get_now();
        TakeChoices();
    }
    pace_.RunStarts(emscripten_get_now());
    wrote_ = false;
    quinmare_page_runs(++depth_);
    button == 1 ? Command1_Click(*this) : Command2_Click(*this);
    quinmare_page_runs(--depth_);
    if (depth_ == 0) pace_.RunsEnded();
}

}  // namespace quinmare
