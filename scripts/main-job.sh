#!/usr/bin/env bash
# The main job on the bundled example: build the installer with qdrpack, inspect it, run it under
# Wine on the pinned Windows Java runtime that the installer bundles, and show what the example
# application printed and the launcher's log.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
mkdir -p out
build/host/qdrpack build examples/hello/project.toml -o out/hello-setup.exe
build/host/qdrpack inspect out/hello-setup.exe
export WINEPREFIX="$PWD/build/wineprefix"
temp_dir="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
mkdir -p "$temp_dir"
marker=$(mktemp)
echo "running out/hello-setup.exe -q under Wine (no Java installed there: the bundled runtime is used)"
set +e
env -u JAVA_HOME QUILDER_LOG=yes build/wine-run.sh out/hello-setup.exe -q
status=$?
set -e
echo "exit code: $status"
log=$(find "$temp_dir" -maxdepth 1 -name 'qdr_nlog_*.log' -newer "$marker" | head -n 1)
rm -f "$marker"
if [ -n "$log" ]; then
  echo "log: $log"
  cat "$log"
else
  echo "no log found in $temp_dir" >&2
  exit 1
fi
exit $status
