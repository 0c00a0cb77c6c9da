#!/usr/bin/env bash
# Installs a built Debian package into a fresh, minimal Debian 12 (a chroot from the base that
# shared/fresh-ci.sh caches, or made here with debootstrap) and checks it as a user would:
# apt-get pulls in every dependency, carbonel-cli converts a photo (and through its modules a HEIC
# and a TIFF, into SVG and MP4 too), `man carbonel-cli` shows the page and the desktop entry
# validates. Needs root and Debian's package mirror.
# Usage: scripts/check_package.sh PACKAGE.deb
set -euo pipefail
package=$(realpath "${1:?usage: check_package.sh PACKAGE.deb}")
cache=${FRESH_CACHE:-/var/tmp/fresh-debian-base.tar}
root=$(mktemp -d /var/tmp/check-package-XXXX)
cleanup() {
  umount "$root/dev" "$root/proc" 2>/dev/null || true
  # Never remove the chroot while the machine's own /dev or /proc is still mounted in it.
  if mountpoint -q "$root/dev" || mountpoint -q "$root/proc"; then
    echo "check_package: $root is still mounted; left in place" >&2
    return
  fi
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
if [ -s "$cache" ]; then
  tar -C "$root" -xf "$cache"
else
  mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  debootstrap --variant=minbase bookworm "$root" "${mirror:-http://deb.debian.org/debian}" >/dev/null
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$package" "$root/tmp/"
data=$(dirname "$0")/../tests/data
cp "$data/seed.heic" "$data/seed.tif" "$root/tmp/"
mount --bind /proc "$root/proc"
mount --bind /dev "$root/dev"
chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  DEBIAN_FRONTEND=noninteractive bash -euo pipefail -c '
  apt-get update -q >/dev/null
  apt-get install -y -q --no-install-recommends "/tmp/$(basename "$1")" man-db desktop-file-utils >/dev/null
  carbonel-cli convert /usr/share/carbonel/4.jpg /tmp/sketch.jpg --texture paper
  [ -s /tmp/sketch.jpg ] || { echo "check_package: no sketch written" >&2; exit 1; }
  # The modules come with the package and bring their libraries in: a HEIC and a TIFF in, an SVG
  # and an MP4 out.
  carbonel-cli convert /tmp/seed.heic /tmp/heic.svg
  carbonel-cli convert /tmp/seed.tif /tmp/tif.jpg
  carbonel-cli animate /tmp/frames.mp4 /tmp/sketch.jpg /tmp/tif.jpg
  MANWIDTH=80 man carbonel-cli | grep -q "batch --plan" || { echo "check_package: no page" >&2; exit 1; }
  desktop-file-validate /usr/share/applications/carbonel.desktop
  echo "check_package: $(basename "$1") installs with its dependencies and works"
' _ "$package"
