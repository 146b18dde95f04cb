#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The translation catalogues are complete and up to date: lupdate, run over
# the sources, finds no text that is new, unfinished or gone.
#   tests/check_translations.sh LUPDATE SOURCE_DIR
set -euo pipefail
lupdate=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for ts in "$source_dir"/translations/*.ts; do
    cp "$ts" "$work/"
    copy=$work/$(basename "$ts")
    "$lupdate" -silent -no-obsolete -locations none "$source_dir/window" -ts "$copy"
    if grep -n -E 'type="(unfinished|vanished|obsolete)"' "$copy"; then
        echo "$(basename "$ts"): the entries above have no finished translation"
        status=1
    fi
    if ! diff -u "$ts" "$copy"; then
        echo "$(basename "$ts") is not up to date with the sources: build the update_translations target"
        status=1
    fi
done
[ $status -eq 0 ] && echo "translations complete: $(grep -c '<message>' "$source_dir"/translations/*.ts | tr '\n' ' ')"
exit $status
