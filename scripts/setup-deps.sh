#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those missing. This is
# the one place where the dependencies are listed.
#   scripts/setup-deps.sh [build] [test] [fuzz] [bench] [demo]   (default: build test)
set -euo pipefail

declare -A groups=(
  # Compiler, build system and the libraries the code uses.
  [build]="g++ cmake ninja-build pkg-config libplist-dev libglib2.0-dev qt6-base-dev qt6-tools-dev"
  # GoogleTest, and the desktop programs the tests check our work against.
  [test]="libgtest-dev libgmock-dev libglib2.0-bin gvfs dbus dbus-bin"
  [fuzz]="clang libclang-rt-14-dev"
  [bench]="libbenchmark-dev hyperfine procps"
  [demo]="procps"
)

wanted=("$@")
[ ${#wanted[@]} -eq 0 ] && wanted=(build test)
packages=()
for group in "${wanted[@]}"; do
  [ -n "${groups[$group]+x}" ] || { echo "unknown group: $group" >&2; exit 2; }
  for p in ${groups[$group]}; do packages+=("$p"); done
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
