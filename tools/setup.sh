#!/usr/bin/env bash
# Installs the Debian packages the client needs, then configures and builds
# it into build/. Runs as root on a fresh Debian 12 machine.
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(
  build-essential cmake pkg-config
  zlib1g-dev libglib2.0-dev libgtk-3-dev
  libwebkit2gtk-4.1-dev libjavascriptcoregtk-4.1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build -j2
