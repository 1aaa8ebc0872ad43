#!/bin/sh
# Builds Torvane and opens the bundled demo terrain.
# Usage: sh scripts/demo.sh   (as root on Debian 12; installs its own packages first)
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
./build/cli/torvane-cli info resources/demo/*.xml
