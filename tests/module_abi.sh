#!/usr/bin/env bash
# Each module exports carbonel_module alone; the loader refuses a module of another build and a
# file that is no library, each with one line and status 1, where a copy of the real module
# beside a copy of the program loads.
# Usage: tests/module_abi.sh BUILD_DIR OTHER_ABI_MODULE
set -euo pipefail
bin="$(cd "$1" && pwd)/bin"
other=$2
source="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "module_abi: $*" >&2; exit 1; }

modules=("$bin"/libcarbonel_*.so)
[ -e "${modules[0]}" ] || fail "no module in $bin"
for module in "${modules[@]}"; do
  exported=$(nm -D --defined-only "$module" | awk '{ print $NF }' | tr '\n' ' ')
  [ "$exported" = "carbonel_module " ] || fail "$(basename "$module") exports: $exported"
done

# A copy of the program looks for its modules beside itself (and in ../lib/carbonel/modules,
# which stays empty here).
mkdir "$work/bin"
cp "$bin/carbonel-cli" "$work/bin/"
cp "$source/tests/data/seed.tif" "$work/photo.tif"
convert() {
  rm -f "$work/sketch.jpg"
  status=0
  "$work/bin/carbonel-cli" convert "$work/photo.tif" "$work/sketch.jpg" 2> "$work/message" || status=$?
}
refused() {  # EXPECTED-LINE
  [ "$status" -eq 1 ] || fail "status $status: $(cat "$work/message")"
  [ "$(cat "$work/message")" = "$1" ] || fail "said '$(cat "$work/message")', not '$1'"
  [ ! -e "$work/sketch.jpg" ] || fail "a sketch was written without a usable module"
}

cp "$bin/libcarbonel_tiff.so" "$work/bin/"
convert
[ "$status" -eq 0 ] || fail "the real module was refused: $(cat "$work/message")"

abi=$(sed -n 's/^inline constexpr int kModuleAbi = \([0-9]*\);$/\1/p' "$source/src/imageio/module_abi.h")
[ -n "$abi" ] || fail "no kModuleAbi in module_abi.h"
cp "$other" "$work/bin/libcarbonel_tiff.so"
convert
refused "carbonel-cli: $work/photo.tif: TIFF support is not installed: libcarbonel_tiff.so is from another build of Carbonel (module ABI $((abi + 1)), this program needs $abi)"

echo "not a library" > "$work/bin/libcarbonel_tiff.so"
convert
refused "carbonel-cli: $work/photo.tif: TIFF support is not installed: $work/bin/libcarbonel_tiff.so is not a shared library"
echo "module_abi: 1 passed, 0 failed"
