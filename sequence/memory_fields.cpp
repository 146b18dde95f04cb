// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory_fields.h"

namespace quinmare {

void MemoryFields::WriteText(Field field, std::u16string_view text) {
    (*this)[field].assign(text);
    if (on_write) on_write(field, text);
}

void MemoryFields::YieldToEvents() {
    ++yields;
    if (on_yield) on_yield(*this);
}

}  // namespace quinmare
