#!/usr/bin/env bash
# Sets up and builds the Linux target, then runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)"
if [ -x build/linux/bin/velmora ]; then
    build/linux/bin/velmora params
fi
echo "The effect module is build/linux/bin/Velmora.so (Windows: build/windows/bin/Velmora.aex after 'cmake --preset windows && cmake --build --preset windows')."
