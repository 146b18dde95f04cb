#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program as a user gets it, under Wine on an X display:
#   check_windows.sh BUILD_DIR
# starts quinmare.exe from the handed-over folder (nothing else on its path),
# then installs it with the installer for the current user and starts it
# from there. Each time it generates 300 bases and decodes them by keys, as
# a user without a mouse would, reads both boxes through the clipboard,
# checks them against the genetic code, and closes the window with Alt+F4:
# the program must exit 0. Then the uninstaller must leave nothing behind.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
stage=$build/stage/Quinmare
installer=$(ls "$build"/Quinmare-*-windows-x86_64.exe)
: "${WINEPREFIX:?run under scripts/test or scripts/windows, which set up Wine}"
export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

key() { xdotool key --clearmodifiers --delay 60 "$@"; sleep 0.3; }
# What the focused box holds, by the clipboard.
copy_box() {
    printf 'none' | xclip -selection clipboard
    key ctrl+a ctrl+c
    for _ in $(seq 300); do
        text=$(xclip -o -selection clipboard 2>/dev/null || true)
        [ "$text" != none ] && break
        sleep 0.2
    done
    printf '%s' "$text"
}
# Copies the focused box into $1 until $2 accepts it: the run may still be
# going (under Wine on a busy machine it can take many seconds), so the
# test waits for the text it needs, not for a fixed time.
copy_until() {
    local file=$1; shift
    for _ in $(seq 150); do
        copy_box >"$file"
        "$@" >/dev/null && return 0
        sleep 0.5
    done
    "$@"
}
generated() { grep -qE "^[ATGC]{$2}\$" "$1"; }

use_program() {
    local exe=$1 label=$2
    wine "$exe" &
    local pid=$!
    local window=
    # As long as Wine takes to start it, while it runs.
    while kill -0 "$pid" 2>/dev/null; do
        window=$(xdotool search --name '^Quinmare$' 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || { echo "$label: no window came up"; exit 1; }
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 1
    # Focus starts on the generate button; Tab goes to the slider.
    key Tab Prior                 # slider to 300
    key shift+Tab space           # generate
    key Tab Tab                   # the sequence box
    copy_until "$work/text0" generated "$work/text0" 300 || { echo "$label: no 300 bases generated"; exit 1; }
    key Tab Tab space             # past the amino-acid box to decode
    key shift+Tab                 # the amino-acid box
    copy_until "$work/text2" python3 "$here/genetic_code.py" "$work/text0" "$work/text2" 300 ||
        { echo "$label: wrong texts"; exit 1; }
    if [ -n "${QUINMARE_SHOT:-}" ]; then import -window root "$QUINMARE_SHOT-$label.png"; fi
    key alt+F4
    local status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || { echo "$label: exit status $status after Alt+F4"; exit 1; }
    echo "$label: window came up, 300 bases generated and decoded right, exit 0 on Alt+F4"
}

use_program "$stage/quinmare.exe" "folder"

wine "$installer" /S /CurrentUser
wineserver -w
appdata=$(winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')")
menu=$(winepath -u "$(wine cmd /c 'echo %APPDATA%' | tr -d '\r')")/Microsoft/Windows/Start\ Menu/Programs
installed=$appdata/Programs/Quinmare
[ -x "$installed/quinmare.exe" ] || { echo "installer: nothing in $installed"; exit 1; }
[ -f "$menu/Quinmare.lnk" ] || { echo "installer: no Start menu entry in $menu"; exit 1; }
diff <(cd "$stage" && find . -type f | sort) <(cd "$installed" && find . -type f ! -name uninstall.exe | sort)
use_program "$installed/quinmare.exe" "installed"

wine "$installed/uninstall.exe" /S /CurrentUser
# The uninstaller runs on from a copy of itself.
for _ in $(seq 100); do
    [ -e "$installed" ] || [ -e "$menu/Quinmare.lnk" ] || break
    sleep 0.2
done
wineserver -w
[ ! -e "$installed" ] || { echo "uninstaller left: $(cd "$installed" && find .)"; exit 1; }
[ ! -e "$menu/Quinmare.lnk" ] || { echo "uninstaller left the Start menu entry"; exit 1; }
echo "installer: installed for the current user with a Start menu entry; uninstalled without a trace"
