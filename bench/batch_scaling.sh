#!/usr/bin/env bash
# Measures `carbonel-cli batch` on 40 photos of about 2 Mpixel with --jobs 1 and --jobs 2 (both in
# this one run), and its peak memory on 40 and on 400 photos. Needs GNU time (/usr/bin/time).
# Usage: bench/batch_scaling.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli="$build/bin/carbonel-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Three real photos at about 2 Mpixel, saved at quality 92, copied round-robin.
i=0
for photo in assets/4.jpg tests/data/chelsea.jpg tests/data/coffee.jpg; do
  "$build/bin/make_scaled_photo" "$photo" 2 "$work/base$i.bmp"
  cjpeg -quality 92 -outfile "$work/base$i.jpg" "$work/base$i.bmp"
  i=$((i + 1))
done
mkdir -p "$work/src40" "$work/src400"
for n in $(seq -w 1 400); do
  cp "$work/base$((10#$n % 3)).jpg" "$work/src400/p$n.jpg"
  [ "$((10#$n))" -le 40 ] && cp "$work/base$((10#$n % 3)).jpg" "$work/src40/p$n.jpg"
done

run() {  # run JOBS SOURCE -> "seconds peak-KiB"
  rm -rf "$work/out" && mkdir "$work/out"
  /usr/bin/time -f "%e %M" -o "$work/time" "$cli" batch --out "$work/out" --jobs "$1" "$2"
  cat "$work/time"
}
read -r one_s one_kb < <(run 1 "$work/src40")
read -r two_s two_kb < <(run 2 "$work/src40")
read -r big_s big_kb < <(run 2 "$work/src400")
echo "40 photos, --jobs 1: ${one_s} s, peak ${one_kb} KiB"
echo "40 photos, --jobs 2: ${two_s} s, peak ${two_kb} KiB"
echo "speed-up: $(echo "$one_s / $two_s" | bc -l | cut -c1-4)"
echo "400 photos, --jobs 2: ${big_s} s, peak ${big_kb} KiB"
