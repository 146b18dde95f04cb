// SPDX-License-Identifier: GPL-3.0-or-later
// The standard genetic code (NCBI translation table 1) as data.
#pragma once

#include <cstdint>
#include <string_view>

namespace quinmare {

// Every label the decoder can append, numbered so that a run can keep one
// byte per codon. None is "no label"; StopLine is what a stop becomes in the
// amino-acid text ("stop" and two line breaks).
enum class Label : std::uint8_t {
    None,
    Phe, Leu, Ile, Met, Val, Ser, Pro, Thr, Ala, Tyr,
    His, Gln, Asn, Lys, Asp, Glu, Cys, Trp, Arg, Gly,
    Stop,
    StopLine,
};

inline constexpr int kLabelCount = 23;

// The label of a codon. Only an exact match of three capital letters A, C,
// G, T counts: no case folding, no U for T, no trimming.
Label CodonLabel(std::u16string_view codon);

// The text of a label ("Met__", "stop__", "stop\r\n\r\n"; empty for None).
// The view has static lifetime.
std::u16string_view LabelText(Label label);

// The amino-acid label of a codon ("Met__", "stop__"), or an empty view when
// the text is not one of the 64 codons. Static lifetime.
std::u16string_view Henkan(std::u16string_view codon);

}  // namespace quinmare
