#!/usr/bin/env bash
# Times the window's start under Xvfb with openbox: from exec to the main window mapped (polled
# with xdotool), and, with a photo given on the command line, to the photo pane first painted with
# it (the program's own stamp, CARBONEL_START_STAMPS). Each run starts with a fresh settings folder.
# Usage: bench/window_start.sh [BUILD_DIR] [PHOTO] [RUNS]   (defaults: build, none, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
photo=${2:-}
runs=${3:-5}
work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
sleep 1
now() { date +%s%N; }
mapped=() shown=()
for run in $(seq "$runs"); do
  home="$work/home$run"
  mkdir -p "$home"
  start=$(now)
  HOME="$home" XDG_CONFIG_HOME="$home/.config" CARBONEL_START_STAMPS="$work/stamps$run" \
    "$build/bin/carbonel" ${photo:+"$photo"} >/dev/null 2>&1 &
  app=$!
  until xdotool search --onlyvisible --name '^Carbonel Pro' >/dev/null 2>&1; do :; done
  mapped+=($(( ($(now) - start) / 1000000 )))
  if [ -n "$photo" ]; then
    for _ in $(seq 300); do grep -q '^photo ' "$work/stamps$run" 2>/dev/null && break; sleep 0.01; done
    shown+=($(( ($(awk '/^photo /{print $2}' "$work/stamps$run") - start) / 1000000 )))
  fi
  sleep 0.5
  kill $app; wait $app 2>/dev/null || true
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "mapped (ms): ${mapped[*]}  median $(median "${mapped[@]}")"
[ -z "$photo" ] || echo "photo shown (ms): ${shown[*]}  median $(median "${shown[@]}")"
