#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz and runs each one from its seed
# corpus for a bounded time. Prints, per target, the executions run and the
# faults found; exits 1 when a target found one (its input is kept under
# build/fuzz/findings/<target>/ and the report in build/fuzz/<target>.log).
#   tests/fuzz/run.sh [target...]          all targets when none is named
#   CAVRA_FUZZ_SECONDS=300                 seconds per target (default 60)
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
ensure_packages "${BUILD_PACKAGES[@]}" "${RENDER_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

seconds=${CAVRA_FUZZ_SECONDS:-60}
dir=$ROOT/build/fuzz
# Longest input per target: room for the sample documents, no more, so that
# an execution stays fast.
declare -A max_len=([voucher_data]=8192 [template]=16384 [formula]=256 [sort_command]=256
                    [sql_dialect]=1024 [pictures]=128 [audit_display]=1024 [print_documents]=16384
                    [render_marks]=4096)
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] ||
  targets=(voucher_data template formula sort_command sql_dialect pictures audit_display print_documents
    render_marks)

# RelWithDebInfo without NDEBUG: the library's own assertions stay on.
CXX=clang++ configure_and_build "$dir" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g" -DCAVRA_BUILD_FUZZERS=ON -DCAVRA_BUILD_TESTS=OFF \
  -DCAVRA_BUILD_BENCHMARKS=OFF -DCAVRA_BUILD_TOOLS=OFF -DCAVRA_INSTALL=OFF -DCAVRA_WITH_POSTGRES=OFF

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export CAVRA_COMPONENT_DIR=$dir CAVRA_REGISTRY_FILE=$dir/registry.ini
failed=0
printf '%-14s %12s  %s\n' target executions faults
for t in "${targets[@]}"; do
  [[ -n ${max_len[$t]:-} ]] || { log "no fuzz target $t"; exit 2; }
  # New inputs go to a working corpus, never into the seed corpus of the tree.
  work=$dir/corpus/$t findings=$dir/findings/$t
  mkdir -p "$work" "$findings"
  rc=0
  "$dir/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$work" "$ROOT/tests/fuzz/corpus/$t" >"$dir/$t.log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/$t.log" | tail -1)
  # a run stopped by a fault prints no statistics: its last progress line then
  [[ -n $runs ]] || runs=$(sed -n 's/^#\([0-9]*\)\t.*/\1/p' "$dir/$t.log" | tail -1)
  faults=0
  if [[ $rc -ne 0 ]]; then
    first=$(grep -a -m1 -E '^(==[0-9]+==ERROR|SUMMARY|fuzz check failed|.*runtime error)' "$dir/$t.log" ||
            echo "exit $rc")
    faults="1: $first"
    failed=1
  fi
  printf '%-14s %12s  %s\n' "$t" "${runs:-?}" "$faults"
done
if [[ $failed -ne 0 ]]; then
  log "faults found: reports in $dir/<target>.log, inputs in $dir/findings/"
  exit 1
fi
