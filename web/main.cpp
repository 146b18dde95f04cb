// SPDX-License-Identifier: GPL-3.0-or-later
// The page's start: the form is laid out when the module has loaded, and
// from then on the page calls in for the presses alone.
#include <emscripten.h>

#include "form1.h"

namespace {

quinmare::Form1* form = nullptr;

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void quinmare_press(int button) { form->Press(button); }
// A choice of pace while no run is in progress (during a run the page keeps
// it for the run's next yield).
extern "C" EMSCRIPTEN_KEEPALIVE void quinmare_choose(int control) { form->Choose(control); }

int main() {
    form = new quinmare::Form1();
    return 0;
}
