// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include <emscripten.h>

#include "layout.h"
#include "page_imports.h"
#include "sequence/codon_table.h"
#include "sequence/decoding_run.h"
#include "sequence/sequence_generator.h"

namespace quinmare {
namespace {

int Packed(layout::Rgb colour) { return colour.red << 16 | colour.green << 8 | colour.blue; }

int Index(Field field) { return static_cast<int>(field); }

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

std::u16string Form1::ReadText(Field field) { return Fresh(field); }

void Form1::WriteText(Field field, std::u16string_view text) {
    Copy& copy = copies_[static_cast<std::size_t>(field)];
    const std::u16string& now = Fresh(field);
    // A text that extends the field sends only what it adds.
    const std::size_t keep = text.starts_with(now) ? now.size() : 0;
    const std::u16string_view added = text.substr(keep);
    if (keep > 0 && added.empty()) return;
    copy.version = quinmare_page_write(Index(field), static_cast<std::uint32_t>(keep), added.data(),
                                       static_cast<std::uint32_t>(added.size()));
    copy.text.assign(text);
}

std::int32_t Form1::ReadSliderPosition() { return quinmare_page_slider(); }

void Form1::WriteSliderPosition(std::int32_t position) { quinmare_page_set_slider(position); }

void Form1::YieldToEvents() {
    if (emscripten_get_now() - resumed_at_ >= kFrameMilliseconds) {
        quinmare_page_frame();
        resumed_at_ = emscripten_get_now();
    }
    // The presses that arrived meanwhile run now, nested in this run.
    while (const int button = quinmare_page_take_press()) Press(button);
}

std::u16string_view Form1::Henkan(std::u16string_view codon) const { return quinmare::Henkan(codon); }

void Form1::Press(int button) {
    if (depth_ >= kMaxNesting) return;
    if (depth_ == 0) resumed_at_ = emscripten_get_now();
    quinmare_page_runs(++depth_);
    button == 1 ? Command1_Click(*this) : Command2_Click(*this);
    quinmare_page_runs(--depth_);
}

}  // namespace quinmare
