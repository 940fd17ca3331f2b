#!/usr/bin/env bash
# scripts/differential.sh [--portable] [COUNT] [SEED]
# Generates COUNT documents (default 300) from SEED (default 1), imports each with the native
# build's import (libxml2, the hive files of a fresh prefix per document) and with the Windows
# build's import under Wine (MSXML, one booted prefix, the product's keys removed before each
# document), and compares the values and boxes of the two. Each side imports every document in
# one process of its own (tests/differential), with boxes recorded rather than shown.
# --portable (as CI runs it) generates only documents on which Wine's MSXML is not known to
# differ from MSXML on Windows, so that every difference is a fault of the native build.
# Builds in build/test-native and build/test-windows (NATIVE_BUILD, WINDOWS_BUILD to change: a
# build of the 64-bit Windows program is compared the same way, started with Wine's 64-bit loader).
# Runs in the caller's Wine prefix when WINEPREFIX is set (as in scripts/test.sh), else in one of
# its own. KEEP=1 keeps the documents and results.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine_loader.sh

portable=()
[[ ${1:-} == --portable ]] && { portable=(--portable); shift; }
count=${1:-300}
seed=${2:-1}
native_build=${NATIVE_BUILD:-build/test-native}
windows_build=${WINDOWS_BUILD:-build/test-windows}
jobs=$(nproc)

[[ -f "$native_build/build.ninja" ]] ||
  cmake -S . -B "$native_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DREGCORVEX_SANITIZE=ON >/dev/null
cmake --build "$native_build" -j "$jobs" --target differential_runner compare_results
[[ -f "$windows_build/build.ninja" ]] ||
  cmake -S . -B "$windows_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$windows_build" -j "$jobs" --target differential_runner

work=$(mktemp -d)
own_prefix=""
cleanup() {
  [[ -n "$own_prefix" ]] && { timeout 60 wineserver -k 2>/dev/null || true; }
  if [[ -n "${KEEP:-}" ]]; then echo "kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

# The Windows runner shows no window: a booted prefix is all it needs.
export WINEDEBUG=-all
if [[ -z "${WINEPREFIX:-}" ]]; then
  own_prefix=1
  export WINEPREFIX="$work/prefix"
  mkdir -p "$WINEPREFIX"
  wineserver -p
  timeout 1200 wineboot -i >/dev/null 2>&1
fi

documents="$work/documents"
python3 tests/differential/generate_documents.py "${portable[@]}" "$documents" "$count" "$seed"

# Each document takes well under a second on either side; the deadlines only guard against hangs.
deadline=$((120 + count * 5))
timeout "$deadline" "$native_build/tests/differential/differential_runner" \
  "$documents" "$documents/list.txt" "$work/native.txt"

# Wine's drive Z: is the Unix root: an absolute path needs no Wine process (winepath takes a
# minute where Wine runs emulated).
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
runner=$windows_build/tests/differential/differential_runner.exe
timeout "$deadline" "$(wine_loader "$runner")" "$runner" \
  "$(windows_path "$documents")" "$(windows_path "$documents/list.txt")" \
  "$(windows_path "$work/windows.txt")" </dev/null >"$work/wine.log" 2>&1 ||
  { cat "$work/wine.log" >&2; exit 1; }

"$native_build/tests/differential/compare_results" "$work/native.txt" "$work/windows.txt" \
  "$documents"
