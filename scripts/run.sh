#!/usr/bin/env bash
# Installs the dependencies, builds the program and the tool (not the tests and benchmarks), and
# starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --target carbonel carbonel-cli
exec build/bin/carbonel "$@"
