#!/usr/bin/env bash
# Installs the dependencies, builds everything and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
exec build/bin/carbonel "$@"
