#!/usr/bin/env bash
# Times `carbonel-cli video` on 1080p clips with sound against ffmpeg's own transcode of the same
# clip (`ffmpeg -i CLIP -c:v libx264 -preset veryfast -c:a copy OUT.mp4`), runs interleaved, best
# of 3 each, and compares the peak resident memory of a 10-second and a 20-second clip: streaming,
# memory must not grow with the length. Clips, made with ffmpeg's generated sources:
#   testsrc2  ffmpeg's moving test pattern, 1920x1080 at 25 fps, a 440 Hz tone (AAC)
#   photo     assets/4.jpg scaled up and panned across, the same frame, rate and tone
# Usage: bench/video_speed.sh [BUILD_DIR] [SECONDS]   (defaults: build, 10)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-10}
cli="$(cd "$build" && pwd)/bin/carbonel-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# make CLIP SECONDS
make() {
  local inputs
  case "$1" in
    testsrc2) inputs=(-f lavfi -i testsrc2=size=1920x1080:rate=25 -f lavfi -i sine=frequency=440
                      -map 0 -map 1) ;;
    photo) inputs=(-framerate 25 -loop 1 -i assets/4.jpg -f lavfi -i sine=frequency=440
                   -filter_complex "[0]scale=2880:-2,crop=1920:1080:x='min(t*40\,iw-1920)':y='(ih-1080)/2+t*10'[v]"
                   -map "[v]" -map 1) ;;
  esac
  ffmpeg -v error -y "${inputs[@]}" -t "$2" -c:v libx264 -pix_fmt yuv420p -c:a aac \
    "$work/$1-$2.mp4"
}

# run NAME COMMAND...: seconds and peak KiB of one run, as "SECONDS KIB"
run() {
  /usr/bin/time -f '%e %M' "$@" 2>&1 >/dev/null | tail -1
}

for clip in testsrc2 photo; do
  make "$clip" "$seconds"
  input="$work/$clip-$seconds.mp4"
  best_ffmpeg=""; best_ours=""; peak=0
  for _ in 1 2 3; do
    report=$(run ffmpeg -v error -y -i "$input" -c:v libx264 -preset veryfast -c:a copy \
      "$work/ffmpeg.mp4")
    t=${report% *}
    if [ -z "$best_ffmpeg" ] || (( $(echo "$t < $best_ffmpeg" | bc -l) )); then best_ffmpeg=$t; fi
    report=$(run "$cli" video "$input" "$work/ours.mp4" -q)
    t=${report% *}
    if [ -z "$best_ours" ] || (( $(echo "$t < $best_ours" | bc -l) )); then best_ours=$t; fi
    [ "${report#* }" -le "$peak" ] || peak=${report#* }
  done
  frames=$(ffprobe -v error -count_packets -show_entries stream=nb_read_packets -select_streams v \
    -of csv=p=0 "$input")
  printf '%-9s %s s, %s frames: ffmpeg %s s, carbonel-cli video %s s (%.2fx), peak %d MiB\n' \
    "$clip" "$seconds" "$frames" "$best_ffmpeg" "$best_ours" \
    "$(echo "$best_ours / $best_ffmpeg" | bc -l)" $((peak / 1024))
done

# Memory does not grow with the clip's length.
make testsrc2 $((2 * seconds))
for length in "$seconds" $((2 * seconds)); do
  report=$(run "$cli" video "$work/testsrc2-$length.mp4" "$work/ours.mp4" -q)
  printf 'testsrc2  %s s: %s s, peak %d MiB\n' "$length" "${report% *}" $((${report#* } / 1024))
done
