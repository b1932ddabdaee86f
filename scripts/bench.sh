#!/bin/sh
# Benchmarks, each against a baseline run in the same invocation. Never touches the system's HOSTS.
#   scripts/bench.sh BUILD_DIR
set -eu
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
lists="$top/../shared/data/blocklists"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$lists/make-large.sh" "$work/mix.txt"
head -n 100000 "$lists/hosts0_hagezi_adguarddns.txt" > "$work/hosts100k"
echo "input: $(wc -l < "$work/mix.txt") lines, $(wc -c < "$work/mix.txt") bytes (the ~1M-line mix)"
echo

echo "== Loading =="
"$build/load_bench" "$work/mix.txt"
echo

echo "== Merge and save in the document, against sort -u -f on the same list =="
timed() { /usr/bin/time -f "%e %M" -o "$work/time" "$@" > "$work/out" 2>/dev/null; cat "$work/time"; }
cp "$work/hosts100k" "$work/hosts"
set -- $(timed "$build/merge_bench" "$work/mix.txt" "$work/hosts")
merge_s=$1 merge_kb=$2
set -- $(timed sort -u -f "$work/mix.txt")
sort_s=$1 sort_kb=$2
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
printf '%-28s %8s %10s %9s %8s\n' "" "wall s" "peak KB" "time/sort" "mem/sort"
printf '%-28s %8s %10s %9s %8s\n' "velmora merge + save" "$merge_s" "$merge_kb" \
    "$(ratio "$merge_s" "$sort_s")" "$(ratio "$merge_kb" "$sort_kb")"
printf '%-28s %8s %10s %9s %8s\n' "sort -u -f" "$sort_s" "$sort_kb" 1.00 1.00
cp "$work/hosts100k" "$work/hosts"
"$build/merge_bench" "$work/mix.txt" "$work/hosts"

for extra in "$top"/bench/*.sh; do
    [ -e "$extra" ] || continue
    echo
    sh "$extra" "$build"
done
