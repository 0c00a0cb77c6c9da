#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UBSan (in build-fuzz), seeds each
# corpus from tests/data, and runs every target for SECONDS (default 30). A crash stops the run;
# its input is kept in build-fuzz/artifacts/TARGET/ (make it a regression test). Each run starts
# with no artifacts, so one found earlier fails neither this run nor another target.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_bmp fuzz_jpeg fuzz_texture fuzz_gif_frames fuzz_convert fuzz_png fuzz_tiff
  fuzz_webp fuzz_gif fuzz_heif)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCARBONEL_FUZZ=ON -DCARBONEL_BUILD_TESTS=OFF -DCARBONEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]}"

rm -rf build-fuzz/artifacts
for target in "${targets[@]}"; do
  artifacts=build-fuzz/artifacts/$target
  mkdir -p "$artifacts"
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  case $target in
    fuzz_jpeg | fuzz_convert) cp -n tests/data/*.jpg "$corpus/" ;;
    fuzz_bmp | fuzz_texture) cp -n tests/data/*.bmp assets/texture/*.bmp "$corpus/" ;;
    fuzz_png) cp -n tests/data/*.png "$corpus/" ;;
    fuzz_tiff) cp -n tests/data/*.tif "$corpus/" ;;
    fuzz_webp) cp -n tests/data/*.webp "$corpus/" ;;
    fuzz_gif) cp -n tests/data/*.gif "$corpus/" ;;
    fuzz_heif) cp -n tests/data/*.heic tests/data/*.avif "$corpus/" ;;
    *) cp -n tests/data/*.jpg tests/data/*.bmp "$corpus/" ;;
  esac
  echo "== $target, $seconds s"
  LSAN_OPTIONS=suppressions=fuzz/lsan.supp "build-fuzz/bin/$target" "$corpus" -max_total_time="$seconds" -rss_limit_mb=4096 \
    -timeout=20 -max_len=1048576 -artifact_prefix="$artifacts/" -print_final_stats=1 \
    >"build-fuzz/$target.log" 2>&1 || true
  grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)" "build-fuzz/$target.log" || true
  # libFuzzer's own status is what counts: a crash, leak, time-out or memory overrun leaves an
  # artifact.
  if compgen -G "$artifacts/*" >/dev/null; then
    grep -v -E "^(#[0-9]+ |INFO: |MS: )" "build-fuzz/$target.log" | tail -40 >&2
    echo "fuzz.sh: $target failed; its input is in $artifacts/" >&2
    exit 1
  fi
done
