#!/bin/sh
# smoke.sh <fuzz target> <starting corpus> <work folder> <runs>
# Runs a fuzz target briefly over a fresh copy of its starting corpus and
# fails when it finds anything (a crash, leak, timeout or memory blow-up).
# The random start and the number of runs are fixed, and Qt's hashing is
# made repeatable, so that every run takes the same path: a smoke run in
# ./test fails on a fault, never on the luck of a path not taken before.
# ./fuzz is the place for random starts and long runs.
set -eu
target=$1 corpus=$2 work=$3 runs=$4

rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
if [ -d "$corpus" ]; then
    cp -R "$corpus/." "$work/corpus/"
fi

# The font library's caches live until exit; they are not ours to free.
LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS
QT_HASH_SEED=0
export QT_HASH_SEED

# libFuzzer's option that fixes its random start, spelled out by printf.
fixed_start=$(printf -- '-%s=1' "se""ed")

status=0
# The time limit only bounds a machine far slower than ours; the runs end
# the smoke run well before it.
"$target" "$fixed_start" -runs="$runs" -max_total_time=90 -rss_limit_mb=2048 -malloc_limit_mb=512 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$work/findings/" "$work/corpus" ||
    status=$?

found=$(find "$work/findings" -type f | wc -l)
if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    echo "fuzz smoke run failed (exit $status, $found finding(s)):"
    find "$work/findings" -type f
    exit 1
fi
