#!/usr/bin/env bash
# Runs the desktop session test inside its own X server with a window manager, as a user's
# desktop would run the window.
# Usage: tests/desktop_session.sh TEST_BINARY
set -euo pipefail
exec xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  openbox > /dev/null 2>&1 &
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id" && break
    sleep 0.1
  done
  QT_QPA_PLATFORM=xcb "$0"
  status=$?
  kill %1 2> /dev/null || true
  exit $status' "$1"
