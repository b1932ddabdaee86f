#!/bin/sh
# Makes the README's picture of the Windows window, always the same way:
#   docs/velmora-windows.png  the Win32 window after a merge of examples/blocklist.txt (or of LIST)
# velmora.exe (make windows) runs under wine on Xvfb (1024x768, 96 DPI) with the openbox window manager
# and is driven through the keyboard with xdotool; ImageMagick's import takes the picture. Wine has a
# prefix of its own for this (BUILD_DIR/wine-shots, with its graphics driver, unlike the tests' prefix).
# The HOSTS file is a sandbox copy of examples/hosts on that prefix's C: drive, C:\sandbox\hosts, named
# by VELMORA_HOSTS: neither wine's HOSTS file nor this machine's is read or touched.
# Usage: scripts/screenshot-windows.sh [BUILD_DIR] [LIST]   (installs what it needs, as make does)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build-windows}" && pwd)
list=${2:-$top/examples/blocklist.txt}
"$top/scripts/install-deps.sh" shots windows
cmake --build "$build" --target velmora >/dev/null

work=$(mktemp -d /tmp/velmora-shots.XXXXXX)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Waits up to about ten seconds (WAIT_TENTHS tenths) for a command to succeed.
wait_for() {
    tries=${WAIT_TENTHS:-100}
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || { echo "screenshot-windows: gave up waiting for: $*" >&2; exit 1; }
        sleep 0.1
    done
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids="$! $pids"
wait_for test -s "$work/display"
DISPLAY=:$(cat "$work/display")
export DISPLAY
openbox --sm-disable 2>"$work/openbox.log" &
pids="$! $pids"
wait_for xprop -root -notype _NET_SUPPORTING_WM_CHECK

WINEPREFIX="$build/wine-shots"
WINEARCH=win64
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
export WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES
[ -f "$WINEPREFIX/system.reg" ] || { wineboot --init >/dev/null 2>&1; wineserver --wait; }
sandbox="$WINEPREFIX/drive_c/sandbox"
rm -rf "$sandbox" && mkdir -p "$sandbox"
cp "$top/examples/hosts" "$sandbox/hosts"
cp "$list" "$sandbox/$(basename "$list")"

VELMORA_HOSTS='C:\sandbox\hosts' wine "$build/velmora.exe" >"$work/velmora.log" 2>&1 &
pids="$! $pids"
WAIT_TENTHS=600 wait_for xdotool search --onlyvisible --name '^Velmora$'
window=$(xdotool search --onlyvisible --name '^Velmora$' | head -n 1)
xdotool windowactivate --sync "$window"
sleep 1
# The list's path box has the focus at start; Enter in it merges.
xdotool type --delay 20 "C:\\sandbox\\$(basename "$list")"
xdotool key Return
sleep 2
mkdir -p "$top/docs"
import -window "$window" "$top/docs/velmora-windows.png"
echo "docs/velmora-windows.png: $(identify -format '%wx%h' "$top/docs/velmora-windows.png")"
