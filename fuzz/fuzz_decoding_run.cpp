// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the reading of the length and the decoding run over in-memory
// fields with arbitrary Text0 and Text1 contents, checking what the run
// may write at every step.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>
#include <string>

#include "sequence/codon_table.h"
#include "sequence/decoding_run.h"
#include "sequence/leading_number.h"
#include "sequence/memory_fields.h"

using namespace quinmare;

namespace {

// Keeps every input fast: larger counts are skipped, not run.
constexpr double kMaxFuzzedCodons = 2000;

#define CHECK(condition)                                                       \
    do {                                                                       \
        if (!(condition)) {                                                    \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #condition, __LINE__); \
            std::abort();                                                      \
        }                                                                      \
    } while (0)

// The number a text starts with, by the C library on the matched prefix.
double ReferenceNumber(std::u16string_view text) {
    std::string ascii;
    for (char16_t c : text) ascii += c < 128 && c != 0 ? static_cast<char>(c) : '?';
    static const std::regex number(R"(^[ \t\n]*([+-]?(\d+(\.\d*)?|\.\d+)))");
    std::smatch match;
    if (!std::regex_search(ascii, match, number)) return 0.0;
    return std::strtod(match[1].str().c_str(), nullptr);
}

void CheckLeadingNumber(std::u16string_view text) {
    const double ours = LeadingNumber(text);
    const double reference = ReferenceNumber(text);
    CHECK(!std::isnan(ours));
    if (std::fabs(reference) < DBL_MIN) {
        CHECK(std::fabs(ours) < DBL_MIN);  // underflow may give 0 or a subnormal
    } else {
        CHECK(ours == reference);
    }
}

const std::set<std::u16string_view>& Pieces() {
    static const std::set<std::u16string_view> pieces = [] {
        std::set<std::u16string_view> all;
        for (int label = 0; label < kLabelCount; ++label) {
            if (static_cast<Label>(label) != Label::Stop) all.insert(LabelText(static_cast<Label>(label)));
        }
        return all;
    }();
    return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // First byte: how many following bytes make Text1; the rest is Text0,
    // one unit a byte or two bytes a unit.
    const std::size_t length_bytes = std::min<std::size_t>(data[0] & 0x1F, size - 1);
    const bool wide = data[0] & 0x80;
    std::u16string text1(data + 1, data + 1 + length_bytes);
    std::u16string text0;
    const std::uint8_t* rest = data + 1 + length_bytes;
    const std::size_t rest_size = size - 1 - length_bytes;
    if (wide) {
        for (std::size_t k = 0; k + 1 < rest_size; k += 2) text0 += static_cast<char16_t>(rest[k] | rest[k + 1] << 8);
    } else {
        text0.assign(rest, rest + rest_size);
    }

    CheckLeadingNumber(text1);
    const double count = LeadingNumber(text1) / 3.0;
    if (count > kMaxFuzzedCodons && count <= kMaxCodonCount + 0.5) return 0;
    const std::int64_t expected_codons = count >= 1 && count <= kMaxCodonCount + 0.5 ? std::int64_t(count) : 0;

    MemoryFields fields;
    fields[Field::Text0] = text0;
    fields[Field::Text1] = text1;
    fields[Field::Text3] = u"old";
    std::u16string text2_before;
    std::int64_t codons = 0;
    bool emptied = false;
    fields.on_write = [&](Field field, std::u16string_view text) {
        CHECK(field == Field::Text2 || field == Field::Text3);
        if (field == Field::Text3) {
            // The codon at this position, read inside the text or empty past it.
            const std::size_t at = static_cast<std::size_t>(3 * codons);
            CHECK(text.size() <= 3);
            CHECK(text == (at < text0.size() ? std::u16string_view(text0).substr(at, 3) : std::u16string_view{}));
            CHECK(fields.yields == codons);
            ++codons;
            return;
        }
        if (!emptied) {
            CHECK(text.empty());
            emptied = true;
        } else {
            CHECK(text.size() >= text2_before.size() && text.starts_with(text2_before));
            const std::u16string_view piece = text.substr(text2_before.size());
            CHECK(Pieces().count(piece) == 1);
            CHECK(piece == LabelText(CodonLabel(fields[Field::Text3])) ||
                  (CodonLabel(fields[Field::Text3]) == Label::Stop && piece == u"stop\r\n\r\n"));
        }
        text2_before.assign(text);
    };
    Command2_Click(fields);
    CHECK(emptied);
    CHECK(codons == expected_codons);
    CHECK(fields.yields == codons);
    CHECK(fields[Field::Text0] == text0 && fields[Field::Text1] == text1);
    if (codons == 0) CHECK(fields[Field::Text3] == u"old");
    return 0;
}
