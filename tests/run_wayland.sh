#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a program as a native Wayland client of its own headless weston,
# which is started here and stopped when the program ends.
#   tests/run_wayland.sh PROGRAM [ARGS...]
set -euo pipefail
runtime=$(mktemp -d)
chmod 700 "$runtime"
socket=quinmare-test-$$
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket="$socket" --width=1280 --height=800 \
    --no-config --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston=$!
trap 'kill "$weston" 2>/dev/null; wait "$weston" 2>/dev/null; rm -rf "$runtime"' EXIT
# As long as it takes to start, while it runs: a busy machine is slow.
until [ -S "$runtime/$socket" ]; do
    kill -0 "$weston" 2>/dev/null || { echo "weston did not start"; cat "$runtime/weston.log"; exit 1; }
    sleep 0.1
done
XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland "$@"
