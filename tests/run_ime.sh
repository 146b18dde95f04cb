#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a program with a real Japanese input method: IBus with Mozc switched
# to Hiragana, on a virtual X display, in a D-Bus session of its own.
#   tests/run_ime.sh PROGRAM [ARGS...]
# Mozc will not run as root: as root (as CI runs), everything runs as a user
# of our own, with a home of its own that is removed afterwards.
set -euo pipefail
if [ "$(id -u)" -eq 0 ]; then
    id quinmare-test >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin quinmare-test
    home=$(mktemp -d)
    chown quinmare-test "$home"
    trap 'rm -rf "$home"' EXIT
    chmod 755 "$home"
    script=$(realpath "$0")
    program=$(realpath "$1")
    # A clone the user cannot read into gets the program copied out of it.
    if ! runuser -u quinmare-test -- test -x "$program"; then
        cp "$script" "$program" "$home/"
        script=$home/$(basename "$script")
        program=$home/$(basename "$program")
    fi
    status=0
    runuser -u quinmare-test -- env HOME="$home" "$script" "$program" "${@:2}" || status=$?
    exit "$status"
fi
if [ -z "${QUINMARE_IME_SESSION:-}" ]; then
    export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_RUNTIME_DIR=$HOME/runtime
    mkdir -p "$XDG_CONFIG_HOME/mozc" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    # Mozc's engine, starting in Hiragana rather than in direct input.
    cat >"$XDG_CONFIG_HOME/mozc/ibus_config.textproto" <<'CONF'
engines {
  name : "mozc-jp"
  longname : "Mozc"
  layout : "default"
  layout_variant : ""
  layout_option : ""
  rank : 80
}
active_on_launch: True
CONF
    QUINMARE_IME_SESSION=1 exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24" "$(realpath "$0")" "$@"
fi
ibus-daemon --daemonize --xim --panel=disable --replace >/dev/null 2>&1
# The engine can be chosen a moment after IBus lists it.
for _ in $(seq 100); do
    ibus engine mozc-jp 2>/dev/null && [ "$(ibus engine 2>/dev/null)" = mozc-jp ] && break
    sleep 0.1
done
[ "$(ibus engine 2>/dev/null)" = mozc-jp ] || { echo "no Mozc engine in IBus"; exit 1; }
trap 'ibus exit >/dev/null 2>&1 || true' EXIT
QT_IM_MODULE=ibus QUINMARE_REAL_IME=1 "$@"
