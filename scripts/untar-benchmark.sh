#!/usr/bin/env bash
# The bundled runtime's unpacking: untarGz under Wine beside the host's tar -xzf on the same
# archives (the pinned runtime and a synthetic one of about 150 MB with thousands of files and long
# names, both packed by qdrpack), then a run of the example with the bundled runtime beside one
# that finds the same runtime installed.
set -euo pipefail
cd "$(dirname "$0")/.."
windows_path() { echo "Z:$(echo "$1" | tr / '\\')"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/synthetic" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(7)
os.makedirs(os.path.join(root, "bin"))
open(os.path.join(root, "bin", "java.exe"), "wb").write(b"MZ")
total, index = 0, 0
text = b"".join(b"class member %d of a library, repeated to compress like code\n" % i for i in range(2000))
while total < 150 * 1000 * 1000:
    folder = os.path.join(root, "lib", "module%02d" % (index % 40), "a-rather-long-package-directory-name-%03d" % (index % 97))
    os.makedirs(folder, exist_ok=True)
    size = random.choice([2000, 20000, 60000, 150000])
    # Half incompressible, half text-like, as in a runtime's libraries and resources.
    data = os.urandom(size // 2) + (text * (size // len(text) + 1))[: size - size // 2]
    name = "entry-%05d-with-a-long-descriptive-file-name-for-the-benchmark.bin" % index
    open(os.path.join(folder, name), "wb").write(data)
    total += size
    index += 1
print("synthetic runtime: %d files, %.0f MB" % (index + 1, total / 1e6))
PY
cat > "$work/synthetic.toml" <<TOML
[application]
name = "Synthetic"
main_class = "none.Main"
[java]
jre_archive = "$work/synthetic"
TOML
build/host/qdrpack build "$work/synthetic.toml" -o "$work/synthetic-setup.exe" >/dev/null
mkdir -p "$work/out"
mapfile -t results < <(build/wine-run.sh build/untar_benchmark.exe "$(windows_path "$work/out")" \
  "$(windows_path "$PWD/build/testing/bundled-jre-setup.exe")" "$(windows_path "$work/synthetic-setup.exe")" | tr -d '\r')
names=("pinned runtime" "synthetic 150 MB")
printf '%-18s %10s %12s %12s %8s\n' archive "tar bytes" "untarGz MB/s" "host MB/s" ratio
for i in 0 1; do
  read -r status size seconds rate <<<"${results[$i]}"
  [ "$status" = ok ] || { echo "untarGz failed on ${names[$i]}" >&2; exit 1; }
  mkdir -p "$work/host$i"
  start=$(date +%s.%N)
  tar -xzf "$work/out/$((i + 1)).tar.gz" -C "$work/host$i"
  end=$(date +%s.%N)
  host=$(echo "$size / 1000000 / ($end - $start)" | bc -l)
  printf '%-18s %10d %12.1f %12.1f %8.2f\n' "${names[$i]}" "$size" "$rate" "$host" "$(echo "$rate / $host" | bc -l)"
done

# Start to end of the example: bundled runtime against the same runtime found through JAVA_HOME.
sed '/^jre_archive/d' examples/hello/project.toml >examples/hello/.installed-runtime.toml
build/host/qdrpack build examples/hello/.installed-runtime.toml -o "$work/installed.exe" >/dev/null
rm -f examples/hello/.installed-runtime.toml
build/host/qdrpack build examples/hello/project.toml -o "$work/bundled.exe" >/dev/null
time_run() {
  local start end
  start=$(date +%s%N)
  env "$@" >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
# The runs leave their work directories to the Java side; these go once measured.
wine_temp="$PWD/build/wineprefix/drive_c/users/$(id -un)/Temp"
touch "$work/before-runs"
bundled=() installed=()
for _ in 1 2 3 4 5; do
  bundled+=("$(time_run -u JAVA_HOME build/wine-run.sh "$(windows_path "$work/bundled.exe")" -q)")
  installed+=("$(time_run JAVA_HOME="$(windows_path "$PWD/build/jre")" build/wine-run.sh "$(windows_path "$work/installed.exe")" -q)")
done
find "$wine_temp" -maxdepth 1 -newer "$work/before-runs" \( -name 'vtl*.tmp_dir*' -o -name 'vtl*.tmp' \) \
  -exec rm -rf {} +
echo "example run, start to exit, median of 5: bundled runtime $(median "${bundled[@]}") ms," \
  "installed runtime $(median "${installed[@]}") ms"
