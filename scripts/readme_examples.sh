#!/usr/bin/env bash
# Runs every example of README's command-line section as written (the indented lines that start
# with build/bin/carbonel-cli, cat or mkdir), in order, in a scratch folder that sees the
# repository's build/, tests/ and assets/ as the repository root does. Any failure fails the run.
# Usage: scripts/readme_examples.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
ln -s "$build" "$scratch/build"
ln -s "$root/tests" "$scratch/tests"
ln -s "$root/assets" "$scratch/assets"
cd "$scratch"
count=0
while IFS= read -r example; do
  if ! bash -euo pipefail -c "$example" >/dev/null 2>"$scratch/.stderr"; then
    echo "readme_examples: failed: $example" >&2
    cat "$scratch/.stderr" >&2
    exit 1
  fi
  count=$((count + 1))
done < <(sed -n '/^## The command-line tool/,/^## /p' "$root/README.md" |
  sed -n -E 's/^    ((build\/bin\/carbonel-cli|cat|mkdir) .*)$/\1/p')
[ "$count" -gt 0 ] || { echo "readme_examples: no examples found" >&2; exit 1; }
echo "readme_examples: all $count examples ran"
