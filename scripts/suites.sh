# Sourced by scripts/test.sh: runs the suites of a test run and keeps a table of them (suite, build,
# cases run, passed, failed, seconds). A suite that a run promises and that did not run fails it.
#   suites_begin FILE             keep the table in FILE
#   run_suite NAME BUILD KIND DEADLINE COMMAND...
#                                 runs COMMAND (its output in FILE.NAME.BUILD.log) for at most
#                                 DEADLINE seconds and adds its row (a shell function given as
#                                 COMMAND must be exported); KIND says how its cases count:
#                                 gtest  a GoogleTest program: it passes only by its own summary,
#                                        with as many cases ended as it announced and none failed
#                                 ctest  ctest's closing line
#                                 count  a closing line "N passed, N failed"
#                                 single one case, passed when COMMAND exits 0
#                                 Returns 1 when the suite failed.
#   suites_end PROMISED...        prints the table; returns 1 when a row failed or a promised
#                                 suite ("NAME/BUILD") has no row.

suites_begin() {
  suites_file=$1
  : >"$suites_file"
}

# Prints "run passed failed" for the output in $2 of a suite of kind $1 that exited with $3.
count_cases() {
  local kind=$1 log=$2.lines exit_code=$3 run=0 passed=0 failed=1 skipped announced closing
  tr -d '\r' <"$2" >"$log"  # a Windows program ends its lines with CR LF
  case $kind in
    gtest)
      announced=$(sed -nE 's/^\[==========\] Running ([0-9]+) tests? from .*/\1/p' "$log")
      closing=$(sed -nE 's/^\[==========\] ([0-9]+) tests? from .* ran\..*/\1/p' "$log")
      run=$(grep -c '^\[ RUN      \]' "$log" || true)
      passed=$(grep -c '^\[       OK \]' "$log" || true)
      skipped=$(grep -cE '^\[  SKIPPED \] .* \([0-9]+ ms\)$' "$log" || true)
      failed=$((run - passed - skipped))
      # Without the closing lines, or with fewer cases than announced, the program did not end
      # as GoogleTest ends: whatever its exit code, that fails it.
      if [[ -z $announced || $closing != "$announced" || $run -ne $announced ]]; then
        failed=$((failed + 1))
      fi
      ;;
    ctest)
      if [[ $(grep -E '% tests passed, ' "$log" | tail -n1) =~ \ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]
      then
        failed=${BASH_REMATCH[1]} run=${BASH_REMATCH[2]}
        passed=$((run - failed))
      fi
      ;;
    count)
      if [[ $(grep -E '[0-9]+ passed, [0-9]+ failed' "$log" | tail -n1) =~ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]
      then
        passed=${BASH_REMATCH[1]} failed=${BASH_REMATCH[2]}
        run=$((passed + failed))
      fi
      ;;
    single)
      run=1
      passed=$((exit_code == 0 ? 1 : 0))
      failed=$((1 - passed))
      ;;
  esac
  [[ $exit_code -ne 0 && $failed -eq 0 ]] && failed=1
  echo "$run $passed $failed"
}

run_suite() {
  local name=$1 build=$2 kind=$3 deadline=$4
  shift 4
  local log="$suites_file.$name.$build.log" start exit_code=0 counts
  start=$(date +%s)
  timeout -k 30 "$deadline" bash -c '"$@"' run_suite "$@" </dev/null >"$log" 2>&1 ||
    exit_code=$?
  counts=$(count_cases "$kind" "$log" "$exit_code")
  printf '%s\t%s\t%s\t%s\n' "$name" "$build" "${counts// /$'\t'}" "$(($(date +%s) - start))" \
    >>"$suites_file"
  if [[ ${counts##* } -ne 0 ]]; then
    [[ $exit_code -eq 124 ]] && echo "$name ($build) passed its deadline of $deadline s" >&2
    echo "--- $name ($build) failed; the end of its output:" >&2
    tail -n 80 "$log" >&2
    return 1
  fi
}

suites_end() {
  local status=0 promised
  {
    printf 'suite\tbuild\trun\tpassed\tfailed\tseconds\n'
    cat "$suites_file"
  } | column -t -s $'\t'
  awk -F'\t' '$5 != 0 { bad = 1 } END { exit bad }' "$suites_file" || status=1
  for promised in "$@"; do
    if ! awk -F'\t' -v want="$promised" '$1 "/" $2 == want { found = 1 } END { exit !found }' \
      "$suites_file"; then
      echo "promised suite did not run: $promised" >&2
      status=1
    fi
  done
  return $status
}
