// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "form/form_fields.h"

namespace quinmare {

// The largest sequence a generator run takes on; a longer one is treated
// as storage that cannot be had, and the run stops quietly.
inline constexpr std::int32_t kMaxBaseCount = 30'000'000;

// The next value of the program's one random stream, 0 <= r < 1. The
// stream starts from the same state at every start of the program and is
// never reseeded; it is the Windows runtime's generator, so the same
// presses give the same sequences there and here.
float NextRandom();

// The generator behind the generate button: rounds the slider's length
// down to whole codons, writes it back to the slider and Text1, draws that
// many bases and grows Text0 by them three letters at a time, reading
// Text0 afresh before every append. Yields once per base while drawing,
// once per base while naming the letters, and once per codon shown.
void Command1_Click(FormFields& fields);

}  // namespace quinmare
