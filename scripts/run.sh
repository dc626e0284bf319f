#!/usr/bin/env bash
# Sets up and builds the Linux target, then runs the main job: the default grow-up animation
# (24 frames, "Grow up" keyframed from 0 to 100) rendered at 1920x1080 to out/velmora_####.png.
# Options after the script name go to `velmora render` (e.g. scripts/run.sh --size 960x540).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target velmora Velmora
build/linux/bin/velmora render "$@"
echo "The frames are in $(pwd)/out/ (velmora_0000.png is the first, velmora_0023.png the full tree)."
echo "The effect module is build/linux/bin/Velmora.so (Windows: build/windows/bin/Velmora.aex after 'cmake --preset windows && cmake --build --preset windows')."
