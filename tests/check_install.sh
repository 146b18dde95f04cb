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
# Japanese reads as Japanese: AppStream turns every run of white space into
# one space, so no Japanese element may hold white space between two Japanese
# characters; and in the Japanese manual page at 80 columns no bullet stands
# on a line of its own and no line is wider than the terminal.
LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$prefix/usr/share/man/ja/man1/quinmare.1.gz" 2>/dev/null >"$work/man.ja"
python3 - "$prefix/usr/share/metainfo/$id.metainfo.xml" "$work/man.ja" <<'PY'
import re, sys, unicodedata
import xml.etree.ElementTree as ET
japanese = r"[\u3000-\u30ff\u3400-\u9fff\uff00-\uffef]"
stray = re.compile(f"({japanese})\\s+({japanese})")
lang = "{http://www.w3.org/XML/1998/namespace}lang"
failed = False
for element in ET.parse(sys.argv[1]).iter():
    text = " ".join("".join(element.itertext()).split()) if element.get(lang) == "ja" else ""
    for hit in stray.finditer(text):
        print(f"metainfo <{element.tag}>: a space inside a Japanese sentence: {hit.group(0)!r}")
        failed = True
width = lambda line: sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in line)
for number, line in enumerate(open(sys.argv[2], encoding="utf-8"), 1):
    line = line.rstrip("\n")
    if line.strip() in ("\u2022", "o", "*"):
        print(f"Japanese manual page, line {number}: a bullet with no text beside it")
        failed = True
    if width(line) > 80:
        print(f"Japanese manual page, line {number}: {width(line)} columns: {line.strip()}")
        failed = True
sys.exit(1 if failed else 0)
PY
echo "installed: ${expected[*]}"
