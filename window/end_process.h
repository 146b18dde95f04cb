// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quinmare {

// Called once the event loop has returned, with its status, while the
// application still exists. On Wayland it ends the process there and then:
// Qt 6.4's Wayland client, tearing down its connection to the compositor,
// can deadlock between its two event threads (one waits for a read that the
// other never finishes), and the program, its window gone, would stay
// running unseen for good. Nothing is left to save or to show by then, and a
// Wayland clipboard goes with its client in any case. Elsewhere it returns
// the status for the usual teardown, in which X11's clipboard is handed to
// the desktop's clipboard manager.
int EndProcess(int status);

}  // namespace quinmare
