#!/usr/bin/env bash
# Builds everything and runs the whole test suite, the PostgreSQL
# data-source suite against a throwaway local server included.
#   CAVRA_SANITIZE=address,undefined scripts/test.sh   builds with sanitizers
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${RENDER_PACKAGES[@]}" "${OUTPUT_CHECK_PACKAGES[@]}"

dir=$BUILD_DIR-tests
options=(-DCAVRA_BUILD_TESTS=ON -DCAVRA_BUILD_BENCHMARKS=ON)
if [[ -n ${CAVRA_SANITIZE:-} ]]; then
  dir=$ROOT/build/sanitize
  options+=(-DCAVRA_SANITIZE="$CAVRA_SANITIZE" -DCMAKE_BUILD_TYPE=Debug -DCAVRA_BUILD_BENCHMARKS=OFF)
fi
[[ -n ${CAVRA_WARNINGS_AS_ERRORS:-} ]] && options+=(-DCAVRA_WARNINGS_AS_ERRORS=ON)
configure_and_build "$dir" "${options[@]}"

pg=$ROOT/tests/datasource/pg_test_server.sh
export CAVRA_PG_TEST_DIR=${CAVRA_PG_TEST_DIR:-$(mktemp -d /tmp/cavra-pg.XXXXXX)}
trap 'bash "$pg" stop >/dev/null 2>&1 || true; rm -rf "$CAVRA_PG_TEST_DIR"' EXIT
eval "$(bash "$pg" start)"

log "running the tests"
ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc)"
