// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quinmare {

// The number a text begins with, the way the length field is read back:
// leading spaces, tabs and line feeds are skipped; then an optional sign,
// decimal digits, and optionally "." and more digits. The first character
// that cannot continue the number ends it. The point is "." in every locale.
// A text that does not begin with a number gives 0; one too large for a
// double gives an infinity of its sign.
double LeadingNumber(std::u16string_view text);

// A length as the length field shows it: plain decimal digits, a "-" for a
// negative value, no separators or leading zeros.
std::u16string DecimalText(std::int32_t value);

}  // namespace quinmare
