#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a program with a real Japanese input method, IBus or Fcitx5, with
# Mozc switched to Hiragana, on a virtual X display, in a D-Bus session of
# its own.
#   tests/run_ime.sh ibus|fcitx5 PROGRAM [ARGS...]
# Mozc will not run as root: as root (as CI runs), everything runs as a user
# of our own, with a home of its own that is removed afterwards.
set -euo pipefail
im=$1
shift
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
    runuser -u quinmare-test -- env HOME="$home" "$script" "$im" "$program" "${@:2}" || status=$?
    exit "$status"
fi
if [ -z "${QUINMARE_IME_SESSION:-}" ]; then
    export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_RUNTIME_DIR=$HOME/runtime
    mkdir -p "$XDG_CONFIG_HOME/mozc" "$XDG_CONFIG_HOME/fcitx5" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    # Mozc, on in either input method from the start, in Hiragana rather
    # than in direct input.
    cat >"$XDG_CONFIG_HOME/fcitx5/profile" <<'CONF'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
CONF
    printf '[Behavior]\nActiveByDefault=True\nShareInputState=All\n' >"$XDG_CONFIG_HOME/fcitx5/config"
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
    QUINMARE_IME_SESSION=1 exec dbus-run-session -- "$(dirname "$(realpath "$0")")/with_xvfb.sh" "$(realpath "$0")" "$im" "$@"
fi
case $im in
ibus)
    ibus-daemon --daemonize --xim --panel=disable --replace >/dev/null 2>&1
    # The engine can be chosen a moment after IBus lists it.
    for _ in $(seq 600); do
        ibus engine mozc-jp 2>/dev/null && [ "$(ibus engine 2>/dev/null)" = mozc-jp ] && break
        sleep 0.1
    done
    [ "$(ibus engine 2>/dev/null)" = mozc-jp ] || { echo "no Mozc engine in IBus"; exit 1; }
    # Mozc's converter outlives the session unless told: it goes too.
    trap 'ibus exit >/dev/null 2>&1 || true; pkill -u "$(id -u)" -x mozc_server || true' EXIT
    module=ibus
    ;;
fcitx5)
    fcitx5 --disable=classicui,kimpanel,notificationitem,clipboard,emoji >"$XDG_RUNTIME_DIR/fcitx5.log" 2>&1 &
    fcitx=$!
    trap 'kill "$fcitx" 2>/dev/null || true; pkill -u "$(id -u)" -x mozc_server || true' EXIT
    # Asked without starting it: the bus would start a second one.
    running() {
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.fcitx.Fcitx5 2>/dev/null | grep -q 'boolean true'
    }
    until running; do
        kill -0 "$fcitx" 2>/dev/null || break
        sleep 0.1
    done
    running || { echo "Fcitx5 did not start"; cat "$XDG_RUNTIME_DIR/fcitx5.log"; exit 1; }
    module=fcitx
    ;;
*) echo "unknown input method $im"; exit 2 ;;
esac
QT_IM_MODULE=$module QUINMARE_REAL_IME=$im "$@"
