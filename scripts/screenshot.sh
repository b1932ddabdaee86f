#!/bin/sh
# Makes docs/velmora.png: the main window under Xvfb at 96 DPI, on a sandbox HOSTS file (a copy of
# examples/hosts in a temporary folder) after a merge of examples/blocklist.txt.
# Usage: scripts/screenshot.sh [BUILD_DIR]   (from anywhere; needs Xvfb and xvfb-run)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
cmake --build "$build" --target window_screenshot >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$top/examples/hosts" "$work/hosts"
mkdir -p "$top/docs"
cd "$work"
VELMORA_HOSTS="$work/hosts" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" \
    "$build/window_screenshot" "$top/examples/blocklist.txt" "$top/docs/velmora.png" "$top/resources/icons"
