#!/bin/sh
# Builds Torvane and runs its tests (core tests, and GUI tests under Xvfb).
# Without arguments: installs the packages, builds everything and runs the whole suite.
set -e
cd "$(dirname "$0")/.."

usage() {
  cat <<'EOF'
Usage: sh scripts/test.sh [--no-deps] [--core] [CTEST-ARGUMENT...]

Builds Torvane and runs its tests. Without arguments it installs the Debian packages it needs
(as root on Debian 12), builds everything in build/ and runs every test.

  --no-deps   skip installing packages (they are already there)
  --core      build the core libraries, torvane-cli and their tests only (no desktop program,
              no GUI tests, no benchmarks) in build-core/
  --help      show this text

Any other argument goes to ctest, for example:
  sh scripts/test.sh --no-deps -L overlay      the overlay tests (labels: the test folders,
                                                elevation ... cli, layout, fuzz, gui)
  sh scripts/test.sh --no-deps --core -R Project   tests whose names match "Project"
EOF
}

deps=1
core=0
while [ $# -gt 0 ]; do
  case "$1" in
    --help | -h) usage; exit 0 ;;
    --no-deps) deps=0 ;;
    --core) core=1 ;;
    *) break ;;
  esac
  shift
done

if [ "$deps" = 1 ]; then
  sh scripts/install-deps.sh
fi
if [ "$core" = 1 ]; then
  # The shared flags in a folder of its own, so build/ keeps the desktop program.
  dir=build-core
  TORVANE_BUILD_DIR="$dir" sh scripts/configure.sh -DTORVANE_BUILD_GUI=OFF \
    -DTORVANE_BUILD_BENCH=OFF
else
  dir=build
  sh scripts/configure.sh
fi
cmake --build "$dir" -j "$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 600 "$@"
