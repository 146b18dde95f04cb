#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the READMEs promise agrees with what the scripts say: the first
# build's time that scripts/run prints is the one both READMEs give.
#   tests/check_docs.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
seconds=$(sed -n 's/.*the first build takes about \([0-9]\+\) seconds.*/\1/p' "$source_dir/scripts/run")
[ -n "$seconds" ] || { echo "scripts/run no longer says how long the first build takes"; exit 1; }
status=0
grep -q "the first build takes about $seconds seconds" "$source_dir/README.md" ||
    { echo "README.md does not give the $seconds seconds scripts/run prints for the first build"; status=1; }
grep -q "最初のビルドは${seconds}秒ほど" "$source_dir/README.ja.md" ||
    { echo "README.ja.md does not give the $seconds seconds scripts/run prints for the first build"; status=1; }
[ $status -eq 0 ] && echo "first build: $seconds seconds in scripts/run and both READMEs"
exit $status
