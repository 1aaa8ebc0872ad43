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
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z '*.h' '*.cpp' | xargs -0 clang-format --dry-run -Werror
  else  # an unpacked source tree: every source outside the build folders
    find . -path './build*' -prune -o \( -name '*.h' -o -name '*.cpp' \) -print0 |
      xargs -0 clang-format --dry-run -Werror
  fi
else
  clang-format --dry-run -Werror "$@"
fi
