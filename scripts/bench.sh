#!/bin/sh
# Benchmarks, each against a baseline run in the same invocation, ending in one table. Never touches
# the system's HOSTS: every run works on copies in a temporary folder.
#   scripts/bench.sh BUILD_DIR
# BENCH_LARGE=0 leaves out the 5M-line runs (about 0.5 GB of temporary disk); BENCH_10M=1 adds the
# 10M-line runs (about 1 GB more, and a few minutes).
set -eu
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
lists="$top/../shared/data/blocklists"
velmora="$build/velmora"
[ -x /usr/bin/time ] || { echo "bench: GNU time (/usr/bin/time) is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sh "$lists/make-large.sh" "$work/mix.txt" >/dev/null
head -n 100000 "$lists/hosts0_hagezi_adguarddns.txt" > "$work/hosts100k"
lines() { wc -l < "$1" | tr -d ' '; }
bytes() { wc -c < "$1" | tr -d ' '; }
mix_bytes=$(bytes "$work/mix.txt")
echo "input: $(lines "$work/mix.txt") lines, $mix_bytes bytes (the ~1M-line mix); HOSTS: 100000 lines"

# One run of a command with no display and stdin not a terminal, on a fresh copy of the HOSTS file;
# sets run_s and run_kb. A failing run stops the benchmark with its messages.
once() {
    cp "$work/hosts100k" "$work/hosts"
    rm -f "$work/hosts.bak"
    start=$(date +%s%N)
    if ! env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_HOSTS="$work/hosts" \
        /usr/bin/time -f "%M" -o "$work/time" "$@" > "$work/out" 2> "$work/err" < /dev/null; then
        echo "bench: failed: $*" >&2
        cat "$work/err" >&2
        exit 1
    fi
    took "$start"
}
# Wall time to the millisecond (GNU time gives hundredths); the peak memory from GNU time.
took() {
    run_s=$(awk -v a="$1" -v b="$(date +%s%N)" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
    read -r run_kb < "$work/time"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

med() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# velmora --add against merge_floor (the same merge and save with nothing else, bench/merge_floor.cpp)
# on fresh copies of the same HOSTS file, alternating so that both see the same machine, ROUNDS times;
# the first round checks that both leave the same bytes in the file and its backup. Sets v_s v_kb
# (velmora) and f_s f_kb (the floor), each the median of the rounds.
against_floor() {
    list=$1 rounds=$2 vt="" vk="" ft="" fk=""
    for round in $(seq "$rounds"); do
        once "$velmora" --add "$list" --yes
        vt="$vt $run_s" vk="$vk $run_kb"
        [ "$round" = 1 ] && cat "$work/hosts" "$work/hosts.bak" > "$work/velmora.bytes" && summary=$(cat "$work/out")
        once "$build/merge_floor" "$list" "$work/hosts"
        ft="$ft $run_s" fk="$fk $run_kb"
        if [ "$round" = 1 ] && ! cat "$work/hosts" "$work/hosts.bak" | cmp -s - "$work/velmora.bytes"; then
            echo "bench: velmora and merge_floor left different bytes for $list" >&2
            exit 1
        fi
    done
    rm -f "$work/velmora.bytes"
    v_s=$(med $vt) v_kb=$(med $vk) f_s=$(med $ft) f_kb=$(med $fk)
}

# 1M: against the floor, nine rounds (the 5M figure is a ratio to it); and against sort -u -f on the
# list alone, three.
against_floor "$work/mix.txt" 9
velmora_s=$v_s velmora_kb=$v_kb floor_s=$f_s floor_kb=$f_kb
echo "velmora: $summary" | sed "s|$work/||g"
st="" sk=""
for round in 1 2 3; do
    once sort -u -f "$work/mix.txt"
    st="$st $run_s" sk="$sk $run_kb"
done
sort_s=$(med $st) sort_kb=$(med $sk)
cp "$work/hosts100k" "$work/hosts"
"$build/merge_bench" "$work/mix.txt" "$work/hosts" | sed "s|$work/||g"

# Growth: the same list five (and, with BENCH_10M=1, ten) times over, each copy's names made distinct;
# against the floor, five rounds at 5M (a single run there swings by half with the machine's page faults)
# and three at 10M.
if [ "${BENCH_LARGE:-1}" != 0 ]; then
    for k in 1 2 3 4 5; do awk -v k="$k" '{ print $0 ".v" k }' "$work/mix.txt"; done > "$work/mix5.txt"
    # The lists on disk first, so that writing them out does not compete with the runs' own saves.
    sync
    against_floor "$work/mix5.txt" 5
    five_s=$v_s five_kb=$v_kb five_floor_s=$f_s five_floor_kb=$f_kb
    five_bytes=$(bytes "$work/mix5.txt") five_lines=$(lines "$work/mix5.txt")
    rm -f "$work/mix5.txt"
    if [ "${BENCH_10M:-0}" != 0 ]; then
        for k in 1 2 3 4 5 6 7 8 9 10; do awk -v k="$k" '{ print $0 ".v" k }' "$work/mix.txt"; done > "$work/mix10.txt"
        sync
        against_floor "$work/mix10.txt" 3
        ten_s=$v_s ten_kb=$v_kb ten_floor_s=$f_s ten_floor_kb=$f_kb
        ten_bytes=$(bytes "$work/mix10.txt") ten_lines=$(lines "$work/mix10.txt")
        rm -f "$work/mix10.txt"
    fi
fi

# A daily update whose three ~300k-line lists the server calls unchanged (304), against --blocks
# reading the same file once; alternating, median of five. The lists come from a python server on
# 127.0.0.1, which answers If-Modified-Since.
mkdir -p "$work/www" "$work/cache"
cat "$lists/domains_1hosts_pro.txt" "$lists/domains_hagezi_stevenblack.txt" > "$work/www/a.txt"
cat "$lists/hosts127_e7kmbb_ad-hosts.txt" "$lists/hosts0_hagezi_adguarddns.txt" "$lists/hosts0_1hosts_lite.txt" \
    > "$work/www/b.txt"
{ cat "$lists/hosts0_goodbyeads_youtube.txt"; sed 's/^/0.0.0.0 /' "$lists/domains_1hosts_pro.txt"; } > "$work/www/c.txt"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
(cd "$work/www" && exec python3 -m http.server "$port" --bind 127.0.0.1) > "$work/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in 1 2 3 4 5 6 7 8 9 10; do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
    sleep 0.3
done
blocks_file="$work/blocks"
update() {
    start=$(date +%s%N)
    env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_HOSTS="$blocks_file" XDG_CACHE_HOME="$work/cache" \
        /usr/bin/time -f "%M" -o "$work/time" "$velmora" "$@" > "$work/out" 2> "$work/err" < /dev/null ||
        { echo "bench: failed: $*" >&2; cat "$work/err" >&2; exit 1; }
    took "$start"
}
printf '127.0.0.1 localhost\n' > "$work/blocks"
for name in a b c; do update --update "$name" "http://127.0.0.1:$port/$name.txt"; done
blocks_lines=$(lines "$work/blocks")
# The first full update keeps the note the others compare with.
update --update
ut="" uk="" lt=""
for round in 1 2 3 4 5; do
    update --update
    ut="$ut $run_s" uk="$uk $run_kb"
    grep -q "is up to date" "$work/out" || { echo "bench: the update was not answered 304" >&2; exit 1; }
    update --blocks
    lt="$lt $run_s"
done
update_s=$(med $ut) update_kb=$(med $uk) listing_s=$(med $lt)
echo "update of 3 blocks ($blocks_lines lines), all answered 304: $update_s s, $(awk -v k="$update_kb" 'BEGIN { printf "%.1f MiB", k / 1024 }'); --blocks $listing_s s"

# One list of the three changed: the list of the last block has a new version (2,000 names of its own
# come and go), and the update rebuilds that block; against --add of the same list into a copy of the
# same file, which merges it and saves. Alternating, median of five; sets change_s and add_s.
#   one_changed LIST_FILE: the file the list of block c is read or served from
one_changed() {
    ct="" at=""
    for round in 1 2 3 4 5; do
        if [ $((round % 2)) = 1 ]; then cp "$work/c-full.txt" "$1"; else cp "$work/c-less.txt" "$1"; fi
        # The server compares times to the second: each version is a second newer than the one before.
        touch -d "@$((base + round))" "$1"
        cp "$blocks_file" "$work/blocks.before"
        update --update
        ct="$ct $run_s"
        if ! grep -q "^Updated c:" "$work/out" || grep -q "^Updated [ab]" "$work/out"; then
            echo "bench: the update did not change block c alone" >&2
            cat "$work/out" >&2
            exit 1
        fi
        cp "$work/blocks.before" "$work/added"
        start=$(date +%s%N)
        env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_HOSTS="$work/added" /usr/bin/time -f "%M" -o "$work/time" \
            "$velmora" --add "$1" --yes > "$work/out" 2> "$work/err" < /dev/null ||
            { echo "bench: failed: --add $1" >&2; cat "$work/err" >&2; exit 1; }
        took "$start"
        at="$at $run_s"
    done
    change_s=$(med $ct) add_s=$(med $at)
}
cp "$work/www/c.txt" "$work/c-less.txt"
{ cat "$work/c-less.txt"; seq 2000 | sed 's/.*/0.0.0.0 bench-&.example/'; } > "$work/c-full.txt"
base=$(date +%s)
one_changed "$work/www/c.txt"
web_change_s=$change_s web_add_s=$add_s
kill $server 2>/dev/null
echo "update of 3 blocks, 1 list changed: $web_change_s s; --add of that list: $web_add_s s ($(head -n 1 "$work/out" | sed "s|$work/||g"))"

# The same three lists as files: the update's own work without the download.
mkdir -p "$work/files"
cp "$work/www/a.txt" "$work/www/b.txt" "$work/files/"
cp "$work/c-less.txt" "$work/files/c.txt"
blocks_file="$work/fblocks"
printf '127.0.0.1 localhost\n' > "$blocks_file"
for name in a b c; do update --update "$name" "$work/files/$name.txt"; done
update --update
one_changed "$work/files/c.txt"
file_change_s=$change_s file_add_s=$add_s
echo "update of 3 blocks from files, 1 list changed: $file_change_s s; --add of that list: $file_add_s s"

# The window: a 1M-line HOSTS file shown, against the document loading it; the Sort button. Left out
# by a build without the window (nothing to measure).
win_ms=- doc_ms=- sort_c=- sort_us=-
if [ -x "$build/load_bench" ] && [ -x "$build/window_bench" ]; then
load=$("$build/load_bench" "$work/mix.txt" 2>/dev/null)
echo "$load"
doc_ms=$(echo "$load" | sed -n 's/.*document \([0-9.]*\) ms.*/\1/p')
win_ms=$(echo "$load" | sed -n 's/.*window \([0-9.]*\) ms.*/\1/p')
sorts=$(QT_QPA_PLATFORM=offscreen "$build/window_bench" "$work/mix.txt" 2>/dev/null)
echo "$sorts"
sort_c=$(echo "$sorts" | sed -n 's/.*Sort button, both passes, C *\([0-9.]*\) s.*/\1/p')
sort_us=$(echo "$sorts" | sed -n 's/.*Sort button, both passes, en_US *\([0-9.]*\) s.*/\1/p')
fi

mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }
per_byte() { awk -v k="$1" -v b="$2" 'BEGIN { printf "%.2f", k * 1024 / b }'; }
echo
printf '%-46s %14s %22s %7s %8s\n' "measure" "velmora" "baseline" "ratio" "aim"
row() { printf '%-46s %14s %22s %7s %8s\n' "$@"; }
row "--add 1M mix into 100k HOSTS, time" "$velmora_s s" "floor $floor_s s" "$(ratio "$velmora_s" "$floor_s")" "<= 1.2"
row "--add 1M mix into 100k HOSTS, peak memory" "$(mib "$velmora_kb")" "floor $(mib "$floor_kb")" \
    "$(ratio "$velmora_kb" "$floor_kb")" "<= 1.2"
row "--add 1M, time against sort -u -f" "$velmora_s s" "sort -u -f $sort_s s" "$(ratio "$velmora_s" "$sort_s")" \
    "<= 0.30"
row "--add 1M, peak bytes per input byte" "$(mib "$velmora_kb")" "$mix_bytes B" \
    "$(per_byte "$velmora_kb" "$mix_bytes")" "floor $(per_byte "$floor_kb" "$mix_bytes")"
if [ "${BENCH_LARGE:-1}" != 0 ]; then
    row "--add 5M ($five_lines lines), time" "$five_s s" "1M $velmora_s s" "$(ratio "$five_s" "$velmora_s")" "<= 5.2"
    row "--add 5M, time against the floor" "$five_s s" "floor $five_floor_s s" "$(ratio "$five_s" "$five_floor_s")" ""
    row "--add 5M, peak bytes per input byte" "$(mib "$five_kb")" "$five_bytes B" \
        "$(per_byte "$five_kb" "$five_bytes")" "< 1.6"
    row "--add 5M, floor's peak bytes per input byte" "$(mib "$five_floor_kb")" "$five_bytes B" \
        "$(per_byte "$five_floor_kb" "$five_bytes")" ""
    if [ "${BENCH_10M:-0}" != 0 ]; then
        row "--add 10M ($ten_lines lines), time" "$ten_s s" "1M $velmora_s s" "$(ratio "$ten_s" "$velmora_s")" "~10"
        row "--add 10M, time against the floor" "$ten_s s" "floor $ten_floor_s s" "$(ratio "$ten_s" "$ten_floor_s")" ""
        row "--add 10M, peak bytes per input byte" "$(mib "$ten_kb")" "$ten_bytes B" \
            "$(per_byte "$ten_kb" "$ten_bytes")" "floor $(per_byte "$ten_floor_kb" "$ten_bytes")"
    fi
fi
row "--update, 3 blocks answered 304, time" "$update_s s" "--blocks $listing_s s" "$(ratio "$update_s" "$listing_s")" \
    "<= 1.5"
row "--update, 1 of 3 lists changed, time" "$web_change_s s" "--add of it $web_add_s s" \
    "$(ratio "$web_change_s" "$web_add_s")" "~1"
row "the same, the lists files (no download)" "$file_change_s s" "--add of it $file_add_s s" \
    "$(ratio "$file_change_s" "$file_add_s")" "~1"
printf '%-46s %14s %22s %7s %8s\n' "window shows 1M-line HOSTS" "$win_ms ms" "document $doc_ms ms" \
    "$(ratio "$win_ms" "$doc_ms")" "<= 1.5"
printf '%-46s %14s %22s %7s %8s\n' "Sort button, 1M lines, C" "$sort_c s" "" "" ""
printf '%-46s %14s %22s %7s %8s\n' "Sort button, 1M lines, en_US" "$sort_us s" "" "" "<= 0.8 s"
