#!/bin/sh
# Builds Torvane and shows the bundled demo terrain: in the desktop program when a display is
# available, otherwise as one rendered frame written to build/demo.png (under a virtual X server).
# Usage: sh scripts/demo.sh   (as root on Debian 12; installs its own packages first)
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/gui/torvane --open resources/demo/*.xml
fi
echo "No display: rendering the demo terrain to an image instead."
runtime=$(mktemp -d)
chmod 700 "$runtime"
XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1 \
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
  ./build/gui/torvane --render resources/demo/*.xml --output build/demo.png
rm -rf "$runtime"
echo "Wrote $(pwd)/build/demo.png"
