#!/usr/bin/env bash
# Peak memory and time of `carbonel-cli convert` on the photos bench/crafted_photos.py writes: the
# largest genuine PNG, TIFF, WebP and turned JPEG, and files of a few bytes to 10 KB that declare
# 16384 x 16384 pixels in every kind; then twenty such files in one `batch --jobs 2` and four as
# `gif` frames. Prints one line each: exit status, seconds, peak resident memory, the message.
# Usage: bench/photo_memory.sh [BUILD_DIR] [FOLDER]   (the photos are made once in FOLDER)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
folder=${2:-/tmp/carbonel-crafted}
cli="$build/bin/carbonel-cli"
if [ ! -e "$folder/small.avif" ]; then
  mkdir -p "$folder"
  heif-enc -q 50 -o "$folder/seed.heic" tests/data/seed.png >/dev/null
  heif-enc -A -q 50 -o "$folder/seed.avif" tests/data/seed.png >/dev/null
  python3 bench/crafted_photos.py "$folder" "$folder/seed.heic" "$folder/seed.avif"
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

measure() {  # NAME COMMAND...
  local name=$1
  shift
  local report status
  set +e
  report=$(/usr/bin/time -f '%e %M' "$@" 2>&1)
  status=$?
  set -e
  local figures=${report##*$'\n'}
  local message=${report%$'\n'*}
  [ "$message" != "$report" ] || message=""
  printf '%-28s exit %d  %6.2f s  %7.1f MiB  %s\n' "$name" "$status" "${figures% *}" \
    "$(echo "${figures#* } / 1024" | bc -l)" "$(echo "$message" | head -c 150)"
}

for photo in big.png big.tif big.webp turned.jpg small.gif small.png small.tif small.webp \
  cut.webp small.bmp small.heic small.avif; do
  measure "$photo ($(stat -c %s "$folder/$photo") B)" "$cli" convert "$folder/$photo" "$out/out.jpg"
  rm -f "$out/out.jpg"
done

# Twenty small files in one batch, two at a time.
mkdir -p "$out/in" "$out/batch"
for i in 1 2 3; do
  for photo in small.gif small.png small.tif small.webp cut.webp small.bmp small.heic; do
    [ "$(ls "$out/in" | wc -l)" -lt 20 ] && cp "$folder/$photo" "$out/in/$i-$photo"
  done
done
measure "batch --jobs 2, 20 files" "$cli" batch --jobs 2 --quiet --out "$out/batch" "$out/in"
measure "gif, 4 frames" "$cli" gif "$out/frames.gif" "$folder/small.gif" "$folder/small.bmp" \
  "$folder/small.tif" "$folder/small.gif"
