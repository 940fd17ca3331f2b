#!/usr/bin/env bash
# The import benchmark, in one command: bench/run.sh
# Builds the native program (Release) and RegCorvex.exe, boots a Wine prefix once in a temporary
# folder, makes documents of 1,000, 10,000 and 100,000 values with a machine hive that already
# holds some of their per-user values, then times, for each size and in the same run, the native
# import, the floor (xmllint --noout plus copying the hive files), `wine reg import` of an
# equivalent .reg file and RegCorvex.exe under Wine. Every timed run starts from the same hive
# files. Every timed command, and the wineserver, runs on one CPU: a registry call under Wine is a
# round trip to the wineserver, and when the two processes sit on different CPUs each trip waits
# for a cross-CPU wake-up (on the 2-CPU virtual machine this was written on, about 30 us, which
# made `wine reg import` of 100,000 values take 0.6 s or 3.7 s at random).
# The native import is also timed with the program as it is in BENCH_BASELINE (a git revision,
# default main; empty for none), built from that revision's sources, so that before and after come
# from the same run. The hive files Wine wrote (booted, after the seeding `wine reg import` and
# after the timed one) are checked with hive_check: the reader that keeps values in the file's
# text and its save against the whole-model reader and writer.
# Prints a Markdown table of medians and writes the plot bench/results.svg.
# Environment: BENCH_RUNS (runs per measurement, default 5), BENCH_SIZES (default
# "1000 10000 100000"), BENCH_BUILD_DIR (default build/bench: -native and -windows are appended),
# BENCH_JOBS (build jobs, default 2), BENCH_CPU (the CPU to run on, default the last one),
# BENCH_KEEP=1 keeps the temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --all
runs=${BENCH_RUNS:-5}
read -r -a sizes <<<"${BENCH_SIZES:-1000 10000 100000}"
build=${BENCH_BUILD_DIR:-build/bench}
jobs=${BENCH_JOBS:-2}
pin=(taskset -c "${BENCH_CPU:-$(($(nproc) - 1))}")

cmake -S bench -B "$build-native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build-native" -j "$jobs" >/dev/null
cmake -S . -B "$build-windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DREGCORVEX_TESTS=OFF >/dev/null
cmake --build "$build-windows" -j "$jobs" >/dev/null
tools=$PWD/$build-native
native=$tools/regcorvex/regcorvex
exe=$PWD/$build-windows/RegCorvex.exe

work=$(mktemp -d /tmp/regcorvex-bench.XXXXXX)
baseline_rev=${BENCH_BASELINE-main}
baseline=
if [[ -n $baseline_rev ]]; then
  mkdir "$work/baseline-src"
  git archive "$baseline_rev" | tar -x -C "$work/baseline-src"
  rm -rf "$build-baseline"  # its cache names the sources of an earlier run's temporary folder
  cmake -S "$work/baseline-src/bench" -B "$build-baseline" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    >/dev/null
  cmake --build "$build-baseline" -j "$jobs" --target regcorvex >/dev/null
  baseline=$PWD/$build-baseline/regcorvex/regcorvex
fi
export WINEDEBUG=-all WINEPREFIX=$work/prefix
unset DISPLAY  # no document here shows a message
cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [[ ${BENCH_KEEP:-0} == 1 ]] && echo "Kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

windows_path() { echo "Z:${1//\//\\}"; }
restore() { cp "$work/hives-$1"/*.reg "$WINEPREFIX/"; }
stop_server() { wineserver -k 2>/dev/null || true; wineserver -w; }
# A wineserver that has started Wine's services, so that a timed `wine` call boots nothing.
start_server() {
  "${pin[@]}" wineserver -p
  "${pin[@]}" wine reg query 'HKCU\Software' /ve >/dev/null 2>&1 || true
}
# measure <size> <label> <command...>: one timed run, appended to the results.
measure() {
  local size=$1 label=$2
  shift 2
  echo "$size $label $("${pin[@]}" "$tools/measure" "$@" </dev/null 2>>"$work/errors.txt" | tail -n 1)" \
    >>"$work/results.txt"
}

echo "Booting a Wine prefix in $WINEPREFIX" >&2
mkdir -p "$WINEPREFIX" "$work/copy"
wineboot -i >/dev/null 2>&1
stop_server
for size in "${sizes[@]}"; do
  "$tools/make_documents" "$size" "$work"
  cp "$WINEPREFIX"/system.reg "$work/system.booted"
  start_server
  wine reg import "$(windows_path "$work/seed-$size.reg")" /reg:32
  stop_server
  mkdir "$work/hives-$size"
  cp "$WINEPREFIX"/*.reg "$work/hives-$size/"
  "$tools/hive_check" "$work/system.booted" "$work/hives-$size"/*.reg >&2
  cp "$work/system.booted" "$WINEPREFIX/system.reg"
  echo "$size document $(stat -c %s "$work/document-$size.xml")" >>"$work/results.txt"
done

for ((run = 1; run <= runs; run++)); do
  for size in "${sizes[@]}"; do
    echo "Run $run of $runs, $size values" >&2
    document=$work/document-$size.xml
    restore "$size"
    measure "$size" native "$native" /IC "$(windows_path "$document")"
    restore "$size"
    if [[ -n $baseline ]]; then
      measure "$size" baseline "$baseline" /IC "$(windows_path "$document")"
      restore "$size"
    fi
    measure "$size" floor sh -c 'xmllint --noout "$1" && cp "$2"/system.reg "$2"/user.reg "$3"/' \
      floor "$document" "$WINEPREFIX" "$work/copy"
    restore "$size"
    start_server
    measure "$size" wine_reg wine reg import "$(windows_path "$work/peer-$size.reg")" /reg:32
    measure "$size" wine_reg_save wineserver -k
    wineserver -w
    ((run > 1)) || "$tools/hive_check" "$WINEPREFIX"/system.reg "$WINEPREFIX"/user.reg >&2
    restore "$size"
    start_server
    measure "$size" exe wine "$exe" /IC "$(windows_path "$document")"
    stop_server
  done
done

if [[ -s $work/errors.txt ]]; then
  echo "Output of the timed commands:" >&2
  cat "$work/errors.txt" >&2
fi
awk -f bench/report.awk -v svg=bench/results.svg "$work/results.txt"
