#!/bin/sh
# Runs one GUI test executable on its own virtual X display with Mesa's software OpenGL, so the
# tests need neither a display nor a GPU. Usage: run-under-xvfb.sh PROGRAM [ARGS...]
set -e
runtime=$(mktemp -d "${TMPDIR:-/tmp}/torvane-xdg.XXXXXX")
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT INT TERM
export XDG_RUNTIME_DIR="$runtime"
export QT_QPA_PLATFORM=xcb
export LIBGL_ALWAYS_SOFTWARE=1
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "xvfb-run is not installed (see scripts/install-deps.sh)" >&2
  exit 1
fi
# -noreset avoids a sporadic cleanup error of xvfb-run.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"
