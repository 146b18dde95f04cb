// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the codon table with arbitrary texts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sequence/codon_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Half the inputs one unit a byte (codons are easy to reach), half two.
    std::u16string codon;
    if (size > 0 && (data[0] & 1)) {
        for (std::size_t k = 1; k + 1 < size; k += 2) codon += static_cast<char16_t>(data[k] | data[k + 1] << 8);
    } else if (size > 0) {
        codon.assign(data + 1, data + size);
    }
    const std::u16string_view label = quinmare::Henkan(codon);

    bool is_codon = codon.size() == 3;
    for (char16_t c : codon) is_codon = is_codon && (c == u'A' || c == u'C' || c == u'G' || c == u'T');
    // Exactly the 64 codons get a label: five characters, or the stop.
    if (is_codon != !label.empty()) std::abort();
    if (!is_codon) return 0;
    const bool stop = codon == u"TAA" || codon == u"TAG" || codon == u"TGA";
    if (stop != (label == u"stop__")) std::abort();
    if (!stop && (label.size() != 5 || label.substr(3) != u"__")) std::abort();
    if ((label == u"Met__") != (codon == u"ATG")) std::abort();
    if ((label == u"Trp__") != (codon == u"TGG")) std::abort();
    return 0;
}
