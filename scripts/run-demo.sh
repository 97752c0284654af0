#!/usr/bin/env bash
# Builds the integrator and runs it on the demo data: a settings folder "demo/" holding a
# demo Vantora database, made on the first run. Without a display, makes the demo afresh and
# sends all of it with vqb-cli, ending with what was sent and why the rest was not.
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
echo "No display found: sending the demo with vqb-cli instead (settings folder: $demo, made afresh)."
build/bin/vqb-cli demo "$demo" --replace >/dev/null
cli() { build/bin/vqb-cli --settings "$demo" --yes "$@"; }
# The demo's answers: the one customer name too long for QuickBooks gets a shorter one, and
# a missing customer, supplier or invoice is created on the way.
long_name='Northern Alberta Regional Minor Hockey Association'
summaries=""
send() {
  local list=$1
  shift
  echo
  echo "== Sending $list to the simulated QuickBooks company"
  local output
  output=$(cli send "$list" --all --summary "$@") || true
  # The result lines, then the summary lines that follow them.
  sed -n "/^$list: [0-9]* sent, /q;p" <<<"$output"
  summaries+=$(sed -n "/^$list: [0-9]* sent, /,\$p" <<<"$output")$'\n'
}
send customers --name "$long_name=Northern Alberta Minor Hockey"
send suppliers
send invoices --create-missing
send payments --send-invoices --create-missing
send pos --create-missing
echo
echo "== Summary (sent / not sent, and why not)"
printf '%s' "$summaries"
echo
echo "Open the demo again with: build/bin/vqb-cli --settings \"$demo\" list invoices"
echo "Delete $demo to start afresh."
