#!/bin/sh
# Makes the README's pictures, always the same way:
#   docs/velmora.png               the main window after a merge of examples/blocklist.txt
#   docs/velmora-remove-block.png  Edit > Remove block... asking for the block's name over that window
#   docs/velmora-blocks.png        Edit > Blocks... on a HOSTS file with three lists: one switched off,
#                                  one just updated from a server on 127.0.0.1
# Velmora runs under Xvfb (1024x768, 96 DPI) with the openbox window manager and is driven with xdotool;
# ImageMagick's import takes the pictures. Its HOSTS file is a sandbox copy of examples/hosts named
# /home/user/hosts: in a mount namespace of its own an empty /home is put in place for Velmora alone,
# so the pictures show no path of this machine and nothing of it is read or touched. Where such
# namespaces are not allowed, the sandbox stays in a temporary folder, whose path then shows (said).
# Usage: scripts/screenshot.sh [BUILD_DIR]   (from anywhere; installs what is missing, as make does)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
"$top/scripts/install-deps.sh" shots
cmake --build "$build" --target velmora >/dev/null

work=$(mktemp -d /tmp/velmora-shots.XXXXXX)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Waits up to about ten seconds for a command to succeed.
wait_for() {
    tries=100
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || { echo "screenshot: gave up waiting for: $*" >&2; exit 1; }
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

cp "$top/examples/hosts" "$top/examples/blocklist.txt" "$work/"
# /home, where the build may be, is out of sight in the namespace; velmora starts the window beside it.
cp "$build/velmora" "$build/velmora-window" "$work/"
case $work in /home/*) private=false ;; *) private=true ;; esac
if $private && unshare --mount --map-root-user true 2>/dev/null; then
    home=/home/user
    # shellcheck disable=SC2016
    unshare --mount --map-root-user sh -c 'mount -t tmpfs tmpfs /home && mkdir -p "$2" &&
        cp "$1/hosts" "$1/blocklist.txt" "$2/" && cd "$2" && HOME="$2" VELMORA_HOSTS="$2/hosts" exec "$1/velmora"' \
        sh "$work" "$home" 2>"$work/velmora.log" &
else
    home=$work/home/user
    echo "screenshot: no private mount namespace here; the pictures show the sandbox under $home" >&2
    mkdir -p "$home" && cp "$work/hosts" "$work/blocklist.txt" "$home/"
    (cd "$home" && HOME="$home" VELMORA_HOSTS="$home/hosts" exec "$work/velmora") 2>"$work/velmora.log" &
fi
velmora=$!
pids="$velmora $pids"

wait_for xdotool search --onlyvisible --name '^Velmora$'
window=$(xdotool search --onlyvisible --name '^Velmora$' | head -n 1)
xdotool windowactivate --sync "$window"
sleep 0.5
# The list's path box has the focus at start; Enter in it merges.
xdotool type --delay 20 "$home/blocklist.txt"
xdotool key Return
sleep 1
mkdir -p "$top/docs"
import -window "$window" "$top/docs/velmora.png"

# The box appears over the middle of the window, so the window's area holds both.
xdotool key alt+e b
wait_for xdotool search --onlyvisible --name '^Remove block$'
xdotool type --delay 20 "velmora-example"
sleep 0.5
area=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
    /Width/ {w = $2} /Height/ {h = $2} END {print w "x" h "+" x "+" y}')
import -window root -crop "$area" +repage "$top/docs/velmora-remove-block.png"

# A second sandbox for Edit > Blocks...: the same HOSTS file keeping three lists, made by the command
# line there, the trackers' list from a server on 127.0.0.1 that has two more names when the window
# updates it.
kill "$velmora"
wait "$velmora" 2>/dev/null || true
mkdir -p "$work/www"
seq 1 1800 | sed 's/.*/ads&.example.com/' >"$work/ads.txt"
seq 1 650 | sed 's/.*/0.0.0.0 video&.example.org/' >"$work/video.txt"
seq 1 2400 | sed 's/.*/tracker&.example.net/' >"$work/www/trackers.txt"
(cd "$work/www" && exec python3 -u -m http.server 0 --bind 127.0.0.1) >"$work/http.log" 2>&1 &
pids="$! $pids"
wait_for grep -q 'port [0-9]' "$work/http.log"
trackers=http://127.0.0.1:$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/http.log" | head -n 1)/trackers.txt
# shellcheck disable=SC2016
lists='v=$1/velmora; $v --update ads "$2/ads.txt" && $v --update trackers "$3" && $v --update video "$2/video.txt" &&
    $v --disable video && printf "tracker-new%s.example.net\n" 1 2 >>"$1/www/trackers.txt" && exec $v'
if [ "$home" = /home/user ]; then
    # shellcheck disable=SC2016
    unshare --mount --map-root-user sh -c 'mount -t tmpfs tmpfs /home && mkdir -p "$2" &&
        cp "$1/hosts" "$1/ads.txt" "$1/video.txt" "$2/" && cd "$2" && export HOME="$2" VELMORA_HOSTS="$2/hosts" &&
        shift 2 && exec "$@"' sh "$work" "$home" sh -c "$lists" sh "$work" "$home" "$trackers" >"$work/lists.log" 2>&1 &
else
    rm -rf "$home" && mkdir -p "$home" && cp "$work/hosts" "$work/ads.txt" "$work/video.txt" "$home/"
    (cd "$home" && HOME="$home" VELMORA_HOSTS="$home/hosts" exec sh -c "$lists" sh "$work" "$home" "$trackers") \
        >"$work/lists.log" 2>&1 &
fi
velmora=$!
pids="$velmora $pids"
wait_for xdotool search --onlyvisible --name '^Velmora$'
window=$(xdotool search --onlyvisible --name '^Velmora$' | head -n 1)
xdotool windowactivate --sync "$window"
sleep 0.5
xdotool key alt+e k
wait_for xdotool search --onlyvisible --name '^Blocks$'
sleep 0.5
# The rows are ads, trackers and video: the second is updated.
xdotool key Down alt+u
sleep 2
area=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
    /Width/ {w = $2} /Height/ {h = $2} END {print w "x" h "+" x "+" y}')
import -window root -crop "$area" +repage "$top/docs/velmora-blocks.png"

for picture in velmora.png velmora-remove-block.png velmora-blocks.png; do
    echo "docs/$picture: $(identify -format '%wx%h' "$top/docs/$picture")"
done
