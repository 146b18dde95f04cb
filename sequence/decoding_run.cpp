// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding_run.h"

#include <cmath>
#include <cstddef>
#include <new>
#include <string>
#include <vector>

#include "codon_table.h"
#include "leading_number.h"
#include "pause.h"

namespace quinmare {
namespace {

// Rounds half to even into a codon count; false when the value is
// negative, does not fit in 32 bits, or is above our bound.
bool RoundedCount(double count, std::int32_t& rounded) {
    const double nearest = std::nearbyint(count);  // default mode: half to even
    if (!(nearest >= 0.0 && nearest <= static_cast<double>(kMaxCodonCount))) return false;
    rounded = static_cast<std::int32_t>(nearest);
    return true;
}

// Up to three units from a 0-based offset; empty past the end.
std::u16string_view CodonAt(std::u16string_view sequence, std::int64_t offset) {
    if (offset >= static_cast<std::int64_t>(sequence.size())) return {};
    return sequence.substr(static_cast<std::size_t>(offset), 3);
}

}  // namespace

void Command2_Click(FormFields& fields) {
    fields.WriteText(Field::Text2, u"");
    const std::u16string sequence = fields.ReadText(Field::Text0);
    const double count = LeadingNumber(fields.ReadText(Field::Text1)) / 3.0;

    std::int32_t rounded = 0;
    if (!RoundedCount(count, rounded)) return;

    // One byte per codon: the label each slot received.
    std::vector<Label> labels;
    try {
        labels.resize(static_cast<std::size_t>(rounded));
    } catch (const std::bad_alloc&) {
        return;
    }

    std::int64_t position = 1;
    // The loop runs on the unrounded count: with 3.33 codons 1 to 3 are
    // decoded, and the rounded count always has a slot for each of them.
    for (double i = 1; i <= count; i += 1) {
        const std::u16string_view codon = CodonAt(sequence, position - 1);
        fields.WriteText(Field::Text3, codon);
        Label label = CodonLabel(codon);
        if (label == Label::Stop) label = Label::StopLine;
        const auto slot = static_cast<std::size_t>(i) - 1;
        labels[slot] = label;
        position += 3;

        std::u16string text = fields.ReadText(Field::Text2);
        try {
            text.append(LabelText(labels[slot]));
        } catch (const std::bad_alloc&) {
            return;
        }
        fields.WriteText(Field::Text2, text);

        Pause();
        fields.YieldToEvents();
    }
}

}  // namespace quinmare
