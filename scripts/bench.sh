#!/bin/sh
# Benchmarks, each against a baseline run in the same invocation, ending in one table. Never touches
# the system's HOSTS: every run works on copies in a temporary folder.
#   scripts/bench.sh BUILD_DIR
# BENCH_LARGE=0 leaves out the 5M- and 10M-line runs (they need about 1.5 GB of temporary disk).
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
echo "input: $(lines "$work/mix.txt") lines, $(bytes "$work/mix.txt") bytes (the ~1M-line mix); HOSTS: 100000 lines"

# One run of a command with no display and stdin not a terminal, on a fresh copy of the HOSTS file;
# sets run_s and run_kb. A failing run stops the benchmark with its messages.
once() {
    cp "$work/hosts100k" "$work/hosts"
    rm -f "$work/hosts.bak"
    if ! env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_HOSTS="$work/hosts" \
        /usr/bin/time -f "%e %M" -o "$work/time" "$@" > "$work/out" 2> "$work/err" < /dev/null; then
        echo "bench: failed: $*" >&2
        cat "$work/err" >&2
        exit 1
    fi
    read -r run_s run_kb < "$work/time"
}
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

# The merge against sort -u -f, runs alternating so that both see the same machine; fastest of three.
velmora_s="" sort_s=""
for round in 1 2 3; do
    once "$velmora" --add "$work/mix.txt" --yes
    if [ -z "$velmora_s" ] || less "$run_s" "$velmora_s"; then velmora_s=$run_s velmora_kb=$run_kb; fi
    summary=$(cat "$work/out")
    once sort -u -f "$work/mix.txt"
    if [ -z "$sort_s" ] || less "$run_s" "$sort_s"; then sort_s=$run_s sort_kb=$run_kb; fi
done
echo "velmora: $summary" | sed "s|$work/||g"
cp "$work/hosts100k" "$work/hosts"
"$build/merge_bench" "$work/mix.txt" "$work/hosts" | sed "s|$work/||g"

# Growth: the same list five and ten times over, each copy's names made distinct; fastest of two.
if [ "${BENCH_LARGE:-1}" != 0 ]; then
    for k in 1 2 3 4 5; do awk -v k="$k" '{ print $0 ".v" k }' "$work/mix.txt"; done > "$work/mix5.txt"
    for k in 1 2 3 4 5 6 7 8 9 10; do awk -v k="$k" '{ print $0 ".v" k }' "$work/mix.txt"; done > "$work/mix10.txt"
    # The lists on disk first, so that writing them out does not compete with the runs' own saves.
    sync
    five_s="" ten_s=""
    for round in 1 2; do
        once "$velmora" --add "$work/mix5.txt" --yes
        if [ -z "$five_s" ] || less "$run_s" "$five_s"; then five_s=$run_s five_kb=$run_kb; fi
        once "$velmora" --add "$work/mix10.txt" --yes
        if [ -z "$ten_s" ] || less "$run_s" "$ten_s"; then ten_s=$run_s ten_kb=$run_kb; fi
    done
    five_bytes=$(bytes "$work/mix5.txt") ten_bytes=$(bytes "$work/mix10.txt")
    five_lines=$(lines "$work/mix5.txt") ten_lines=$(lines "$work/mix10.txt")
    rm -f "$work/mix5.txt" "$work/mix10.txt"
fi

# A daily update whose three ~300k-line lists the server calls unchanged (304), against --blocks
# reading the same file once; alternating, fastest of three. The lists come from a python server on
# 127.0.0.1, which answers If-Modified-Since.
mkdir -p "$work/www" "$work/cache"
cat "$lists/domains_1hosts_pro.txt" "$lists/domains_hagezi_stevenblack.txt" > "$work/www/a.txt"
cat "$lists/hosts127_e7kmbb_ad-hosts.txt" "$lists/hosts0_hagezi_adguarddns.txt" "$lists/hosts0_1hosts_lite.txt" \
    > "$work/www/b.txt"
{ cat "$lists/hosts0_goodbyeads_youtube.txt"; sed 's/^/0.0.0.0 /' "$lists/domains_1hosts_pro.txt"; } > "$work/www/c.txt"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
(cd "$work/www" && exec python3 -m http.server "$port" --bind 127.0.0.1) > "$work/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
for _ in 1 2 3 4 5 6 7 8 9 10; do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
    sleep 0.3
