#!/usr/bin/env bash
# Times PNG sketches against the same sketch as JPEG and BMP, and against Pillow writing the same
# pixels as PNG at zlib level 1 (loading them from BMP included), on a typical camera JPEG (4.jpg
# scaled, baseline, quality 92, 4:2:0). Interleaved runs, best of 5; sizes of the files.
# Usage: bench/png_speed.sh [BUILD_DIR] [MEGAPIXELS] [STYLE]   (defaults: build, 12, pencil)
# With BASELINE_CLI=path/to/an/older/carbonel-cli its PNG is timed in the same runs.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
megapixels=${2:-12}
style=${3:-pencil}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. bench/typical_photo.sh
typical_photo "$build" "$megapixels" "$work/photo.jpg"
cli="$build/bin/carbonel-cli"
"$cli" convert "$work/photo.jpg" "$work/sketch.bmp" --style "$style"

names=(png png-1-thread png-level-6 jpg bmp pillow-level-1)
commands=(
  "'$cli' convert '$work/photo.jpg' '$work/ours.png' --style $style"
  "'$cli' convert '$work/photo.jpg' '$work/ours1.png' --style $style --threads 1"
  "'$cli' convert '$work/photo.jpg' '$work/ours6.png' --style $style --png-level 6"
  "'$cli' convert '$work/photo.jpg' '$work/ours.jpg' --style $style"
  "'$cli' convert '$work/photo.jpg' '$work/ours.bmp' --style $style"
  "/usr/bin/python3 -c \"from PIL import Image; Image.open('$work/sketch.bmp').save('$work/pillow.png', compress_level=1)\""
)
if [ -n "${BASELINE_CLI:-}" ]; then
  names+=(baseline-png)
  commands+=("'$BASELINE_CLI' convert '$work/photo.jpg' '$work/baseline.png' --style $style")
fi

declare -A best
for _ in 1 2 3 4 5; do
  for i in "${!names[@]}"; do
    seconds=$(/usr/bin/time -f '%e' bash -c "${commands[$i]}" 2>&1 >/dev/null | tail -1)
    name=${names[$i]}
    if [ -z "${best[$name]:-}" ] || (( $(echo "$seconds < ${best[$name]}" | bc -l) )); then
      best[$name]=$seconds
    fi
  done
done
declare -A files=([png]=ours.png [png-1-thread]=ours1.png [png-level-6]=ours6.png [jpg]=ours.jpg
                  [bmp]=ours.bmp [pillow-level-1]=pillow.png [baseline-png]=baseline.png)
printf '%-16s %8s %12s\n' output seconds bytes
for name in "${names[@]}"; do
  printf '%-16s %8s %12s\n' "$name" "${best[$name]}" "$(stat -c %s "$work/${files[$name]}")"
done
