#!/usr/bin/env bash
# scripts/command_line_differential.sh [--program] [COUNT [SEED]]
# Runs COUNT generated command lines (default 1000) from SEED (default 1) through the native
# regcorvex and through the Windows build under Wine (its run takes them all in one process; with
# --program RegCorvex.exe is started for each) and prints every divergence. Builds both programs
# (native in build/test-native, told of the Windows build in build/test-windows) and starts a
# display of its own for the Windows build's window and boxes.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=()
[[ ${1:-} == --program ]] && { mode=(--program); shift; }
count="${1:-1000}"
seed="${2:-1}"
jobs=$(nproc)

cmake -S . -B build/test-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/test-windows -j "$jobs" --target RegCorvex command_line_batch
cmake -S . -B build/test-native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DREGCORVEX_SANITIZE=ON \
  -DREGCORVEX_WINDOWS_BUILD="$PWD/build/test-windows" >/dev/null
cmake --build build/test-native -j "$jobs" --target command_line_differential regcorvex

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
source scripts/display.sh
start_display "$work"
export WINEDEBUG=-all

build/test-native/tests/differential/command_line_differential "${mode[@]}" "$count" "$seed"
