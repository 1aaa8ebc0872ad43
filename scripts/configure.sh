#!/bin/sh
# Configures the build folder `build` with the one set of flags that demo.sh, test.sh and
# package.sh share, so each of them reuses what the others built.
# Usage: sh scripts/configure.sh [MORE CMAKE ARGUMENTS]
# (TORVANE_BUILD_DIR names another folder, as test.sh --core does.)
set -e
cd "$(dirname "$0")/.."
cmake -S . -B "${TORVANE_BUILD_DIR:-build}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVANE_WERROR=ON \
  -DTORVANE_BUILD_GUI=ON "$@"
