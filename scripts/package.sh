#!/usr/bin/env bash
# Builds the Debian package vqb_VERSION_ARCH.deb: a release build of the programs in
# build-package/ (or $VQB_PACKAGE_BUILD), packed by cpack for /usr. The package is written
# to OUTDIR (default: the top of the repository). Usage: scripts/package.sh [OUTDIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(mkdir -p "${1:-.}" && cd "${1:-.}" && pwd)
build=${VQB_PACKAGE_BUILD:-build-package}
scripts/deps.sh

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVQB_TESTS=OFF -DVQB_BENCH=OFF \
  >/dev/null
cmake --build "$build" -j "$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
for deb in "$work"/*.deb; do
  mv "$deb" "$out/"
  echo "$out/$(basename "$deb")"
done
