#!/usr/bin/env bash
# Builds the integrator and runs it on the demo data: a settings folder "demo/" holding a
# demo Vantora database, made on the first run. Without a display, runs vqb-cli instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target vqb vqb-cli vqb_data

demo="$PWD/demo"
if [ ! -f "$demo/vantora.db" ]; then
  build/bin/vqb-cli demo "$demo"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  VQB_SETTINGS_DIR="$demo" exec build/bin/vqb "$@"
fi
echo "No display found: running vqb-cli on the demo instead."
build/bin/vqb-cli --settings "$demo" info
echo
echo "QuickBooks (simulated) customers:"
build/bin/vqb-cli --settings "$demo" qb list customers
