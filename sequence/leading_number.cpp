// SPDX-License-Identifier: GPL-3.0-or-later
#include "leading_number.h"

#include <cstdlib>
#include <string>

namespace quinmare {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

double LeadingNumber(std::u16string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t' || text[at] == u'\n')) ++at;

    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }

    // The number is rewritten as its significant digits and a power of ten,
    // "12.75" as "1275e-2": with no decimal point in it, strtod reads it the
    // same in every locale, and it rounds to the nearest double exactly.
    std::string digits;
    bool any_digit = false;
    long long scale = 0;  // the power of ten the digits are multiplied by
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        any_digit = true;
        if (!digits.empty() || text[at] != u'0') digits.push_back(static_cast<char>(text[at]));
    }
    if (at < text.size() && text[at] == u'.') {
        for (++at; at < text.size() && IsDigit(text[at]); ++at) {
            any_digit = true;
            if (!digits.empty() || text[at] != u'0') digits.push_back(static_cast<char>(text[at]));
            --scale;
        }
    }
    if (!any_digit) return 0.0;
    if (digits.empty()) return negative ? -0.0 : 0.0;

    digits += 'e';
    digits += std::to_string(scale);
    // Too many whole digits give HUGE_VAL, an infinity; a fraction too small
    // for a double gives 0.
    const double value = std::strtod(digits.c_str(), nullptr);
    return negative ? -value : value;
}

std::u16string DecimalText(std::int32_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace quinmare
