#!/usr/bin/env bash
# Runs the benchmarks under Wine and prints their figures beside the baselines of the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
build/wine-run.sh build/extract_benchmark.exe
build/wine-run.sh build/search_benchmark.exe "Z:$(pwd)/build/testing"
windows_path() { echo "Z:$(echo "$1" | tr / '\\')"; }
build/wine-run.sh build/launch_benchmark.exe "$(windows_path "$PWD/build/qdrsetup.exe")" \
  "$(windows_path "$PWD/build/jre")" "$(windows_path "$PWD/build/qdrruntime.jar")" \
  "$(windows_path "$PWD/build/benchmarks/qdrbench.jar")" "$(windows_path "$PWD/build/launch_minimal.exe")"
bash scripts/untar-benchmark.sh
