#!/bin/sh
# Builds the desktop program alone and shows the bundled demo project (resources/demo/demo.tvp):
# in the window when a display is available, otherwise as one rendered frame written to
# build/demo.png (under a virtual X server).
# Usage: sh scripts/demo.sh   (as root on Debian 12; installs its own packages first)
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
sh scripts/configure.sh
cmake --build build --target torvane -j "$(nproc)"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/gui/torvane resources/demo/demo.tvp
fi
echo "No display: rendering the demo project to an image instead."
runtime=$(mktemp -d)
chmod 700 "$runtime"
XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1 \
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
  ./build/gui/torvane --render resources/demo/demo.tvp --output build/demo.png
rm -rf "$runtime"
echo "Wrote $(pwd)/build/demo.png"
