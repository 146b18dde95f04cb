// SPDX-License-Identifier: GPL-3.0-or-later
#include "end_process.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/lsan_interface.h>)
#include <sanitizer/lsan_interface.h>
#define QUINMARE_LEAK_CHECK 1
#endif

namespace quinmare {

int EndProcess(int status) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return status;
#ifdef QUINMARE_LEAK_CHECK
    // The sanitizer build still looks for leaks, which it would otherwise do
    // at the exit that is skipped here.
    __lsan_do_leak_check();
#endif
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace quinmare
