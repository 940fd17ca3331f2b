#!/usr/bin/env bash
# Builds the native program and imports the bundled example document into a Wine prefix of its
# own (build/demo-prefix unless WINEPREFIX is set), shows what it wrote and captures it again as
# a document. With --installed it runs the programs and the example of the installed package.
set -euo pipefail
cd "$(dirname "$0")/.."

export WINEPREFIX="${WINEPREFIX:-$PWD/build/demo-prefix}"
if [[ "${1:-}" == "--installed" ]]; then
  regcorvex=$(command -v regcorvex)
  admin=$(command -v regcorvex-admin)
  examples=/usr/share/doc/regcorvex/examples
else
  scripts/setup.sh
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DREGCORVEX_TESTS=OFF >/dev/null
  cmake --build build/release
  regcorvex=$PWD/build/release/regcorvex
  admin=$PWD/build/release/admin/regcorvex-admin
  examples=$PWD/examples
fi

echo "Importing $examples/prefs.xml into the Wine prefix $WINEPREFIX" >&2
(cd "$examples" && "$regcorvex" /IC prefs.xml)
echo "What it wrote:" >&2
"$admin" query 'HKCU\Software\Pellmoor Software Solutions\Corvane 5' /s
"$admin" query 'HKLM\Software\Pellmoor Software Solutions\Corvane 5' /s
echo "Captured again as a document:" >&2
"$admin" export
