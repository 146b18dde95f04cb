// SPDX-License-Identifier: GPL-3.0-or-later
#include "leading_number.h"

#include <charconv>
#include <limits>
#include <string>
#include <system_error>

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

    // Gather the digits as ASCII for from_chars, which is locale-free and
    // rounds correctly. Leading zeros of the whole part carry nothing.
    std::string digits;
    bool any_digit = false;
    bool nonzero_whole = false;
    while (at < text.size() && text[at] == u'0') {
        ++at;
        any_digit = true;
    }
    while (at < text.size() && IsDigit(text[at])) {
        digits.push_back(static_cast<char>(text[at]));
        ++at;
        any_digit = nonzero_whole = true;
    }
    if (at < text.size() && text[at] == u'.') {
        ++at;
        std::string fraction;
        while (at < text.size() && IsDigit(text[at])) {
            fraction.push_back(static_cast<char>(text[at]));
            ++at;
            any_digit = true;
        }
        if (!fraction.empty()) {
            digits.push_back('.');
            digits += fraction;
        }
    }
    if (!any_digit) return 0.0;
    if (digits.empty()) return negative ? -0.0 : 0.0;
    if (digits.front() == '.') digits.insert(digits.begin(), '0');

    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Too many whole digits overflow; a tiny fraction underflows to 0.
        value = nonzero_whole ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc{}) {
        value = 0.0;
    }
    return negative ? -value : value;
}

std::u16string DecimalText(std::int32_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace quinmare
