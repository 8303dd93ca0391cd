#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build for a while: run_fuzzers.sh BUILD SECONDS [TARGET...].
# Each target starts from its seeds in fuzz/corpus/<target> and keeps what it learns in
# BUILD/fuzz/corpus/<target>; a finding is left in BUILD/fuzz/findings/ and fails the run.
# Prints one line per target at the end: executions and executions per second, coverage (edges)
# and features.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
seconds=$2
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$build"/fuzz/fuzz_*; do [ -x "$f" ] && targets+=("$(basename "$f")"); done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
mkdir -p "$build/fuzz/findings" "$build/fuzz/logs"
summary=()
failed=0
for t in "${targets[@]}"; do
  corpus=$build/fuzz/corpus/$t
  seeds=$here/corpus/$t
  mkdir -p "$corpus"
  log=$build/fuzz/logs/$t.log
  echo "== $t: ${seconds}s"
  extra=()
  [ -f "$here/$t.dict" ] && extra+=("-dict=$here/$t.dict")
  [ -f "$here/$t.options" ] && read -r -a opts <"$here/$t.options" && extra+=("${opts[@]}")
  "$build/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=3072 \
    -artifact_prefix="$build/fuzz/findings/$t-" "${extra[@]}" "$corpus" "$seeds" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  line=$(grep -E '^#[0-9]+' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$line")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$line")
  if [ $rc -ne 0 ]; then
    failed=1
    grep -E 'ERROR|SUMMARY|property violated|runtime error|Test unit written' "$log" | head -5
    summary+=("$t: FOUND A FAULT after ${execs:-?} executions (log $log)")
  else
    summary+=("$t: ${execs:-?} executions (${rate:-?} a second), coverage ${cov:-?} edges, ${ft:-?} features")
  fi
done
echo
printf '%s\n' "${summary[@]}"
exit $failed
