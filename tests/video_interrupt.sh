#!/usr/bin/env bash
# carbonel-cli video stopped by SIGINT or SIGTERM once its first frames are written (its progress
# line says so) leaves no file, no temporary and no frame of a numbered sequence behind, and ends
# with status 128 + the signal.
# Usage: tests/video_interrupt.sh BUILD_DIR
set -euo pipefail
cli=$(cd "$1" && pwd)/bin/carbonel-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "video_interrupt: $*" >&2; exit 1; }

# A minute of video: far more than the time it takes to see the first frames written.
ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440 -t 60 \
  -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "$work/long.mp4"
mkdir "$work/out"
count=0
for signal in INT TERM; do
  for output in out.mp4 out.webm out.gif '%05d.png'; do
    CARBONEL_PROGRESS=1 "$cli" video "$work/long.mp4" "$work/out/$output" 2> "$work/err" &
    pid=$!
    # Waits for the progress line: the first frames are then written.
    for _ in $(seq 600); do
      grep -q "frame" "$work/err" && break
      kill -0 "$pid" 2> /dev/null || break
      sleep 0.05
    done
    grep -q "frame" "$work/err" || fail "$output: no progress: $(cat "$work/err")"
    kill "-$signal" "$pid"
    status=0
    wait "$pid" || status=$?
    expected=$((128 + $(kill -l "$signal")))
    [ "$status" -eq "$expected" ] || fail "SIG$signal, $output: status $status, not $expected"
    grep -q "carbonel-cli: interrupted: nothing written to $work/out/$output" "$work/err" ||
      fail "SIG$signal, $output: $(tr '\r' '\n' < "$work/err")"
    [ -z "$(ls -A "$work/out")" ] || fail "SIG$signal, $output: left $(ls -A "$work/out")"
    count=$((count + 1))
  done
done
echo "video_interrupt: $count passed, 0 failed"
