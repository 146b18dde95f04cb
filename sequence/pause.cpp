// SPDX-License-Identifier: GPL-3.0-or-later
#include "pause.h"

#include <cstdint>

namespace quinmare {

void Pause() {
    // A volatile counter: every one of the 5000 steps is executed.
    volatile std::int32_t step = 1;
    while (step <= 5000) step = step + 1;
}

}  // namespace quinmare
