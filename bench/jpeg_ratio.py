#!/usr/bin/env python3
"""Times `carbonel-cli convert` JPEG -> JPEG against `djpeg -dct float` decoding the same photo to
/dev/null: interleaved runs, best of N, perf_counter around each command. The conversion is timed
twice: into a file (written, synced to the disk and renamed into place, as always) and into
/dev/null, as the decoder's output goes. The median is printed beside the best: on a shared
machine two busy threads are sometimes slowed together, which one thread is not.
Usage: bench/jpeg_ratio.py PHOTO.jpg [BUILD_DIR] [RUNS] [EXTRA CLI OPTIONS...]"""
import statistics
import subprocess
import sys
import tempfile
import time

photo = sys.argv[1]
build = sys.argv[2] if len(sys.argv) > 2 else "build"
runs = int(sys.argv[3]) if len(sys.argv) > 3 else 9
extra = sys.argv[4:]
cli = f"{build}/bin/carbonel-cli"
with tempfile.TemporaryDirectory() as work:
    commands = {
        "djpeg -dct float": ["djpeg", "-dct", "float", "-outfile", "/dev/null", photo],
        "convert, into a file": [cli, "convert", photo, f"{work}/sketch.jpg", *extra],
        "convert, to /dev/null": [cli, "convert", photo, "/dev/null", "--format", "jpg", *extra],
    }
    times = {name: [] for name in commands}
    for _ in range(runs):
        for name, command in commands.items():
            start = time.perf_counter()
            subprocess.run(command, check=True)
            times[name].append(time.perf_counter() - start)
decode = min(times["djpeg -dct float"])
for name, seconds in times.items():
    best = min(seconds)
    print(f"{name:24} best {best * 1000:6.1f} ms ({best / decode:.2f}x)"
          f"   median {statistics.median(seconds) * 1000:6.1f} ms")
