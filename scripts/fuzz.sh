#!/bin/bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each
# for a set time, then prints how many inputs each one ran.
#   scripts/fuzz.sh [SECONDS]          each target for SECONDS (default 60)
#   FUZZ_RUNS=N scripts/fuzz.sh        each target for N inputs instead (time unlimited)
#   FUZZ_TARGETS="lines merge" ...     only these targets
#   BUILD_FUZZ=dir                     build folder (default build-fuzz)
# Seeds: the small hand-made cases in fuzz/seeds/<target>, and for the targets that read lists, the
# first 4 KB of every list in ../shared/data/blocklists (when that folder is there). The corpus each
# run finds is kept in $BUILD_FUZZ/corpus/<target> for the next run; a failing input is written to
# $BUILD_FUZZ/findings/ and the script ends with status 1.
# The targets keep their files in memory; VELMORA_HOSTS still points into a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
runs=${FUZZ_RUNS:-}
build=${BUILD_FUZZ:-build-fuzz}
targets=${FUZZ_TARGETS:-"lines save_faults source_list merge remove_block classic_command_line option_command_line progress"}
jobs=$(nproc 2>/dev/null || echo 2)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export VELMORA_HOSTS="$scratch/hosts"

CXX=${FUZZ_CXX:-clang++} cmake -S . -B "$build" -DVELMORA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" >/dev/null

# The heads of the real lists: typical lines in typical line ends, without megabytes per input.
lists="$scratch/list-seeds"
mkdir -p "$lists"
if [ -d ../shared/data/blocklists ]; then
    for f in ../shared/data/blocklists/*.txt; do
        [ -f "$f" ] && head -c 4096 "$f" >"$lists/$(basename "$f")"
    done
fi

mkdir -p "$build/findings"
failed=""
summary=""
for target in $targets; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    seeds=("fuzz/seeds/$target")
    case $target in
    lines | source_list | merge) seeds+=("$lists") ;;
    esac
    if [ -n "$runs" ]; then
        limit=(-runs="$runs")
        echo "fuzz: $target ($runs inputs)"
    else
        limit=(-max_total_time="$seconds")
        echo "fuzz: $target (${seconds}s)"
    fi
    log="$build/findings/$target.log"
    status=0
    # A parse or a merge that takes seconds is a hang: -timeout turns it into a finding.
    "$build/fuzz/fuzz_$target" "${limit[@]}" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
        "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    persecond=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    if [ "$status" -ne 0 ]; then
        failed="$failed $target"
        grep -E "property violated|ERROR|SUMMARY|Test unit written" "$log" | head -5 >&2 || true
        executed=${executed:-?}
    fi
    summary="$summary$(printf '%-22s %12s inputs %8s/s %s' "$target" "${executed:-?}" "${persecond:-?}" \
        "$([ "$status" -eq 0 ] && echo ok || echo FAILED)")"$'\n'
done

printf '\n%s' "$summary"
if [ -n "$failed" ]; then
    echo "fuzz: findings in:$failed (inputs and logs in $build/findings)" >&2
    exit 1
fi
