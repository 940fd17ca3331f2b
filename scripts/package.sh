#!/usr/bin/env bash
# Builds the release packages into build/packages: the Debian package of the Linux tools (checked
# with lintian, which must find no error) and the zip of the Windows programs.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${PACKAGE_BUILD_JOBS:-$(nproc)}
rm -rf build/packages && mkdir -p build/packages

cmake -S . -B build/package-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DREGCORVEX_TESTS=OFF \
  >/dev/null
cmake --build build/package-native -j "$jobs"
(cd build/package-native && cpack >/dev/null)

cmake -S . -B build/package-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DREGCORVEX_TESTS=OFF >/dev/null
cmake --build build/package-windows -j "$jobs"
(cd build/package-windows && cpack >/dev/null)

cp build/package-native/packages/*.deb build/package-windows/packages/*.zip build/packages/
deb=$(ls build/packages/regcorvex_*.deb)
# Errors fail the build; warnings and notes are shown.
lintian --fail-on error "$deb"
ls -l build/packages
