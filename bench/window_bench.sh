#!/bin/sh
# Sort and delete in the main window on the ~1M-line mix (run by scripts/bench.sh).
#   sh bench/window_bench.sh BUILD_DIR
set -eu
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$top/../shared/data/blocklists/make-large.sh" "$work/mix.txt"
echo "== Sort and delete in the main window =="
QT_QPA_PLATFORM=offscreen "$build/window_bench" "$work/mix.txt"
