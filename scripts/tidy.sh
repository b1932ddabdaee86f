#!/bin/sh
# clang-tidy's checks of .clang-tidy (bugprone, performance) over every file of src/ that a build compiles,
# with that build's own flags (its compile_commands.json), two files at a time. Fails, naming each
# finding, when there is one.
#   scripts/tidy.sh [BUILD]    (default: build; it must have been built, so that Qt's generated headers are there)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/compile_commands.json" ]; then
    echo "tidy: no $build/compile_commands.json; configure and build $build first" >&2
    exit 2
fi
scripts/install-deps.sh tidy
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
run-clang-tidy -j "${JOBS:-2}" -p "$build" -quiet "$(pwd)/src/" >"$log" 2>&1 || status=$?
# Without its colours, which it writes even to a file.
sed -i 's/\x1b\[[0-9;]*m//g' "$log"
# Each finding once, though a header's may come from every file that includes it.
grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error): ' "$log" | sort -u || true
if [ "$status" -ne 0 ]; then
    echo "tidy: findings above (or clang-tidy failed: the whole output follows)" >&2
    grep -qE '^[^ ]+:[0-9]+:[0-9]+: (warning|error): ' "$log" || cat "$log" >&2
    exit 1
fi
echo "tidy: no findings in $(grep -c '"file": ".*/src/' "$build/compile_commands.json") files of src/"
