#!/usr/bin/env bash
# Builds the native program and imports the bundled example document into a Wine prefix of its
# own (build/demo-prefix unless WINEPREFIX is set), then shows what it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DREGCORVEX_TESTS=OFF >/dev/null
cmake --build build/release

export WINEPREFIX="${WINEPREFIX:-$PWD/build/demo-prefix}"
echo "Importing examples/prefs.xml into the Wine prefix $WINEPREFIX" >&2
build/release/regcorvex /IC 'examples\prefs.xml'
echo "What it wrote:" >&2
build/release/admin/regcorvex-admin query 'HKCU\Software\Pellmoor Software Solutions\Corvane 5' /s
build/release/admin/regcorvex-admin query 'HKLM\Software\Pellmoor Software Solutions\Corvane 5' /s
