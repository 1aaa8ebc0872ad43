#!/bin/sh
# Installs the Debian 12 packages that building, running and testing Torvane need.
# Run as root. Installs only what is missing, so running it again is quick.
set -e
export DEBIAN_FRONTEND=noninteractive
PACKAGES="g++ cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev libpng-dev
  qt6-base-dev libqt6opengl6-dev libgl-dev libgl1-mesa-dri libglx-mesa0 libegl-mesa0
  qt6-translations-l10n
  libzip-dev libdeflate-dev libgdal-dev
  xvfb xauth fonts-ipafont-gothic unzip locales
  dpkg-dev file desktop-file-utils appstream shared-mime-info clang-format"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
fi
# A GUI test checks that numbers do not follow a decimal-comma locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
