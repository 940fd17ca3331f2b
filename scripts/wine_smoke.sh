#!/usr/bin/env bash
# One run of RegCorvex.exe under Wine on the example document, in the booted prefix that
# WINEPREFIX names (with a display in DISPLAY): it must show no dialog, exit 0 and leave the
# product's keys exactly as the native program leaves them in a fresh prefix.
#   scripts/wine_smoke.sh WINDOWS_BUILD NATIVE_BUILD
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine_loader.sh
windows_build=$(realpath "$1")
native_build=$(realpath "$2")
example=$(realpath examples/prefs.xml)
admin=$native_build/admin/regcorvex-admin
fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT

watcher=$windows_build/tests/wine/dialog_watcher.exe
report=$(timeout 900 "$(wine_loader "$watcher")" "$watcher" --timeout 600 \
  "Z:${windows_build//\//\\}\\RegCorvex.exe" /IC "Z:${example//\//\\}" 2>/dev/null)
if [[ $report != "exit: 0" ]]; then
  printf 'RegCorvex.exe under Wine, expected no dialog and "exit: 0", reported:\n%s\n' "$report" >&2
  exit 1
fi
timeout 120 wineserver -k
timeout 120 wineserver -w

WINEPREFIX=$fresh/prefix "$native_build/regcorvex" /IC 'examples\prefs.xml'
for hive in HKCU HKLM; do
  key="$hive\\Software\\Pellmoor Software Solutions\\Corvane 5"
  if ! diff <("$admin" query "$key" /s) <(WINEPREFIX=$fresh/prefix "$admin" query "$key" /s) >&2
  then
    echo "RegCorvex.exe under Wine and the native regcorvex left $key differently" >&2
    exit 1
  fi
done
echo "RegCorvex.exe under Wine: the example imported as the native program imports it" >&2
