#!/usr/bin/env bash
# Compares `carbonel-cli convert` on a typical camera JPEG (a real photo scaled to 12 Mpixel, saved
# baseline, quality 92, 4:2:0) with the codec floor, the reference decoder piped into the reference
# encoder with the same settings, with the reference decoder alone (its pixels thrown away), and with the sketch filters of other tools that are installed
# (ImageMagick and GraphicsMagick -charcoal, G'MIC -pencilbw, OpenCV pencilSketch).
# Runs are interleaved, best of 5 each; peak memory is the largest resident set of one run.
# Usage: bench/codec_floor.sh [BUILD_DIR] [MEGAPIXELS]   (defaults: build, 12)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
megapixels=${2:-12}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. bench/typical_photo.sh
typical_photo "$build" "$megapixels" "$work/photo.jpg"
cli="$build/bin/carbonel-cli"

names=(floor decode jpg jpg-1-thread bmp)
commands=(
  "djpeg -dct float '$work/photo.jpg' | cjpeg -dct float -quality 20 -baseline > '$work/floor.jpg'"
  "djpeg -dct float '$work/photo.jpg' > /dev/null"
  "'$cli' convert '$work/photo.jpg' '$work/ours.jpg'"
  "'$cli' convert '$work/photo.jpg' '$work/ours.jpg' --threads 1"
  "'$cli' convert '$work/photo.jpg' '$work/ours.bmp'"
)
if command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick; then
  names+=(imagemagick)
  commands+=("convert '$work/photo.jpg' -charcoal 1 '$work/im.jpg'")
fi
if command -v gm >/dev/null; then
  names+=(graphicsmagick)
  commands+=("gm convert '$work/photo.jpg' -charcoal 1 '$work/gm.jpg'")
fi
if command -v gmic >/dev/null; then
  names+=(gmic)
  commands+=("gmic '$work/photo.jpg' -pencilbw 0.3 -o '$work/gmic.jpg' >/dev/null 2>&1")
fi
python=/usr/bin/python3  # Debian's, where its python3-opencv lives
[ -x "$python" ] || python=python3
if "$python" -c 'import cv2' 2>/dev/null; then
  names+=(opencv)
  commands+=("$python -c \"import cv2; g, c = cv2.pencilSketch(cv2.imread('$work/photo.jpg')); cv2.imwrite('$work/cv.jpg', g)\"")
fi

declare -A best peak
for _ in 1 2 3 4 5; do
  for i in "${!names[@]}"; do
    report=$(/usr/bin/time -f '%e %M' bash -c "${commands[$i]}" 2>&1 >/dev/null | tail -1)
    seconds=${report% *}
    kilobytes=${report#* }
    name=${names[$i]}
    if [ -z "${best[$name]:-}" ] || (( $(echo "$seconds < ${best[$name]}" | bc -l) )); then
      best[$name]=$seconds
    fi
    if [ -z "${peak[$name]:-}" ] || [ "$kilobytes" -gt "${peak[$name]}" ]; then
      peak[$name]=$kilobytes
    fi
  done
done

size=$(set +o pipefail; djpeg "$work/photo.jpg" | head -c 20 | sed -n 2p)
echo "photo: $size pixels, $(stat -c %s "$work/photo.jpg") bytes (baseline, quality 92, 4:2:0)"
for name in "${names[@]}"; do
  printf '%-16s %6.2f s  %7.1f MiB  %5.2fx the floor\n' "$name" "${best[$name]}" \
    "$(echo "${peak[$name]} / 1024" | bc -l)" "$(echo "${best[$name]} / ${best[floor]}" | bc -l)"
done
