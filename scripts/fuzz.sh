#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build/fuzz, replays the checked-in corpora, then fuzzes each target for a bounded time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     (default 60 s; targets: document import
#                                                         entity_budget registry reg_file version)
# Inputs found are kept in build/fuzz/corpus/<target>; a crash is written to
# build/fuzz/artifacts/<target>-crash-<hash> and makes the script fail. Copy the input into
# fuzz/corpus/ as a regression case once its bug is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(document import entity_budget registry reg_file version)
build=${FUZZ_BUILD_DIR:-build/fuzz}
jobs=${FUZZ_BUILD_JOBS:-$(nproc)}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DREGCORVEX_FUZZ=ON -DREGCORVEX_TESTS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]/%/_fuzzer}"
ctest --test-dir "$build" --output-on-failure -R "^($(IFS='|'; echo "${targets[*]}"))_corpus$"

corpus_of() { [[ $1 == import ]] && echo document || echo "$1"; }

status=0
for target in "${targets[@]}"; do
  seeds=fuzz/corpus/$(corpus_of "$target")
  mkdir -p "$build/corpus/$target" "$build/artifacts"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$build/artifacts/$target-")
  [[ $target == document || $target == import || $target == entity_budget ]] &&
    options+=(-dict=fuzz/document.dict)
  echo "Fuzzing $target for $seconds s" >&2
  if ! "$build/fuzz/${target}_fuzzer" "${options[@]}" "$build/corpus/$target" "$seeds" \
      2>"$build/$target.log"; then
    status=1
    tail -n 60 "$build/$target.log" >&2
  else
    grep -E '^stat::number_of_executed_units|^Done' "$build/$target.log" >&2 || true
  fi
done
exit $status
