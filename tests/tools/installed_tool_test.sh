#!/usr/bin/env bash
# The installed cavra-voucher runs from a prefix outside the loader's path.
# Usage: installed_tool_test.sh <cmake> <build dir>
set -uo pipefail
cmake=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! "$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1; then
  echo "FAIL: cmake --install"
  cat "$work/install.log"
  exit 1
fi
out=$(cd "$work" && env -u LD_LIBRARY_PATH CAVRA_DB="$work/installed.db" \
  "$work/prefix/bin/cavra-voucher" items 2>&1)
if [[ $? -ne 0 ]] || ! grep -q "TcSOCode" <<<"$out"; then
  echo "FAIL: the installed cavra-voucher does not run"
  echo "$out" | head -5
  exit 1
fi
echo "installed tool: passed"
