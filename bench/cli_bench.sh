#!/bin/sh
# The unattended merge as a whole process: `velmora --add` with no display on the ~1M-line mix into a
# 100,000-line HOSTS file, next to `sort -u -f` and `awk '!seen[tolower($0)]++'` on the same list.
# Each command runs three times; the fastest run is shown with its peak memory (GNU time).
# The HOSTS file is a copy in a temporary folder, never the system's.
#   bench/cli_bench.sh BUILD_DIR
set -eu
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
lists="$top/../shared/data/blocklists"
velmora="$build/velmora"
[ -x "$velmora" ] || { echo "cli_bench: $velmora is not built" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "cli_bench: GNU time (/usr/bin/time) is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sh "$lists/make-large.sh" "$work/mix.txt"
head -n 100000 "$lists/hosts0_hagezi_adguarddns.txt" > "$work/hosts100k"

# Runs a command three times with no display and stdin not a terminal; prints "seconds peak-KB" of
# the fastest run. A failing run stops the benchmark with its messages.
best() {
    fastest=""
    for run in 1 2 3; do
        cp "$work/hosts100k" "$work/hosts"
        rm -f "$work/hosts.bak"
        if ! env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_HOSTS="$work/hosts" \
            /usr/bin/time -f "%e %M" -o "$work/time" "$@" > "$work/out" 2> "$work/err" < /dev/null; then
            echo "cli_bench: failed: $*" >&2
            cat "$work/err" >&2
            exit 1
        fi
        read -r seconds kb < "$work/time"
        if [ -z "$fastest" ] || awk -v a="$seconds" -v b="$fastest" 'BEGIN { exit !(a < b) }'; then
            fastest=$seconds
            fastest_kb=$kb
        fi
    done
    echo "$fastest $fastest_kb"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

set -- $(best "$velmora" --add "$work/mix.txt" --yes)
velmora_s=$1 velmora_kb=$2
summary=$(cat "$work/out")
set -- $(best sort -u -f "$work/mix.txt")
sort_s=$1 sort_kb=$2
set -- $(best awk '!seen[tolower($0)]++' "$work/mix.txt")
awk_s=$1 awk_kb=$2

echo "== velmora --add, headless, as a whole process =="
echo "list: $(wc -l < "$work/mix.txt") lines, $(wc -c < "$work/mix.txt") bytes; HOSTS: $(wc -l < "$work/hosts100k") lines"
echo "velmora: $summary" | sed "s|$work/||g"
printf '%-36s %8s %10s %9s %8s\n' "" "wall s" "peak KB" "time/sort" "mem/sort"
printf '%-36s %8s %10s %9s %8s\n' "velmora --add (no display)" "$velmora_s" "$velmora_kb" \
    "$(ratio "$velmora_s" "$sort_s")" "$(ratio "$velmora_kb" "$sort_kb")"
printf '%-36s %8s %10s %9s %8s\n' "sort -u -f" "$sort_s" "$sort_kb" 1.00 1.00
printf '%-36s %8s %10s %9s %8s\n' "awk '!seen[tolower(\$0)]++'" "$awk_s" "$awk_kb" \
    "$(ratio "$awk_s" "$sort_s")" "$(ratio "$awk_kb" "$sort_kb")"
