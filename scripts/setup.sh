#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, and only those that are missing.
#   scripts/setup.sh          what the native program needs
#   scripts/setup.sh --all    everything the tests and packages need as well (mingw-w64, Wine 8,
#                             Xvfb, clang, dpkg-dev and lintian)
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libxml2-dev binutils-mingw-w64-i686)
if [[ "${1:-}" == "--all" ]]; then
  packages+=(googletest libxml2-utils mingw-w64 wine wine32 wine64 xvfb xauth
             clang libclang-rt-14-dev util-linux dpkg-dev lintian)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "Installing: ${missing[*]}" >&2
if printf '%s\n' "${missing[@]}" | grep -q ':i386\|^wine32$'; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
