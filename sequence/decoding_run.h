// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "form/form_fields.h"

namespace quinmare {

// The largest number of codons a decoding run takes on. A larger count is
// treated like a count that cannot be given storage: the run stops quietly.
inline constexpr std::int32_t kMaxCodonCount = 10'000'000;

// The decoding run behind the decode button: empties Text2, reads the
// sequence from Text0 and the length from Text1 once, then for a third of
// that length shows each codon in Text3, appends its amino-acid label to
// Text2 (re-read before every append), pauses and yields.
//
// Exceptions from the fields pass through unchanged; only the run's own
// storage failures end it quietly.
void Command2_Click(FormFields& fields);

}  // namespace quinmare
