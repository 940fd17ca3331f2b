#!/usr/bin/env bash
# Builds the programs and runs every test: the native build under AddressSanitizer and
# UndefinedBehaviorSanitizer; the Windows program, 32-bit (the product) and 64-bit, under Wine 8
# with Xvfb as display, in a Wine prefix made for this run and removed after it; the fuzz targets.
# Then builds the packages, installs the Debian package and runs the demo with the installed
# programs. Ends with a table of the suites: suite, build, cases run, passed, failed, seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --all
jobs=$(nproc)
source scripts/suites.sh
source scripts/wine_loader.sh

# Where the kernel runs no 32-bit programs, setup.sh has them run through qemu-i386: a 32-bit Wine
# process then takes a minute or two to start, where a 64-bit one started with Wine's 64-bit loader
# takes under a second. There the 64-bit build carries the Windows test programs, and the 32-bit
# build keeps what only it can show, each in one Wine process: a run on the example document, the
# import table in the program's own run, and both differentials. Elsewhere everything runs for both.
emulated=""
[[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]] && emulated=1
windows32=build/test-windows
windows64=build/test-windows64

cmake -S . -B "$windows32" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$windows32" -j "$jobs"
cmake -S . -B "$windows64" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$windows64" -j "$jobs"
# The native tests that compare the builds run the 64-bit Windows build's programs under Wine.
cmake -S . -B build/test-native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DREGCORVEX_SANITIZE=ON \
  -DREGCORVEX_WINDOWS_BUILD="$PWD/$windows64" >/dev/null
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
# The tests that need a booted prefix copy this one (a boot of their own would take minutes).
export REGCORVEX_WINE_TEMPLATE="$WINEPREFIX"

# The Windows test programs, each run once for all its cases in one Wine process, in its folder.
windows_programs=(admin_test app_test import_in_process_test import_test platform_test prefs_test
                  registry_contract_test version_test wine_test xml_document_test)
run_windows_program() { cd "$(dirname "$1")" && exec "$(wine_loader "$1")" "$PWD/$(basename "$1")"; }
export -f run_windows_program wine_loader
run_windows_programs() {
  local build=$1 label=$2 program
  shift 2
  for program in "$@"; do
    promised+=("$program/$label")
    run_suite "$program" "$label" gtest 1800 run_windows_program \
      "$(find "$build/tests" -name "$program.exe" -print -quit)" || status=1
  done
}

suites_begin "$work/suites"
promised=()
status=0
run_windows_programs "$windows64" win64 "${windows_programs[@]}"
# The native test that compares the native registry with Wine's 32-bit tools, which start eight
# 32-bit Wine processes.
native_left_out=()
if [[ -n $emulated ]]; then
  native_left_out=(WineHiveFilesTest.TheProgramAndWinePutKeysInTheSamePlace)
  left_out=$(printf '%s\n' "${windows_programs[@]}" | grep -vx import_in_process_test | paste -sd' ')
  echo "32-bit programs run emulated here (qemu-i386): of the 32-bit build only the run on the" \
    "example document, import_in_process_test and the differentials run; left out:" \
    "$left_out (32-bit), ${native_left_out[*]} (native)" >&2
  run_windows_programs "$windows32" win32 import_in_process_test
else
  run_windows_programs "$windows32" win32 "${windows_programs[@]}"
fi
promised+=(example/win32)
run_suite example win32 single 1200 scripts/wine_smoke.sh "$windows32" build/test-native ||
  status=1

promised+=(native/native)
exclude=()
[[ ${#native_left_out[@]} -gt 0 ]] && exclude=(-E "^($(IFS='|'; echo "${native_left_out[*]}"))\$")
run_suite native native ctest 3600 ctest --test-dir build/test-native --output-on-failure \
  -j "$jobs" "${exclude[@]}" || status=1

# Both Windows builds against the native build: generated documents, and generated command lines
# taken in one Wine process (the 64-bit build's also started one by one, in the native suite).
for build in "$windows32" "$windows64"; do
  label=win32
  [[ $build == "$windows64" ]] && label=win64
  promised+=("documents/$label" "command-lines/$label")
  run_suite documents "$label" count 1800 env WINDOWS_BUILD="$build" \
    scripts/differential.sh --portable "${REGCORVEX_DIFFERENTIAL_DOCUMENTS:-300}" || status=1
  run_suite command-lines "$label" count 1800 \
    build/test-native/tests/differential/command_line_differential --windows-build "$PWD/$build" \
    200 || status=1
done

# The fuzz targets: their seed corpora replayed, then each fuzzed for a bounded time.
promised+=(fuzz/native)
run_suite fuzz native single 1800 env FUZZ_BUILD_JOBS="$jobs" scripts/fuzz.sh \
  "${REGCORVEX_FUZZ_SECONDS:-30}" || status=1

# The packages, and the Linux one installed and used as an administrator would.
install_and_demo() {
  local sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  # Signed with a certificate made for the run, so that the signing path is tried on every run.
  PACKAGE_BUILD_JOBS="$jobs" PACKAGE_WINDOWS_BUILDS="$windows32 $windows64" scripts/package.sh \
    --sign-throwaway
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "$PWD"/build/packages/regcorvex_*.deb >/dev/null
  WINEPREFIX="$work/demo-prefix" scripts/demo.sh --installed >/dev/null
}
export -f install_and_demo
export jobs work windows32 windows64
promised+=(packages/native)
run_suite packages native single 1800 install_and_demo || status=1

suites_end "${promised[@]}" || status=1
exit $status