done
update() {
    env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_HOSTS="$work/blocks" XDG_CACHE_HOME="$work/cache" \
        /usr/bin/time -f "%e %M" -o "$work/time" "$velmora" "$@" > "$work/out" 2> "$work/err" < /dev/null ||
        { echo "bench: failed: $*" >&2; cat "$work/err" >&2; exit 1; }
    read -r run_s run_kb < "$work/time"
}
printf '127.0.0.1 localhost\n' > "$work/blocks"
for name in a b c; do update --update "$name" "http://127.0.0.1:$port/$name.txt"; done
blocks_lines=$(lines "$work/blocks")
update_s="" listing_s=""
for round in 1 2 3; do
    update --update
    if [ -z "$update_s" ] || less "$run_s" "$update_s"; then update_s=$run_s update_kb=$run_kb; fi
    grep -q "is up to date" "$work/out" || { echo "bench: the update was not answered 304" >&2; exit 1; }
    update --blocks
    if [ -z "$listing_s" ] || less "$run_s" "$listing_s"; then listing_s=$run_s; fi
done
kill $server 2>/dev/null
echo "update of 3 blocks ($blocks_lines lines), all answered 304: $update_s s, $(awk -v k="$update_kb" 'BEGIN { printf "%.1f MiB", k / 1024 }'); --blocks $listing_s s"

# The window: a 1M-line HOSTS file shown, against the document loading it; the Sort button.
load=$("$build/load_bench" "$work/mix.txt" 2>/dev/null)
echo "$load"
doc_ms=$(echo "$load" | sed -n 's/.*document \([0-9.]*\) ms.*/\1/p')
win_ms=$(echo "$load" | sed -n 's/.*window \([0-9.]*\) ms.*/\1/p')
sorts=$(QT_QPA_PLATFORM=offscreen "$build/window_bench" "$work/mix.txt" 2>/dev/null)
echo "$sorts"
sort_c=$(echo "$sorts" | sed -n 's/.*Sort button, both passes, C *\([0-9.]*\) s.*/\1/p')
sort_us=$(echo "$sorts" | sed -n 's/.*Sort button, both passes, en_US *\([0-9.]*\) s.*/\1/p')

mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }
per_byte() { awk -v k="$1" -v b="$2" 'BEGIN { printf "%.2f", k * 1024 / b }'; }
echo
printf '%-46s %14s %22s %7s %8s\n' "measure" "velmora" "baseline" "ratio" "aim"
printf '%-46s %14s %22s %7s %8s\n' "--add 1M mix into 100k HOSTS, time" "$velmora_s s" "sort -u -f $sort_s s" \
    "$(ratio "$velmora_s" "$sort_s")" "<= 0.30"
printf '%-46s %14s %22s %7s %8s\n' "--add 1M mix into 100k HOSTS, peak memory" "$(mib "$velmora_kb")" \
    "sort -u -f $(mib "$sort_kb")" "$(ratio "$velmora_kb" "$sort_kb")" "<= 0.80"
if [ "${BENCH_LARGE:-1}" != 0 ]; then
    printf '%-46s %14s %22s %7s %8s\n' "--add 5M ($five_lines lines), time" "$five_s s" "1M $velmora_s s" \
        "$(ratio "$five_s" "$velmora_s")" "<= 5.5"
    printf '%-46s %14s %22s %7s %8s\n' "--add 5M, peak bytes per input byte" "$(mib "$five_kb")" "$five_bytes B" \
        "$(per_byte "$five_kb" "$five_bytes")" "<= 2.5"
    printf '%-46s %14s %22s %7s %8s\n' "--add 10M ($ten_lines lines), time" "$ten_s s" "1M $velmora_s s" \
        "$(ratio "$ten_s" "$velmora_s")" "~10"
    printf '%-46s %14s %22s %7s %8s\n' "--add 10M, peak bytes per input byte" "$(mib "$ten_kb")" "$ten_bytes B" \
        "$(per_byte "$ten_kb" "$ten_bytes")" ""
fi
printf '%-46s %14s %22s %7s %8s\n' "--update, 3 blocks answered 304, time" "$update_s s" "--blocks $listing_s s" \
    "$(ratio "$update_s" "$listing_s")" "< 1 s"
printf '%-46s %14s %22s %7s %8s\n' "window shows 1M-line HOSTS" "$win_ms ms" "document $doc_ms ms" \
    "$(ratio "$win_ms" "$doc_ms")" "<= 1.5"
printf '%-46s %14s %22s %7s %8s\n' "Sort button, 1M lines, C" "$sort_c s" "" "" ""
printf '%-46s %14s %22s %7s %8s\n' "Sort button, 1M lines, en_US" "$sort_us s" "" "" "<= 0.8 s"
