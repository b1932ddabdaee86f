#!/bin/sh
# Starts Velmora on a sandbox HOSTS file (never the system's): build/sandbox/hosts, copied from
# examples/hosts when missing. Without a display it runs the unattended demo instead.
set -eu
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
sandbox="$top/$build/sandbox"
mkdir -p "$sandbox"
[ -f "$sandbox/hosts" ] || cp "$top/examples/hosts" "$sandbox/hosts"
VELMORA_HOSTS="$sandbox/hosts"
export VELMORA_HOSTS

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Velmora on $VELMORA_HOSTS"
    exec "$top/$build/velmora"
fi

echo "No display: running the unattended demo on $VELMORA_HOSTS"
"$top/$build/velmora" --add "$top/examples/blocklist.txt" </dev/null
echo
echo "To open the window, run 'make run' from a desktop session (or with DISPLAY set)."
echo "The sandbox file now holds $(wc -l <"$VELMORA_HOSTS") lines; its previous contents are in $VELMORA_HOSTS.bak."
