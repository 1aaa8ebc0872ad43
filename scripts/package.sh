#!/bin/sh
# Builds the Debian package build/torvane_VERSION_ARCH.deb: the two programs with their desktop
# entry, file types, icon, metainfo, man pages and the demo project.
# Usage: sh scripts/package.sh   (as root on Debian 12; installs its own packages first)
# Then: apt install ./build/torvane_*.deb
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
sh scripts/configure.sh
cmake --build build --target torvane torvane-cli -j "$(nproc)"
(cd build && cpack -G DEB)
