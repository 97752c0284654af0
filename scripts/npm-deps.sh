#!/usr/bin/env bash
# Installs the npm packages of the Web Connector test client (tests/webconnector) exactly as
# package-lock.json names them, when node_modules is missing or older than the lock.
set -euo pipefail
cd "$(dirname "$0")/../tests/webconnector"
if [ -d node_modules ] && [ node_modules -nt package-lock.json ]; then exit 0; fi
command -v npm >/dev/null || { echo "npm is missing: run scripts/deps.sh (package nodejs)" >&2; exit 1; }
npm ci --no-audit --no-fund
touch node_modules
