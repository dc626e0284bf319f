#!/usr/bin/env bash
# The main job: sets up and builds the Linux target, then renders the demo, two seconds (48
# frames at 24 fps) in which the tree grows from nothing to its full height, framed whole in a
# 1920x1080 picture, to out/velmora_0000.png ... out/velmora_0047.png in the current folder.
#
# Options go on to `velmora render` after the demo's own, so a later one wins:
#   scripts/run.sh --size 960x540 --out /tmp/demo/f_####.png --set "Rendering mode=Flat"
# --frames or --frame replaces the demo's range (the animation stays the same: frames 5-6 alone
# are frames 5-6 of the whole), and --params replaces the demo's own settings (growth, scale
# and position) with the file's. VELMORA_BIN=FOLDER skips set-up and build and runs the velmora
# already built in FOLDER.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
bin="${VELMORA_BIN:-}"
if [ -z "$bin" ]; then
    "$repo/scripts/setup.sh"
    (cd "$repo" && cmake --preset linux >/dev/null &&
        cmake --build --preset linux -j "$(nproc)" --target velmora Velmora)
    bin="$repo/build/linux/bin"
fi

# The effect's defaults make the full tree taller than a 16:9 picture (it is sized by the
# layer's width); at 70 % with its foot near the bottom edge it stands whole in the frame. The
# position is in percent, so any --size frames it the same.
frames=(--frames 0-47)
settings=(--set "Grow up=0@0,100@47" --set "Scale=70" --set "Position=50%,96.3%")
for arg in "$@"; do
    case "$arg" in
        --frames|--frames=*|--frame|--frame=*) frames=() ;;
        --params|--params=*) settings=() ;;
    esac
done
echo "velmora: the effect module is $bin/Velmora.so (the Windows one: build/windows/bin/Velmora.aex, after 'cmake --preset windows && cmake --build --preset windows')"
"$bin/velmora" render "${frames[@]}" "${settings[@]}" "$@"
