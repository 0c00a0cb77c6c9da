#!/usr/bin/env bash
# Interrupts `carbonel-cli convert` and `batch` at random moments (SIGKILL, SIGINT, SIGTERM) and
# checks that no temporary file is ever left behind and that every output that exists decodes.
# Usage: scripts/interrupt_stress.sh [TRIES] [BUILD_DIR]   (defaults: 50, build)
# With CARBONEL_NAMED_TEMPORARIES=1 the files are written under temporary names, as on a file
# system without unnamed files; SIGKILL cannot be cleaned up after then, so only SIGINT and
# SIGTERM are sent.
set -euo pipefail
cd "$(dirname "$0")/.."
tries=${1:-50}
build=${2:-build}
cli="$build/bin/carbonel-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/make_scaled_photo" assets/4.jpg 24 "$work/big.bmp"
cjpeg -quality 92 -outfile "$work/big.jpg" "$work/big.bmp"
mkdir -p "$work/src" "$work/out"
for i in 1 2 3 4 5 6; do cp "$work/big.jpg" "$work/src/p$i.jpg"; done
cp "$work/big.bmp" "$work/src/p7.bmp"

failures=0
for try in $(seq 1 "$tries"); do
  signal=$(( try % 3 ))
  case $signal in 0) sig=KILL ;; 1) sig=INT ;; 2) sig=TERM ;; esac
  if [ -n "${CARBONEL_NAMED_TEMPORARIES:-}" ] && [ $sig = KILL ]; then sig=TERM; fi
  if (( try % 2 )); then
    "$cli" convert "$work/big.jpg" "$work/out/one$try.bmp" 2>/dev/null &
  else
    "$cli" batch --out "$work/out" "$work/src" 2>/dev/null &
  fi
  pid=$!
  sleep "0.$(( RANDOM % 90 + 5 ))"
  kill -s "$sig" "$pid" 2>/dev/null || true
  status=0
  wait "$pid" || status=$?
  if [ $status -ne 0 ] && [ "$sig" = INT ] && [ $status -ne 130 ]; then
    echo "try $try: SIGINT ended the program with status $status, not 130"; failures=$((failures + 1))
  fi
  leftovers=$(find "$work/out" -name '*.tmp*' | wc -l)
  if [ "$leftovers" -ne 0 ]; then
    echo "try $try ($sig): $leftovers temporary files left"; failures=$((failures + 1))
    find "$work/out" -name '*.tmp*' -delete
  fi
done

# Every file that was given its name is complete.
for f in "$work"/out/*; do
  case "$f" in
    *.jpg) djpeg "$f" >/dev/null 2>&1 || { echo "broken output: $f"; failures=$((failures + 1)); } ;;
    *.bmp) "$cli" convert "$f" "$work/check.bmp" 2>/dev/null || { echo "broken output: $f"; failures=$((failures + 1)); } ;;
  esac
done
echo "$tries tries, $(ls "$work/out" | wc -l) outputs, $failures failures"
[ $failures -eq 0 ]
