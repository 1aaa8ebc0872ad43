#!/bin/sh
# Configures the build folder `build` with the one set of flags that demo.sh, test.sh and
# package.sh share, so each of them reuses what the others built.
# Usage: sh scripts/configure.sh [MORE CMAKE ARGUMENTS]
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVANE_WERROR=ON \
  -DTORVANE_BUILD_GUI=ON "$@"
