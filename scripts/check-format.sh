#!/bin/sh
# Checks that the tracked C++ sources are laid out as .clang-format says (Debian clang-format).
# Prints each place that would change and exits with 1 when there is one.
# Usage: sh scripts/check-format.sh [FILE...]   (default: every tracked .h and .cpp file)
set -e
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null 2>&1; then
  echo "clang-format is not installed (Debian: apt-get install clang-format)" >&2
  exit 2
fi
if [ $# -eq 0 ]; then
  git ls-files -z '*.h' '*.cpp' | xargs -0 clang-format --dry-run -Werror
else
  clang-format --dry-run -Werror "$@"
fi
