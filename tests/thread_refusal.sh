#!/usr/bin/env bash
# carbonel-cli video when the system refuses threads (a limit on the user's processes, from 1 to
# 12): it either writes every frame exactly as without the limit, with the threads it got, or
# fails with a message; it never aborts. Lowering another user's limit takes root:
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
as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
mkdir -m 777 "$work/reference"
# Where that user cannot reach the program or the files (a private build folder, a chroot whose
# root only root may enter), there is nothing to test.
if ! as_nobody "$cli" video "$work/clip.mp4" "$work/reference/%03d.png" -q 2> "$work/err"; then
  echo "thread_refusal: skipped, user nobody cannot run the program here: $(cat "$work/err")" >&2
  exit 77
fi
for limit in $(seq 1 12); do
  out="$work/limit$limit"
  mkdir -m 777 "$out"
  status=0
  prlimit --nproc="$limit" -- setpriv --reuid=65534 --regid=65534 --clear-groups \
    "$cli" video "$work/clip.mp4" "$out/%03d.png" -q --threads 3 2> "$work/err" || status=$?
  if [ "$status" -eq 0 ]; then
    diff -r "$work/reference" "$out" > /dev/null || fail "limit $limit: other frames"
  elif [ "$status" -ge 128 ] || [ ! -s "$work/err" ]; then
    # A signal (an abort), or a failure without a word.
    fail "limit $limit: status $status: $(cat "$work/err")"
  fi
done
