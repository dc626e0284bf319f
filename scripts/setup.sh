#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing both targets needs; skips what is
# already there. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev googletest libbenchmark-dev libpng-dev
          zlib1g-dev libz-mingw-w64-dev
          libcli11-dev nlohmann-json3-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine64 xvfb clang libclang-rt-14-dev icoutils imagemagick)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
    exit 0
fi
echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
