#!/usr/bin/env bash
# carbonel-cli video when the system refuses threads (a limit on the user's processes, from 1 to
# 12): it either writes every frame exactly as without the limit, with the threads it got, or
# fails with status 1 and a message; it never aborts. Lowering another user's limit takes root:
# skipped (77) otherwise.
# Usage: tests/thread_refusal.sh BUILD_DIR
set -euo pipefail
cli=$(cd "$1" && pwd)/bin/carbonel-cli
[ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null && command -v prlimit > /dev/null || exit 77
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "thread_refusal: $*" >&2; exit 1; }
chmod 755 "$work"
ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=10 -t 1 -pix_fmt yuv420p "$work/clip.mp4"
mkdir "$work/reference"
"$cli" video "$work/clip.mp4" "$work/reference/%03d.png" -q
for limit in $(seq 1 12); do
  out="$work/limit$limit"
  mkdir "$out"
  chmod 777 "$out"
  status=0
  setpriv --reuid=65534 --regid=65534 --clear-groups prlimit --nproc="$limit" \
    "$cli" video "$work/clip.mp4" "$out/%03d.png" -q --threads 3 2> "$work/err" || status=$?
  case $status in
    0) diff -r "$work/reference" "$out" > /dev/null || fail "limit $limit: other frames" ;;
    1) [ -s "$work/err" ] || fail "limit $limit: failed without a message" ;;
    *) fail "limit $limit: status $status: $(cat "$work/err")" ;;
  esac
done
