#!/usr/bin/env bash
# Builds the Debian package from a build folder into a scratch folder and checks that lintian has
# nothing to say about it (no error, warning or note it shows by default).
# Usage: scripts/check_lintian.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: check_lintian.sh BUILD_DIR}" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" > "$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log" >&2; exit 1; }
said=$(lintian --allow-root "$out"/carbonel_*.deb 2>&1) || true
if [ -n "$said" ]; then
  echo "check_lintian: lintian says:" >&2
  echo "$said" >&2
  exit 1
fi
echo "check_lintian: 1 passed, 0 failed"
