#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Validates the launcher and the AppStream metadata, then installs the build
# into a temporary prefix and checks what lands where.
set -euo pipefail
source_dir=$1
build_dir=$2
id=org.quinmare.quinmare

desktop-file-validate "$source_dir/data/$id.desktop"
# Not even a pedantic hint.
report=$(appstreamcli validate --pedantic --no-net "$build_dir/packaging/$id.metainfo.xml")
if grep -E '^[EWIP]:' <<<"$report"; then
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/root
cmake --install "$build_dir" --prefix "$prefix/usr" >/dev/null
expected=(
    "usr/bin/quinmare"
    "usr/share/applications/$id.desktop"
    "usr/share/metainfo/$id.metainfo.xml"
    "usr/share/icons/hicolor/scalable/apps/$id.svg"
    "usr/share/icons/hicolor/128x128/apps/$id.png"
    "usr/share/man/man1/quinmare.1.gz"
    "usr/share/man/ja/man1/quinmare.1.gz"
    "usr/share/doc/quinmare/copyright"
    "usr/share/doc/quinmare/changelog.gz"
    "usr/share/doc/quinmare/README.md"
    "usr/share/doc/quinmare/README.ja.md"
)
(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) >"$work/found"
printf '%s\n' "${expected[@]}" | sort >"$work/wanted"
diff -u "$work/wanted" "$work/found"
[ -x "$prefix/usr/bin/quinmare" ]
# The installed metadata still validates, and the launcher names the binary.
appstreamcli validate --no-net "$prefix/usr/share/metainfo/$id.metainfo.xml" >/dev/null
grep -qx 'Exec=quinmare' "$prefix/usr/share/applications/$id.desktop"
# Both manual pages format without a warning.
for page in man1/quinmare.1.gz ja/man1/quinmare.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/usr/share/man/$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
done
echo "installed: ${expected[*]}"
