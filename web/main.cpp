// SPDX-License-Identifier: GPL-3.0-or-later
// The page's start: the form is laid out when the module has loaded, and
// from then on the page calls in for the presses alone.
#include <emscripten.h>

#include "form1.h"

namespace {

quinmare::Form1* form = nullptr;

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void quinmare_press(int button) { form->Press(button); }

int main() {
    form = new quinmare::Form1();
    return 0;
}
