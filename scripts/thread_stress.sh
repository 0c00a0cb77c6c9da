#!/usr/bin/env bash
# Converts, many times over on two threads, a JPEG whose data fails only after its last row (the
# final end marker replaced by a broken scan header), with JPEG and BMP output and in a batch.
# Every run must fail with status 1 and write nothing.
# Usage: scripts/thread_stress.sh [RUNS] [BUILD_DIR]   (defaults: 200, build)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-200}
build=${2:-build}
cli="$build/bin/carbonel-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

size=$(stat -c %s assets/4.jpg)
{ head -c $((size - 2)) assets/4.jpg; printf '\xff\xda\x00\x02\x00\xff\xd9'; } > "$work/tail.jpg"
mkdir -p "$work/src" "$work/out"
cp assets/4.jpg "$work/src/a.jpg"
cp "$work/tail.jpg" "$work/src/b.jpg"

failures=0
for run in $(seq 1 "$runs"); do
  for out in out.jpg out.bmp; do
    status=0
    "$cli" convert "$work/tail.jpg" "$work/$out" --threads 2 2>/dev/null || status=$?
    if [ $status -ne 1 ] || [ -e "$work/$out" ]; then
      echo "run $run, $out: status $status, output $( [ -e "$work/$out" ] && echo written || echo none )"
      failures=$((failures + 1))
      rm -f "$work/$out"
    fi
  done
done
for run in $(seq 1 $((runs / 10))); do
  rm -rf "$work/out"/*
  status=0
  report=$("$cli" batch --jobs 2 --threads 2 --out "$work/out" "$work/src" 2>&1) || status=$?
  if [ $status -ne 1 ] || [ -e "$work/out/b.jpg" ] || ! grep -q "b.jpg" <<<"$report"; then
    echo "batch run $run: status $status, report: $report"; failures=$((failures + 1))
  fi
done
echo "$runs runs of each output, $((runs / 10)) batches, $failures failures"
[ $failures -eq 0 ]
