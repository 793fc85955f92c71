#!/usr/bin/env bash
# Builds from the tree and runs the whole test suite under Wine and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export WINEPREFIX="$PWD/build/wineprefix"
# A wineserver started without a display would keep windows from showing; start afresh.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset default "$@"
