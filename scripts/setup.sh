#!/usr/bin/env bash
# Installs, from Debian's packages, what building, running and testing both targets needs; skips
# what is already there. Needs root (or sudo) only when something is missing. Afterwards it checks
# that every program the scripts and the build call is really there, because a package list can
# be right while a command is still missing (wine64 alone has no `wine` or `wineserver`).
set -euo pipefail

packages=(cmake ninja-build ccache g++ pkg-config python3 libgtest-dev googletest libbenchmark-dev
          libpng-dev zlib1g-dev libz-mingw-w64-dev libopenexr-dev libtinygltf-dev
          libcli11-dev nlohmann-json3-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine64 xvfb clang libclang-rt-14-dev icoutils imagemagick ffmpeg parallel nodejs)

# Every program a script, the build or a test runs, with the package that provides it.
programs=(
    "cmake cmake" "ctest cmake" "ninja ninja-build" "ccache ccache" "g++ g++" "gcc gcc" "pkg-config pkg-config"
    "python3 python3"
    "x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix"
    "x86_64-w64-mingw32-gcc-posix gcc-mingw-w64-x86-64-posix"
    "x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64"
    "x86_64-w64-mingw32-objdump binutils-mingw-w64-x86-64"
    "wine wine" "wineserver wine" "Xvfb xvfb" "clang clang" "clang++ clang" "wrestool icoutils"
    "convert imagemagick" "ffmpeg ffmpeg" "ffprobe ffmpeg" "parallel parallel" "flock util-linux"
    "node nodejs" "npm npm" "cmp diffutils"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
else
    echo "setup: installing ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Debian's nodejs comes without npm, which is its own package there; other builds of nodejs bring
# npm along and conflict with Debian's, so it is installed only when the command is missing.
if ! command -v npm >/dev/null 2>&1; then
    echo "setup: installing npm"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm
fi

absent=0
for entry in "${programs[@]}"; do
    read -r program package <<<"$entry"
    if ! command -v "$program" >/dev/null 2>&1; then
        echo "setup: the program '$program' is missing; install the Debian package '$package'" >&2
        absent=1
    fi
done
[ "$absent" -eq 0 ] || exit 1
echo "setup: every program the scripts run is present"

# The Khronos glTF validator, from the npm registry, which the host tests run over the .glb files
# velmora writes. It goes to build/node (git-ignored), at a fixed version.
validator_version=2.0.0-dev.3.10
root="$(cd "$(dirname "$0")/.." && pwd)"
validator="$root/build/node/node_modules/gltf-validator/package.json"
if ! grep -q "\"version\": \"$validator_version\"" "$validator" 2>/dev/null; then
    echo "setup: installing gltf-validator $validator_version into build/node"
    mkdir -p "$root/build/node"
    npm install --prefix "$root/build/node" --no-save --no-audit --no-fund --loglevel=error \
        "gltf-validator@$validator_version"
fi
echo "setup: gltf-validator $validator_version present"
