#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window closed the compositor's way (xdg_toplevel close, as Alt+F4 or a
# dock's close does) while nested decodes run, ten times, on a headless sway
# started here: each time the program must end with exit status 0.
#   tests/run_sway_close.sh PROGRAM
# PROGRAM is tst_real_window, which starts the runs and then waits for the
# close. Mozc-free and input-free: the compositor has no input devices.
set -euo pipefail
program=$(realpath "$1")
# sway will not run as root: as root (as CI runs), run as a user of our own.
if [ "$(id -u)" -eq 0 ]; then
    id quinmare-test >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin quinmare-test
    # A clone the user cannot read into gets the program copied out of it.
    if ! runuser -u quinmare-test -- test -x "$program"; then
        copy=$(mktemp -d)
        chmod 755 "$copy"
        cp "$program" "$(realpath "$0")" "$copy/"
        program=$copy/$(basename "$program")
        exec runuser -u quinmare-test -- "$copy/$(basename "$0")" "$program"
    fi
    exec runuser -u quinmare-test -- "$(realpath "$0")" "$program"
fi
runtime=$(mktemp -d)
chmod 700 "$runtime"
printf 'output HEADLESS-1 resolution 1280x800\n' >"$runtime/config"
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 XDG_RUNTIME_DIR=$runtime \
    sway --config "$runtime/config" >"$runtime/sway.log" 2>&1 &
sway=$!
trap 'kill "$sway" 2>/dev/null; wait "$sway" 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do
    socket=$(find "$runtime" -maxdepth 1 -name 'wayland-*' ! -name '*.lock' -printf '%f\n' | head -n 1)
    ipc=$(find "$runtime" -maxdepth 1 -name 'sway-ipc.*.sock' | head -n 1)
    [ -n "$socket" ] && [ -n "$ipc" ] && break
    kill -0 "$sway" 2>/dev/null || { cat "$runtime/sway.log"; exit 1; }
    sleep 0.1
done
[ -n "$socket" ] && [ -n "$ipc" ] || { echo "sway did not start"; cat "$runtime/sway.log"; exit 1; }

for try in $(seq 10); do
    log=$runtime/try$try.log
    XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland QUINMARE_CLOSED_BY_COMPOSITOR=1 \
        "$program" closedByTheCompositorDuringRuns >"$log" 2>&1 &
    client=$!
    for _ in $(seq 200); do
        grep -q 'runs in progress' "$log" && break
        kill -0 "$client" 2>/dev/null || break
        sleep 0.02
    done
    SWAYSOCK=$ipc swaymsg '[title="^Quinmare$"] kill' >/dev/null
    status=0
    wait "$client" || status=$?
    if [ "$status" -ne 0 ] || ! grep -q '^Totals: [0-9]* passed, 0 failed' "$log"; then
        cat "$log"
        echo "try $try: exit status $status after the compositor closed the window"
        exit 1
    fi
done
echo "closed by sway during nested decodes: 10 of 10 tries exited 0"
