#!/usr/bin/env bash
# Times the window's start under Xvfb with openbox: from exec to the main window mapped (polled
# with xdotool), and to the moments the program stamps (CARBONEL_START_STAMPS): main entered, the
# application made, the window made, shown, and the photo pane first painted (with the photo given
# on the command line, or the start picture). Each run starts with a fresh settings folder.
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
mapped=()
declare -A moments
for run in $(seq "$runs"); do
  home="$work/home$run"
  mkdir -p "$home"
  start=$(now)
  HOME="$home" XDG_CONFIG_HOME="$home/.config" CARBONEL_START_STAMPS="$work/stamps$run" \
    "$build/bin/carbonel" ${photo:+"$photo"} >/dev/null 2>&1 &
  app=$!
  until xdotool search --onlyvisible --name '^Carbonel Pro' >/dev/null 2>&1; do :; done
  mapped+=($(( ($(now) - start) / 1000000 )))
  for _ in $(seq 300); do grep -q '^photo ' "$work/stamps$run" 2>/dev/null && break; sleep 0.01; done
  while read -r moment at; do
    moments[$moment]+="$(( (at - start) / 1000000 )) "
  done < "$work/stamps$run"
  sleep 0.5
  kill $app; wait $app 2>/dev/null || true
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for moment in main application window shown; do
  echo "$moment (ms): ${moments[$moment]} median $(median ${moments[$moment]})"
done
echo "mapped (ms): ${mapped[*]}  median $(median "${mapped[@]}")"
echo "photo painted (ms): ${moments[photo]} median $(median ${moments[photo]})"
