#!/bin/sh
# Builds Torvane and runs the whole test suite (core tests, and GUI tests under Xvfb).
# Usage: sh scripts/test.sh   (as root on Debian 12; installs its own packages first)
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
sh scripts/configure.sh
cmake --build build -j "$(nproc)"
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 600
