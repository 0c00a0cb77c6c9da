#!/usr/bin/env bash
# Compares `carbonel-cli convert` JPEG -> JPEG on an 18-Mpixel photo with the codec floor: the
# reference decoder piped into the reference encoder with the same settings, on the same file.
# Usage: bench/codec_floor.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/make_scaled_photo" assets/4.jpg 18 "$work/big.bmp"
cjpeg -quality 92 -outfile "$work/big.jpg" "$work/big.bmp"
rm "$work/big.bmp"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
time_runs() {
  local runs=()
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s.%N)
    bash -c "$1"
    end=$(date +%s.%N)
    runs+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${runs[@]}" | median
}

floor=$(time_runs "djpeg -dct float '$work/big.jpg' | cjpeg -dct float -quality 20 -baseline > '$work/floor.jpg'")
ours=$(time_runs "'$build/bin/carbonel-cli' convert '$work/big.jpg' '$work/ours.jpg'")
size=$(set +o pipefail; djpeg -dct float "$work/big.jpg" | head -c 20 | sed -n 2p)
printf 'photo: %s pixels\ncodec floor (djpeg | cjpeg): %.3f s\ncarbonel-cli convert:       %.3f s\nratio: %.2f\n' \
  "$size" "$floor" "$ours" "$(echo "$ours / $floor" | bc -l)"
