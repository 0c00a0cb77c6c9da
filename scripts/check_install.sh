#!/usr/bin/env bash
# Installs a build into a fresh prefix and checks what the desktop and the shell read: the man
# pages render without warnings, the bash completion loads and completes, the AppStream metainfo
# and the desktop entry pass their validators, and the installed tool finds its papers and its
# modules.
# Usage: scripts/check_install.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

for page in carbonel carbonel-cli; do
  file="$prefix/share/man/man1/$page.1.gz"
  warnings=$(gzip -dc "$file" | groff -ww -man -z 2>&1)
  [ -z "$warnings" ] || { echo "check_install: $page.1: $warnings" >&2; exit 1; }
  MANWIDTH=80 man -l "$file" | grep -q "^NAME" || { echo "check_install: $page.1 does not render" >&2; exit 1; }
done

completion="$prefix/share/bash-completion/completions/carbonel-cli"
words=$(PATH="$prefix/bin:$PATH" bash -c 'source "$1"; complete -p carbonel-cli >/dev/null
  COMP_WORDS=(carbonel-cli convert a.jpg b.jpg --texture pa); COMP_CWORD=5; _carbonel_cli
  echo "${COMPREPLY[*]}"' _ "$completion")
[[ " $words " == *" paper "* ]] || { echo "check_install: completion gave \"$words\"" >&2; exit 1; }
# A file name with a space is one word; "--opt=value" completes its value, split at "=" or not.
spaced=$(mktemp -d)
touch "$spaced/with space.jpg"
completes() {
  (cd "$spaced" && PATH="$prefix/bin:$PATH" bash -c 'source "$1"; shift; COMP_CWORD=$1; shift
    COMP_WORDS=("$@"); _carbonel_cli; printf "%s|" "${COMPREPLY[@]}"' _ "$completion" "$@")
}
check() {
  [[ "$1" == "$2" ]] || { echo "check_install: completion gave \"$1\", not \"$2\"" >&2; exit 1; }
}
check "$(completes 2 carbonel-cli convert with)" "with space.jpg|"
check "$(completes 4 carbonel-cli convert --style = pe)" "pen|pencil|"
check "$(completes 3 carbonel-cli convert --style =)" "pen|pencil|pastel|"
check "$(completes 2 carbonel-cli convert --format=p)" "--format=png|--format=pdf|"
check "$(completes 3 carbonel-cli animate - --format=)" "--format=gif|--format=webp|--format=mp4|"
rm -rf "$spaced"

# Not even a pedantic remark or an info line.
report=$(appstreamcli validate --no-net --pedantic \
  "$prefix/share/metainfo/io.github.carbonel.carbonel.metainfo.xml" 2>&1) ||
  { echo "$report" >&2; exit 1; }
if grep -qE '^[EWIP]: ' <<<"$report"; then echo "$report" >&2; exit 1; fi
desktop-file-validate "$prefix/share/applications/carbonel.desktop"
grep -q '^Exec=carbonel %F$' "$prefix/share/applications/carbonel.desktop"
"$prefix/bin/carbonel-cli" textures | grep -qx paper
# The installed tool finds its modules: a TIFF and a HEIC in, an SVG out.
out=$(mktemp -d)
"$prefix/bin/carbonel-cli" convert tests/data/seed.tif "$out/tif.jpg"
"$prefix/bin/carbonel-cli" convert tests/data/seed.heic "$out/heic.svg"
rm -rf "$out"
echo "check_install: the installed files pass"
