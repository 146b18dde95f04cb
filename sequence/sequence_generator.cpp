// SPDX-License-Identifier: GPL-3.0-or-later
#include "sequence_generator.h"

#include <new>
#include <string>
#include <vector>

#include "leading_number.h"

namespace quinmare {
namespace {

// A 24-bit linear congruential stream: s = (s * 1140671485 + 12820163)
// mod 2^24, starting at 327680; each value is s / 2^24.
std::uint32_t random_state = 327680;

// The letter of each drawn digit, in this order (not alphabetical).
constexpr char16_t kLetters[4] = {u'A', u'T', u'G', u'C'};

}  // namespace

float NextRandom() {
    random_state = (random_state * 1140671485u + 12820163u) & 0xFFFFFFu;
    return static_cast<float>(random_state) / 16777216.0f;
}

void Command1_Click(FormFields& fields) {
    std::int32_t length = fields.ReadSliderPosition();
    fields.WriteText(Field::Text0, u"");
    if (length % 3 != 0) length = length / 3 * 3;
    fields.WriteSliderPosition(length);
    fields.WriteText(Field::Text1, DecimalText(length));

    // One slot per base: first its digit 0 to 3, then its letter.
    if (length < 0 || length > kMaxBaseCount) return;
    std::vector<char16_t> bases;
    try {
        bases.resize(static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
        return;
    }

    // The product is taken in double, so skip is 0 to 99 and never 100.
    const auto skip = static_cast<std::int32_t>(static_cast<double>(NextRandom()) * 100.0);
    for (std::int32_t k = 0; k < skip; ++k) NextRandom();

    for (char16_t& base : bases) {
        base = static_cast<char16_t>(NextRandom() * 4.0f);
        fields.YieldToEvents();
    }
    for (char16_t& base : bases) {
        base = base < 3 ? kLetters[base] : kLetters[3];
        fields.YieldToEvents();
    }
    for (std::size_t k = 0; k + 3 <= bases.size(); k += 3) {
        std::u16string text = fields.ReadText(Field::Text0);
        try {
            text.append(bases.data() + k, 3);
        } catch (const std::bad_alloc&) {
            return;
        }
        fields.WriteText(Field::Text0, text);
        fields.YieldToEvents();
    }
}

}  // namespace quinmare
