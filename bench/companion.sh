#!/usr/bin/env bash
# The companion against the import, on documents written over many lines and on one line:
#   bench/companion.sh
# Builds the native programs (Release, in build/bench-native as bench/run.sh does), makes the
# benchmark's documents and the same documents on one line, and times, for each size and shape,
# the native import into an empty Wine prefix, `regcorvex-admin check` and `regcorvex-admin
# preview` on that empty prefix. Prints a Markdown table of medians with each command's time and
# peak memory against the import's: check and preview should keep the same ratio to the import on
# one line as on many, and preview's peak memory should stay within 1.5x of the import's.
# Environment: BENCH_RUNS (default 3), BENCH_SIZES (default "10000 200000"), BENCH_BUILD_DIR
# (default build/bench), BENCH_JOBS (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${BENCH_RUNS:-3}
read -r -a sizes <<<"${BENCH_SIZES:-10000 200000}"
build=${BENCH_BUILD_DIR:-build/bench}-native
cmake -S bench -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "${BENCH_JOBS:-2}" --target regcorvex regcorvex-admin make_documents \
  measure >/dev/null
tools=$PWD/$build
work=$(mktemp -d /tmp/regcorvex-companion.XXXXXX)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix

# measure <label> <command...>: one run from an empty prefix; "<label> <seconds> <peak KiB>".
measure() {
  local label=$1
  shift
  rm -rf "$WINEPREFIX"
  mkdir "$WINEPREFIX"
  echo "$label $("$tools/measure" "$@" 2>/dev/null | tail -n 1)" >>"$work/results.txt"
}

for size in "${sizes[@]}"; do
  "$tools/make_documents" "$size" "$work"
  for ((run = 1; run <= runs; run++)); do
    for shape in lines oneline; do
      echo "Run $run of $runs, $size values, $shape" >&2
      suffix=
      [[ $shape == lines ]] || suffix=-oneline
      document=$work/document-$size$suffix.xml
      measure "$size $shape import" "$tools/regcorvex/regcorvex" /IC "Z:${document//\//\\}"
      measure "$size $shape check" "$tools/regcorvex/admin/regcorvex-admin" check "$document"
      measure "$size $shape preview" "$tools/regcorvex/admin/regcorvex-admin" preview "$document"
    done
  done
done

awk '
  function median(key, n, i, j, t, v) {
    n = count[key]
    for (i = 1; i <= n; i++) v[i] = value[key, i]
    for (i = 2; i <= n; i++) { t = v[i]; for (j = i - 1; j >= 1 && v[j] > t; j--) v[j + 1] = v[j]; v[j + 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  {
    key = $1 SUBSEP $2 SUBSEP $3
    value[key, ++count[key]] = $4
    if ($5 > peak[key]) peak[key] = $5
    if (!(($1 SUBSEP $2) in seen)) { seen[$1 SUBSEP $2] = 1; rows[++nrows] = $1 SUBSEP $2 }
  }
  END {
    print "| values | shape | import | check (/ import) | preview (/ import) | import peak | preview peak (/ import) |"
    print "| ---: | --- | ---: | ---: | ---: | ---: | ---: |"
    for (r = 1; r <= nrows; r++) {
      split(rows[r], part, SUBSEP)
      i = median(rows[r] SUBSEP "import"); c = median(rows[r] SUBSEP "check")
      p = median(rows[r] SUBSEP "preview")
      ip = peak[rows[r] SUBSEP "import"] / 1024; pp = peak[rows[r] SUBSEP "preview"] / 1024
      printf "| %d | %s | %.3f s | %.3f s (%.2f) | %.3f s (%.2f) | %.1f MiB | %.1f MiB (%.2f) |\n",
        part[1], part[2] == "oneline" ? "one line" : "many lines", i, c, c / i, p, p / i, ip, pp, pp / ip
    }
  }' "$work/results.txt"
