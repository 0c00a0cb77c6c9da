#!/usr/bin/env bash
# A module left in the working folder is never loaded, even when the program cannot read its own
# path: in a mount namespace whose /proc is hidden, a TIFF is refused as "not installed" and the
# planted libcarbonel_tiff.so, whose constructor would leave a file, leaves none. The same run with
# /proc in place reads the TIFF through the real module.
# Usage: tests/planted_module.sh BUILD_DIR   (needs root for the namespace; exit 77 skips)
set -euo pipefail
cli="$(cd "$1" && pwd)/bin/carbonel-cli"
data="$(cd "$(dirname "$0")/data" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "planted_module: $*" >&2; exit 1; }

cd "$work"
cp "$data/seed.tif" photo.tif
cat > planted.c <<'C'
#include <stdio.h>
__attribute__((constructor)) static void planted(void) {
    FILE* f = fopen("PLANTED-MODULE-RAN", "w");
    if (f) fclose(f);
}
C
cc -shared -fPIC -o libcarbonel_tiff.so planted.c
"$cli" convert photo.tif with-proc.jpg || fail "the TIFF did not convert with /proc in place"
[ ! -e PLANTED-MODULE-RAN ] || fail "the planted module ran with /proc in place"

# /proc is made private in the new namespace before it is hidden, so nothing reaches the machine's
# own (propagation is left as it is: a chroot's root is no mount point to change).
hide_proc() { unshare -m --propagation unchanged sh -c 'mount --make-private /proc && mount -t tmpfs none /proc && exec "$@"' _ "$@"; }
if ldd "$cli" | grep -q libasan; then
  echo "planted_module: skipped: AddressSanitizer cannot run without /proc"
  exit 77
fi
if ! hide_proc true 2> /dev/null; then
  echo "planted_module: skipped: cannot make a mount namespace here"
  exit 77
fi
status=0
hide_proc "$cli" convert photo.tif without-proc.jpg 2> message || status=$?
[ ! -e PLANTED-MODULE-RAN ] || fail "the planted module was loaded from the working folder"
# Without its own path the program may use only the module folders fixed at build time: where
# none holds the module, the TIFF is refused with the reason.
installed=$(ls /usr/local/lib/carbonel/modules/libcarbonel_tiff.so \
  /usr/lib/carbonel/modules/libcarbonel_tiff.so 2> /dev/null || true)
if [ -z "$installed" ]; then
  [ "$status" -eq 1 ] || fail "status $status without /proc: $(cat message)"
  grep -q "TIFF support is not installed" message || fail "no reason given: $(cat message)"
  [ ! -e without-proc.jpg ] || fail "a sketch was written without the module"
fi
echo "planted_module: 1 passed, 0 failed"
