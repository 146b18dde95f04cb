// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quinmare {

// The short pause after every decoded codon: a real count of 5000 empty
// steps that the optimiser cannot remove. No clock is involved, so the
// pause is as long as the machine makes it.
void Pause();

}  // namespace quinmare
