// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "form/form_fields.h"

namespace quinmare {

// Fields kept in memory, for running the sequence work without a window:
// tests, fuzzers and the benchmark. They start as the window does (Text1
// "0", the rest empty, slider at 0). Each yield counts and then calls
// on_yield, where a caller can play the part of the user: type into a box,
// move the slider, or press a button, which runs nested as in the window.
class MemoryFields final : public FormFields {
public:
    std::array<std::u16string, 4> texts{u"", u"0", u"", u""};
    std::int32_t slider = 0;
    std::int64_t yields = 0;
    std::function<void(MemoryFields&)> on_yield;
    // Called after every write with the field and the text written.
    std::function<void(Field, std::u16string_view)> on_write;

    std::u16string& operator[](Field field) { return texts[static_cast<std::size_t>(field)]; }

    std::u16string ReadText(Field field) override { return (*this)[field]; }
    void WriteText(Field field, std::u16string_view text) override;
    std::int32_t ReadSliderPosition() override { return slider; }
    void WriteSliderPosition(std::int32_t position) override { slider = position; }
    void YieldToEvents() override;
};

}  // namespace quinmare
