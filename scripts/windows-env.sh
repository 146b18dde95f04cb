# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by scripts/windows and scripts/test: what building and testing the
# Windows program needs, and Qt for Windows, built once into a cache outside
# the clone.

QUINMARE_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix ninja-build dpkg-dev cmake
    wine wine64 nsis xvfb xauth qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    fonts-ipafont-gothic xdotool xclip x11-utils python3)

# apt-get source needs a deb-src entry beside each deb one; one is added,
# made from the machine's own sources, where there is none.
quinmare_deb_src() {
    if apt-get indextargets --format '$(IDENTIFIER)' 2>/dev/null | grep -qx Sources; then return 0; fi
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -e "$file" ] || continue
        sed -n 's/^Types: deb$/Types: deb-src/; /^#/d; p' "$file"
        echo
    done | "${sudo[@]}" tee /etc/apt/sources.list.d/quinmare-deb-src.sources >/dev/null
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list |
            "${sudo[@]}" tee /etc/apt/sources.list.d/quinmare-deb-src.list >/dev/null
    fi
    echo "Added deb-src entries for apt-get source; updating the package lists"
    "${sudo[@]}" apt-get update -qq
}

# Sets QUINMARE_QT_WINDOWS to Qt for Windows, building it if the cache does
# not have it. The key is the host Qt's version and the build recipe, so a
# new Debian Qt or a changed recipe makes a new build.
quinmare_windows_qt() {
    local recipe="$root/packaging/windows"
    local version key cache
    version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
    key=$(cat "$recipe/build-qt.sh" "$recipe/toolchain.cmake" | sha256sum | cut -c1-12)
    cache=${QUINMARE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quinmare}
    QUINMARE_QT_WINDOWS=$cache/qt-${version%%+*}-mingw-x86_64-$key
    export QUINMARE_QT_WINDOWS
    # Written last: a build that was cut short is started again.
    [ -f "$QUINMARE_QT_WINDOWS/quinmare-built" ] && return 0
    quinmare_deb_src
    echo "Building Qt $version for Windows into $QUINMARE_QT_WINDOWS (once; about 40 minutes on an idle 2-core machine, longer on a busy one)..."
    local started=$SECONDS
    mkdir -p "$QUINMARE_QT_WINDOWS"
    # Qt's own toolchain file loads ours by its path: it is kept with Qt,
    # not in a clone that may go away.
    cp "$recipe/toolchain.cmake" "$QUINMARE_QT_WINDOWS/mingw-toolchain.cmake"
    "$recipe/build-qt.sh" "$QUINMARE_QT_WINDOWS"
    date -u +%FT%TZ >"$QUINMARE_QT_WINDOWS/quinmare-built"
    echo "Qt for Windows built in $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s"
}

# A Wine prefix that claims Windows 10 (Qt 6 needs it; a new prefix claims
# Windows 7), kept beside Qt for Windows. Sets WINEPREFIX.
# Its windows are not left to a window manager: the tests' X server has none,
# and Wine waits two seconds for one each time a window it leaves to the
# window manager is hidden or closed.
quinmare_wine_prefix() {
    local cache=${QUINMARE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quinmare}
    local ready='win10 unmanaged'
    export WINEPREFIX=$cache/wine-win10
    export WINEDEBUG=${WINEDEBUG:--all}
    [ "$(cat "$WINEPREFIX/quinmare-ready" 2>/dev/null)" = "$ready" ] && return 0
    mkdir -p "$WINEPREFIX"
    # No Mono or Gecko: the tests need neither, and they would be downloaded.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    echo "$ready" >"$WINEPREFIX/quinmare-ready"
}
