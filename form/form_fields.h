// SPDX-License-Identifier: GPL-3.0-or-later
// The narrow interface through which the sequence work reaches the window.
//
// The generator and the decoding run see nothing of the window but these
// fields, so they build and run against any implementation: the real Form1,
// or the in-memory fields used by the tests, the fuzzers and the benchmark.
// This header depends on the standard library alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quinmare {

// Texts are sequences of UTF-16 code units; every unit is one position.
// A line break is CR LF.
enum class Field { Text0, Text1, Text2, Text3 };

class FormFields {
public:
    virtual ~FormFields() = default;

    // The field's whole text, line breaks as CR LF, without display wraps.
    virtual std::u16string ReadText(Field field) = 0;
    // Replaces the field's whole text.
    virtual void WriteText(Field field, std::u16string_view text) = 0;
    virtual std::int32_t ReadSliderPosition() = 0;
    virtual void WriteSliderPosition(std::int32_t position) = 0;
    // Repaints and delivers every waiting event, running each handler to its
    // end (possibly another run, nested) before returning.
    virtual void YieldToEvents() = 0;
};

}  // namespace quinmare
