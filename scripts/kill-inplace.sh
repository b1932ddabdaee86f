#!/usr/bin/env bash
# Needs root and bind mounts (a container HOSTS file is one). Usage: scripts/kill-inplace.sh [BIN]
# Kills in-place rewrites of a bind-mounted HOSTS file at random moments; after each kill the next run
# must find the file whole: its old bytes or its new ones.
set -u
BIN=$(realpath "${1:-build/velmora}")
LARGE=${LARGE:-/tmp/velmora-large.txt}
[ -f "$LARGE" ] || bash "$(dirname "$0")/../../shared/data/blocklists/make-large.sh" "$LARGE" >/dev/null
ROUNDS=${ROUNDS:-40}
FROM=${FROM:-300}  # kill after FROM..FROM+SPAN milliseconds
SPAN=${SPAN:-1200}
W=$(mktemp -d)
mkdir -p $W/etc
head -c 0 /dev/null > $W/etc/hosts
printf '127.0.0.1 localhost\n' > $W/real
mount --bind $W/real $W/etc/hosts || exit 2
export VELMORA_HOSTS=$W/etc/hosts DISPLAY= WAYLAND_DISPLAY=
torn=0; rolled=0; old=0; new=0
for i in $(seq 1 $ROUNDS); do
  # A fresh starting point: a small file, and what the merge would make of it.
  printf '127.0.0.1 localhost\n#round %d\n' $i > $W/etc/hosts
  cp $W/etc/hosts $W/before
  sed -n "$((i*1000)),$((i*1000+600000))p" $LARGE > $W/list
  $BIN --add $W/list >/dev/null 2>&1 &
  pid=$!
  ms=$(( (RANDOM % $SPAN) + $FROM )); sleep $(printf "%d.%03d" $((ms/1000)) $((ms%1000)))
  kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null
  journal=$(ls -a $W/etc | grep -cx '.hosts.velmora-journal')
  $BIN --remove zz-no-such-block --yes >/dev/null 2>&1   # the next run: recovers, then saves the same lines
  [ -e $W/etc/.hosts.velmora-journal ] && echo "journal left after the next run"
  mkdir -p $W/exp; cp $W/before $W/exp/hosts
  VELMORA_HOSTS=$W/exp/hosts $BIN --add $W/list >/dev/null 2>&1
  if cmp -s $W/etc/hosts $W/before; then old=$((old+1));
  elif cmp -s $W/etc/hosts $W/exp/hosts; then new=$((new+1));
  else torn=$((torn+1)); cp $W/etc/hosts /tmp/velmora-torn.$i; fi
  [ $journal -gt 0 ] && rolled=$((rolled+1))
done
umount $W/etc/hosts
rm -rf "$W"
echo "rounds $ROUNDS: old $old, new $new, torn $torn, kills that left a whole journal to roll forward: $rolled"
