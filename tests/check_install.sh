#!/usr/bin/env bash
# Validates the launcher and the AppStream metadata, then installs the build
# into a temporary prefix and checks what lands where.
set -euo pipefail
source_dir=$1
build_dir=$2
id=org.quinmare.Quinmare

desktop-file-validate "$source_dir/data/$id.desktop"
appstreamcli validate --no-net "$source_dir/data/$id.metainfo.xml"

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
)
(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) >"$work/found"
printf '%s\n' "${expected[@]}" | sort >"$work/wanted"
diff -u "$work/wanted" "$work/found"
[ -x "$prefix/usr/bin/quinmare" ]
# The installed metadata still validates, and the launcher names the binary.
appstreamcli validate --no-net "$prefix/usr/share/metainfo/$id.metainfo.xml" >/dev/null
grep -qx 'Exec=quinmare' "$prefix/usr/share/applications/$id.desktop"
echo "installed: ${expected[*]}"
