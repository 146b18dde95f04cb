#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a virtual X server of its own, and leaves nothing behind
# however the command ends: the server, and every process the command
# started, go when it does (xvfb-run leaves its server running when it fails
# to remove its own temporary folder, which a client still writing there
# makes happen).
#   tests/with_xvfb.sh [-s WIDTHxHEIGHTxDEPTH] COMMAND [ARGUMENT...]
set -u
screen=1280x800x24
if [ "${1:-}" = -s ]; then
    screen=$2
    shift 2
fi
dir=$(mktemp -d)
xvfb=
command=
cleanup() {
    trap - EXIT INT TERM
    # The command ran in a process group of its own: all of it goes.
    [ -n "$command" ] && kill -TERM -- "-$command" 2>/dev/null
    [ -n "$xvfb" ] && kill -TERM "$xvfb" 2>/dev/null
    sleep 0.2
    [ -n "$command" ] && kill -KILL -- "-$command" 2>/dev/null
    [ -n "$xvfb" ] && { kill -KILL "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; }
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' INT TERM

# The server picks a free display and writes its number; only local clients
# reach it, so it needs no authority file. It is waited for as long as it
# takes (a busy machine is slow to start it): it either writes the number
# or ends.
# No reset when the last client goes: a client that comes and goes (a
# probe, the accessibility bus launcher publishing its address) must not
# make the server start over just as the test's own client connects.
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -ac -noreset 3>"$dir/display" 2>"$dir/log" &
xvfb=$!
until [ -s "$dir/display" ]; do
    kill -0 "$xvfb" 2>/dev/null || { cat "$dir/log"; echo "Xvfb did not start"; exit 1; }
    sleep 0.05
done
export DISPLAY=:$(head -n 1 "$dir/display")
unset XAUTHORITY
# And until a client gets through: the test's first client must not be
# the one to find out that it cannot yet.
if command -v xdpyinfo >/dev/null; then
    until xdpyinfo >/dev/null 2>&1; do
        kill -0 "$xvfb" 2>/dev/null || { cat "$dir/log"; echo "Xvfb ended before a client could connect"; exit 1; }
        sleep 0.05
    done
fi

setsid "$@" &
command=$!
# Killed outright (CTest's timeout kills with SIGKILL), this script cannot
# clean up: a watcher in a session of its own does it once the script is gone.
setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done
    kill -TERM -- "-$2" "$3" 2>/dev/null; sleep 1; kill -KILL -- "-$2" "$3" 2>/dev/null; rm -rf "$4"' \
    watcher "$$" "$command" "$xvfb" "$dir" </dev/null >/dev/null 2>&1 &
wait "$command"
status=$?
if [ "$status" -ne 0 ] && ! kill -0 "$xvfb" 2>/dev/null; then
    cat "$dir/log"
    echo "Xvfb ($DISPLAY) ended during the command"
fi
exit $status
