#!/usr/bin/env bash
# Configures and builds everything (host builder, Windows binaries, tests) into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
