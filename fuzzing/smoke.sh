#!/bin/sh
# smoke.sh <fuzz target> <starting corpus> <work folder> <seconds>
# Runs a fuzz target briefly over a fresh copy of its starting corpus and
# fails when it finds anything (a crash, leak, timeout or memory blow-up).
set -eu
target=$1 corpus=$2 work=$3 seconds=$4

rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
if [ -d "$corpus" ]; then
    cp -R "$corpus/." "$work/corpus/"
fi

# The font library's caches live until exit; they are not ours to free.
LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS

status=0
"$target" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$work/findings/" "$work/corpus" || status=$?

found=$(find "$work/findings" -type f | wc -l)
if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    echo "fuzz smoke run failed (exit $status, $found finding(s)):"
    find "$work/findings" -type f
    exit 1
fi
