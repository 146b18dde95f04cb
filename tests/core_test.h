// SPDX-License-Identifier: GPL-3.0-or-later
// For the sequence work's tests, which speak its own types (UTF-16 texts as
// std::u16string) so that the same tests build with Qt Test on the desktop
// and with its stand-in (tests/wasm/QtTest) to WebAssembly.
#pragma once

#include <QtTest>

#include <cstdio>
#include <string>
#include <vector>

using namespace std::string_literals;

using Texts = std::vector<std::u16string>;

#ifdef QT_VERSION
// Qt Test prints the texts it compares.
namespace QTest {
template <>
inline char* toString(const std::u16string& text) {
    return toString(QString::fromStdU16String(text));
}
template <>
inline char* toString(const Texts& texts) {
    QStringList list;
    for (const std::u16string& text : texts) list << QString::fromStdU16String(text);
    return toString(list.join(u'|'));
}
}  // namespace QTest
#endif

// A double with all the digits that tell it from its neighbours.
inline std::string Exactly(double value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.17g", value);
    return digits;
}

// A number as the length field shows it.
inline std::u16string Digits(long long value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}
