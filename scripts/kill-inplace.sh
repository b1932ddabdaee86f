#!/usr/bin/env bash
# Needs root and bind mounts (a container HOSTS file is one). Usage: scripts/kill-inplace.sh [BIN]
# Kills in-place rewrites of a bind-mounted HOSTS file at random moments; after each kill the next run
# must find the file whole: its old bytes or its new ones.
set -u
BIN=$(realpath "${1:-build/velmora}")
LARGE=${LARGE:-/tmp/velmora-large.txt}
[ -f "$LARGE" ] || bash "$(dirname "$0")/../../shared/data/blocklists/make-large.sh" "$LARGE" >/dev/null
ROUNDS=${ROUNDS:-40}
# By default each kill comes 0..SPAN_AFTER ms after the journal appears, i.e. during the rewrite in
# place; with AFTER_JOURNAL=0 it comes FROM..FROM+SPAN ms after the start.
FROM=${FROM:-300}
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
  if [ "${AFTER_JOURNAL:-1}" = 1 ]; then
    # Aim at the rewrite itself: wait for the journal that precedes it, then a few milliseconds more.
    for _ in $(seq 1 2000); do [ -e $W/etc/.hosts.velmora-journal ] && break; sleep 0.005; done
    ms=$(( RANDOM % ${SPAN_AFTER:-60} ))
  else
    ms=$(( (RANDOM % $SPAN) + $FROM ))
  fi
  sleep $(printf "%d.%03d" $((ms/1000)) $((ms%1000)))
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
echo "rounds $ROUNDS: old $old, new $new, torn $torn; the kill left a whole journal to roll forward $rolled times"
