// SPDX-License-Identifier: GPL-3.0-or-later
#include "codon_table.h"

#include <array>

namespace quinmare {
namespace {

// Amino acids of the 64 codons in TCAG order: the first base varies
// slowest, T, C, A, G; '*' is a stop.
constexpr std::string_view kCodeTcag =
    "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG";

constexpr std::array<std::u16string_view, kLabelCount> kTexts = {
    u"",
    u"Phe__", u"Leu__", u"Ile__", u"Met__", u"Val__", u"Ser__", u"Pro__",
    u"Thr__", u"Ala__", u"Tyr__", u"His__", u"Gln__", u"Asn__", u"Lys__",
    u"Asp__", u"Glu__", u"Cys__", u"Trp__", u"Arg__", u"Gly__",
    u"stop__",
    u"stop\r\n\r\n",
};

constexpr Label FromOneLetter(char amino) {
    switch (amino) {
    case 'F': return Label::Phe;
    case 'L': return Label::Leu;
    case 'I': return Label::Ile;
    case 'M': return Label::Met;
    case 'V': return Label::Val;
    case 'S': return Label::Ser;
    case 'P': return Label::Pro;
    case 'T': return Label::Thr;
    case 'A': return Label::Ala;
    case 'Y': return Label::Tyr;
    case 'H': return Label::His;
    case 'Q': return Label::Gln;
    case 'N': return Label::Asn;
    case 'K': return Label::Lys;
    case 'D': return Label::Asp;
    case 'E': return Label::Glu;
    case 'C': return Label::Cys;
    case 'W': return Label::Trp;
    case 'R': return Label::Arg;
    case 'G': return Label::Gly;
    case '*': return Label::Stop;
    default: return Label::None;
    }
}

constexpr std::array<Label, 64> BuildTable() {
    std::array<Label, 64> table{};
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = FromOneLetter(kCodeTcag[i]);
    return table;
}

constexpr std::array<Label, 64> kTable = BuildTable();
static_assert(kCodeTcag.size() == 64);

// Position of a base in T, C, A, G order, or -1 for anything else.
constexpr int BaseIndex(char16_t base) {
    switch (base) {
    case u'T': return 0;
    case u'C': return 1;
    case u'A': return 2;
    case u'G': return 3;
    default: return -1;
    }
}

}  // namespace

Label CodonLabel(std::u16string_view codon) {
    if (codon.size() != 3) return Label::None;
    const int first = BaseIndex(codon[0]);
    const int second = BaseIndex(codon[1]);
    const int third = BaseIndex(codon[2]);
    if (first < 0 || second < 0 || third < 0) return Label::None;
    return kTable[static_cast<std::size_t>(first * 16 + second * 4 + third)];
}

std::u16string_view LabelText(Label label) {
    const auto index = static_cast<std::size_t>(label);
    return index < kTexts.size() ? kTexts[index] : std::u16string_view{};
}

std::u16string_view Henkan(std::u16string_view codon) { return LabelText(CodonLabel(codon)); }

}  // namespace quinmare
