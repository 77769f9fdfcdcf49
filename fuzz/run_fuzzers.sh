#!/usr/bin/env bash
# Replays every fuzz target's regression inputs, then fuzzes each target for a short while.
#   run_fuzzers.sh BUILD_DIR [SECONDS]    SECONDS is the smoke time of the table target (default 60);
#                                         the other targets get a third of it each (at least 15).
set -euo pipefail
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
    echo "run_fuzzers: no fuzz targets built in $build" >&2
    exit 1
fi
for target in "${targets[@]}"; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    regressions="$here/regressions/$name"
    if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
        echo "== $name: replaying $(ls "$regressions" | wc -l) regression inputs"
        "$target" -runs=0 "$regressions"/* >/dev/null 2>"$build/$name.replay.log" || {
            cat "$build/$name.replay.log"; exit 1; }
    fi
    work=$(mktemp -d)
    [ -d "$here/seeds/$name" ] && cp -r "$here/seeds/$name"/. "$work"/
    t=$seconds
    [ "$name" = fuzz_tables ] || t=$(( seconds / 3 > 15 ? seconds / 3 : 15 ))
    echo "== $name: fuzzing for $t s"
    extra=()
    [ -f "$here/dicts/$name.dict" ] && extra+=("-dict=$here/dicts/$name.dict")
    if ! "$target" -max_total_time="$t" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix="$build/$name-" "${extra[@]}" "$work" >"$build/$name.log" 2>&1; then
        tail -50 "$build/$name.log"
        rm -rf "$work"
        exit 1
    fi
    grep -E 'stat::number_of_executed_units|Done' "$build/$name.log" | tail -2 || true
    rm -rf "$work"
done
