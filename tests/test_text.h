// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between the sequence work's UTF-16 texts and QString for tests.
#pragma once

#include <QString>
#include <string>
#include <string_view>

inline std::u16string ToU16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.constData()),
                          static_cast<std::size_t>(text.size()));
}

inline QString ToQ(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
