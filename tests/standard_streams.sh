#!/usr/bin/env bash
# Standard input and output leave nothing behind: JPEG and PNG need no temporary folder at all, a
# BMP written to standard output leaves no file in it after any signal or a broken pipe, and what
# is not a picture is refused after its first bytes, whatever follows.
# Usage: tests/standard_streams.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(cd "$1" && pwd)/bin/carbonel-cli
photo=$root/tests/data/coffee.jpg
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "standard_streams: $*" >&2; exit 1; }

for format in jpg png; do
  "$cli" convert "$photo" "$work/file.$format"
  TMPDIR=/nonexistent "$cli" convert - - --format "$format" < "$photo" > "$work/piped.$format" ||
    fail "--format $format needs a temporary folder"
  cmp -s "$work/file.$format" "$work/piped.$format" || fail "--format $format differs from a file"
done

# A PNG or GIF from a pipe is decoded as it arrives, into the sketch of the same file.
for streamed in "$root/tests/data/seed.png" "$root/tests/data/seed.gif"; do
  "$cli" convert "$streamed" "$work/file.bmp"
  cat "$streamed" | "$cli" convert - "$work/piped.bmp"
  cmp -s "$work/file.bmp" "$work/piped.bmp" || fail "a piped $(basename "$streamed") differs from the file"
done

tmp=$work/tmp
mkdir "$tmp"
for signal in INT TERM HUP KILL; do
  # Half the photo, then nothing for a while: the conversion waits in the middle of its BMP.
  { head -c 40000 "$photo"; sleep 5; } |
    TMPDIR=$tmp "$cli" convert - - --format bmp > /dev/null 2>&1 &
  pid=$!
  held=0
  for _ in $(seq 50); do
    # find fails on a descriptor that closes while it looks: that is not a failure here.
    held=$({ find "/proc/$pid/fd" -lname "$tmp/*" 2>/dev/null || true; } | wc -l)
    [ "$held" -gt 0 ] && break
    sleep 0.1
  done
  [ "$held" -gt 0 ] || fail "SIG$signal: the conversion holds no temporary file"
  kill "-$signal" "$pid"
  wait "$pid" 2>/dev/null || true
  [ -z "$(ls -A "$tmp")" ] || fail "SIG$signal left $(ls -A "$tmp")"
done

set +o pipefail
TMPDIR=$tmp "$cli" convert "$photo" - --format bmp | head -c 10 > /dev/null
status=${PIPESTATUS[0]}
set -o pipefail
[ "$status" -eq 141 ] || fail "a broken pipe ended with status $status"
[ -z "$(ls -A "$tmp")" ] || fail "a broken pipe left $(ls -A "$tmp")"

# A gibibyte of zero bytes is refused at once, in little memory.
set +o pipefail
head -c 1073741824 /dev/zero | /usr/bin/time -f '%M' -o "$work/peak" "$cli" convert - - \
  > /dev/null 2> "$work/err" || true
set -o pipefail
grep -q "standard input: Unknown picture format" "$work/err" || fail "zeros: $(cat "$work/err")"
peak=$(tail -n 1 "$work/peak")
# 64 MiB, or what the tool takes to start and 16 MiB where that is more (a sanitizer's build).
/usr/bin/time -f '%M' -o "$work/start" "$cli" --version > /dev/null
limit=$(($(tail -n 1 "$work/start") + 16384))
[ "$limit" -ge 65536 ] || limit=65536
[ "$peak" -le "$limit" ] || fail "zeros took $peak KiB (at most $limit)"
echo "standard_streams: 1 passed, 0 failed"
