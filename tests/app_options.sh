#!/usr/bin/env bash
# The program answers --help and --version on standard output and exits 0 without a window: with
# no display to open one on, any attempt would fail. An unknown option is bad usage (status 2).
# Usage: tests/app_options.sh BUILD_DIR
set -euo pipefail
app="$(cd "$1" && pwd)/bin/carbonel"
fail() { echo "app_options: $*" >&2; exit 1; }
run() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$app" "$@"; }

help=$(run --help) || fail "--help exited $?"
grep -q "^Usage: carbonel \[PHOTO\]" <<< "$help" || fail "--help printed: $help"
[ "$(run --version)" = "carbonel $2" ] || fail "--version printed: $(run --version)"
said=$(mktemp)
trap 'rm -f "$said"' EXIT
status=0
run --no-such-option > /dev/null 2> "$said" || status=$?
[ "$status" -eq 2 ] || fail "an unknown option exited $status"
grep -q "unknown option '--no-such-option'" "$said" || fail "an unknown option said: $(cat "$said")"
echo "app_options: 1 passed, 0 failed"
