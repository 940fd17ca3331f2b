#!/usr/bin/env bash
# Builds both programs and runs every test: the native build under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows build under Wine 8 with Xvfb as display, in a Wine
# prefix made for this run and removed after it. Then builds the packages, installs the Debian
# package and runs the demo with the installed programs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --all
jobs=$(nproc)

# Where the kernel runs no 32-bit programs, setup.sh has them run through qemu-i386, and a Wine
# process takes about a minute to start: the Windows tests, one Wine process or more each, would
# take hours. There the run keeps to the tests that start no 32-bit program or one for many
# cases (the differentials of the two builds), and one run of RegCorvex.exe on the example
# document, compared with the native import.
wine_tests=${REGCORVEX_WINE_TESTS:-all}
[[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]] && wine_tests=${REGCORVEX_WINE_TESTS:-smoke}
native_wine_tests='^(WineHiveFilesTest|WinePrefixArchTest|WineFreshPrefixTest)\.'
native_wine_tests+='|^CommandLineDifferentialTest\.BothBuildsAgreeWithRegCorvexExeStartedForEach$'

cmake -S . -B build/test-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/test-windows -j "$jobs"
# The native tests that compare the two builds run the Windows build's programs under Wine.
cmake -S . -B build/test-native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DREGCORVEX_SANITIZE=ON \
  -DREGCORVEX_WINDOWS_BUILD="$PWD/build/test-windows" >/dev/null
cmake --build build/test-native -j "$jobs"

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  WINEPREFIX="$work/prefix" timeout 60 wineserver -k 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export WINEDEBUG=-all WINEPREFIX="$work/prefix"
source scripts/display.sh
start_display "$work"
mkdir -p "$WINEPREFIX"
timeout 60 wineserver -p
timeout 1500 wineboot -i >/dev/null 2>&1

status=0
if [[ $wine_tests == all ]]; then
  # The Windows tests right after the boot: Wine's desktop process ends soon after the last
  # Windows program does, and one that a test starts again holds ctest's output pipe until it ends.
  ctest --test-dir build/test-windows --output-on-failure || status=1
  ctest --test-dir build/test-native --output-on-failure -j "$jobs" || status=1
else
  echo "32-bit programs run emulated here (qemu-i386): the tests that start them are left out," \
    "but for one run of RegCorvex.exe on the example document and the differentials." \
    "REGCORVEX_WINE_TESTS=all runs them." >&2
  scripts/wine_smoke.sh build/test-windows build/test-native || status=1
  # The prefix booted above serves as the template that the differential tests copy (a boot of
  # their own would take minutes more).
  export REGCORVEX_WINE_TEMPLATE="$WINEPREFIX"
  ctest --test-dir build/test-native --output-on-failure -j "$jobs" -E "$native_wine_tests" ||
    status=1
fi
# Both builds' imports on generated documents, in the prefix booted above.
scripts/differential.sh --portable "${REGCORVEX_DIFFERENTIAL_DOCUMENTS:-300}" || status=1
# The fuzz targets: their seed corpora replayed, then each fuzzed for a bounded time.
FUZZ_BUILD_JOBS="$jobs" scripts/fuzz.sh "${REGCORVEX_FUZZ_SECONDS:-30}" || status=1

# The packages, and the Linux one installed and used as an administrator would.
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
if PACKAGE_BUILD_JOBS="$jobs" scripts/package.sh; then
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "$PWD"/build/packages/regcorvex_*.deb >/dev/null || status=1
  WINEPREFIX="$work/demo-prefix" scripts/demo.sh --installed >/dev/null || status=1
else
  status=1
fi
exit $status
