# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by scripts/run and scripts/test: installs with apt the Debian
# packages named in the arguments that are not installed yet. Quiet when
# everything is already there.
quinmare_install_missing() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing missing packages: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What building and running the program needs.
QUINMARE_BUILD_PACKAGES=(cmake g++ make qt6-base-dev qt6-tools-dev qt6-l10n-tools libgl-dev fonts-ipafont-gothic
    qt6-wayland qt6-translations-l10n)

# What building the web page needs.
QUINMARE_WEB_PACKAGES=(cmake emscripten nodejs librsvg2-bin python3)
# What testing it in real browsers needs.
QUINMARE_BROWSER_PACKAGES=(chromium chromium-driver webkit2gtk-driver firefox-esr nodejs python3-selenium
    python3-pil xvfb xauth xdotool)

# puppeteer-core from npm, which drives Firefox over WebDriver BiDi (Debian
# has no geckodriver), into build/firefox: the version the lock file names,
# installed again only when the lock file changes.
quinmare_firefox_driver() {
    local dir=build/firefox
    if [ -d "$dir/node_modules/puppeteer-core" ] && cmp -s tests/firefox/package-lock.json "$dir/package-lock.json"; then
        return 0
    fi
    # Debian's nodejs comes without npm; NodeSource's brings its own.
    command -v npm >/dev/null || quinmare_install_missing npm
    mkdir -p "$dir"
    cp tests/firefox/package.json tests/firefox/package-lock.json "$dir/"
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
}
