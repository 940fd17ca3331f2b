#!/usr/bin/env bash
# Builds the release packages into build/packages: the Debian package of the Linux tools (checked
# with lintian, which must find no error) and the zip of the Windows programs, 32-bit and 64-bit.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${PACKAGE_BUILD_JOBS:-$(nproc)}
rm -rf build/packages && mkdir -p build/packages

cmake -S . -B build/package-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DREGCORVEX_TESTS=OFF \
  >/dev/null
cmake --build build/package-native -j "$jobs"
(cd build/package-native && cpack >/dev/null)

# One zip of both Windows builds: the 32-bit programs in x86/, the 64-bit ones in x64/.
version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package-native/CMakeCache.txt)
stage=build/package-windows-stage/regcorvex-$version-windows
rm -rf build/package-windows-stage
# PACKAGE_WINDOWS_BUILDS may name release build folders of both that exist (scripts/test.sh's).
windows_builds=(${PACKAGE_WINDOWS_BUILDS:-})
if [[ ${#windows_builds[@]} -eq 0 ]]; then
  for arch in i686 x86_64; do
    windows_builds+=("build/package-windows-$arch")
    cmake -S . -B "build/package-windows-$arch" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DREGCORVEX_TESTS=OFF >/dev/null
  done
fi
for build in "${windows_builds[@]}"; do
  cmake --build "$build" -j "$jobs" --target RegCorvex regcorvex-admin
  cmake --install "$build" --prefix "$stage" --strip >/dev/null
done
(cd build/package-windows-stage && cmake -E tar cf "../packages/regcorvex-$version-windows.zip" \
  --format=zip "regcorvex-$version-windows")

cp build/package-native/packages/*.deb build/packages/
deb=$(ls build/packages/regcorvex_*.deb)
# Errors fail the build; warnings and notes are shown.
lintian --fail-on error "$deb"
ls -l build/packages
