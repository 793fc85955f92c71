#!/usr/bin/env bash
# The main job on the bundled example: build the installer with qdrpack, inspect it, run it under
# Wine on the pinned Windows Java runtime (found through JAVA_HOME) and show what the example
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
java_home="Z:$(echo "$PWD/build/jre" | tr / '\\')"
echo "running out/hello-setup.exe -q under Wine with JAVA_HOME=$java_home"
set +e
JAVA_HOME="$java_home" QUILDER_LOG=yes build/wine-run.sh out/hello-setup.exe -q
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
