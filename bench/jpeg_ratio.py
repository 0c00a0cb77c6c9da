#!/usr/bin/env python3
"""Times `carbonel-cli convert` JPEG -> JPEG against `djpeg -dct float` decoding the same photo to
/dev/null: interleaved runs, best of N, perf_counter around each command.
Usage: bench/jpeg_ratio.py PHOTO.jpg [BUILD_DIR] [RUNS] [EXTRA CLI OPTIONS...]"""
import subprocess
import sys
import tempfile
import time

photo = sys.argv[1]
build = sys.argv[2] if len(sys.argv) > 2 else "build"
runs = int(sys.argv[3]) if len(sys.argv) > 3 else 9
extra = sys.argv[4:]
with tempfile.TemporaryDirectory() as work:
    commands = {
        "djpeg -dct float": (["djpeg", "-dct", "float", photo], subprocess.DEVNULL),
        "carbonel-cli convert": ([f"{build}/bin/carbonel-cli", "convert", photo,
                                  f"{work}/sketch.jpg", *extra], None),
    }
    best = {name: float("inf") for name in commands}
    for _ in range(runs):
        for name, (command, out) in commands.items():
            start = time.perf_counter()
            subprocess.run(command, stdout=out, check=True)
            best[name] = min(best[name], time.perf_counter() - start)
for name, seconds in best.items():
    print(f"{name:22} {seconds * 1000:7.1f} ms")
print(f"ratio {best['carbonel-cli convert'] / best['djpeg -dct float']:.2f}")
