#!/usr/bin/env bash
# Every cavra-voucher command on SQLite and on PostgreSQL, from the same seed:
# the output, the files written and the database contents afterwards must be
# the same (the database's name aside). Skipped (77) without CAVRA_TEST_PG.
# Usage: backend_parity_test.sh <cavra-voucher> <cavra-db-dump> <schema.sql> <examples folder>
set -uo pipefail
tool=$(realpath "$1")
dump=$(realpath "$2")
schema=$3
examples=$4
if [[ -z ${CAVRA_TEST_PG:-} ]]; then
  echo "CAVRA_TEST_PG is not set: run tests/datasource/pg_test_server.sh start"
  exit 77
fi
work=$(mktemp -d)
pg_name=cavra_parity_$$
pg="$CAVRA_TEST_PG dbname=$pg_name"
cleanup() {
  "$dump" exec "$CAVRA_TEST_PG" "DROP DATABASE IF EXISTS $pg_name WITH (FORCE)" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
"$dump" exec "$CAVRA_TEST_PG" "CREATE DATABASE $pg_name" || exit 1
mkdir -p "$work/sqlite" "$work/pg"
sqlite_db="$work/sqlite/cavra.db"
export CAVRA_COMPONENT_DIR="$work" CAVRA_PRINT_DIR="$work/print" CAVRA_OUTBOX_DIR="$work/outbox"

# Every table of the schema and of the sample voucher.
mapfile -t tables < <(
  grep -oiE '^CREATE TABLE [A-Za-z0-9_.]+' "$schema" | awk '{print $3}'
  grep -ohE '<table name="[^"]+"' "$examples"/*/voucher.xml | sed 's/.*name="//; s/"$//'
)
[[ ${#tables[@]} -gt 20 ]] || { echo "FAIL: found only ${#tables[@]} tables to compare"; exit 1; }

failures=0
step=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The name of the database is the one thing that may differ.
normalise() {
  grep -vE '^cavra-voucher: (connecting to PostgreSQL|creating the embedded database at .*)$' |
    sed -E -e "s#$sqlite_db#<db>#g" -e 's#PostgreSQL#<db>#g' -e 's#/demo-[A-Za-z0-9]{6}/#/demo-XXXXXX/#'
}

mask_print_time() {
  sed -E 's/^(s:[^\t]*\ts:[^\t]*\ti:[0-9]+\t)s:[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}\t/\1s:<time>\t/'
}

# both ARGS...: runs the command on both databases and compares exit code,
# output, the files under out*/ and every table.
both() {
  step=$((step + 1))
  local s=$work/s$step p=$work/p$step
  (cd "$work/sqlite" && CAVRA_DB="$sqlite_db" "$tool" "$@") >"$s.raw" 2>&1
  local s_code=$?
  last_code=$s_code
  (cd "$work/pg" && "$tool" "$@" --db "$pg") >"$p.raw" 2>&1
  local p_code=$?
  normalise <"$s.raw" >"$s.out"
  normalise <"$p.raw" >"$p.out"
  if [[ $s_code -ne $p_code ]]; then
    fail "cavra-voucher $*: exit $s_code on SQLite, $p_code on PostgreSQL"
    head -5 "$s.out" "$p.out" | sed 's/^/    /'
  elif ! diff -u "$s.out" "$p.out" >"$work/diff" 2>&1; then
    fail "cavra-voucher $*: the output differs (SQLite -, PostgreSQL +)"
    head -40 "$work/diff" | sed 's/^/    /'
  fi
  if ! diff -ru -x '*.db*' -x 'cavra.*' "$work/sqlite" "$work/pg" >"$work/diff" 2>&1; then
    fail "cavra-voucher $*: the files written differ"
    head -40 "$work/diff" | sed 's/^/    /'
  fi
  # The clock of a print (PrintPolicy_VCH's lastprintTime) may tick between the two runs.
  if ! "$dump" dump "$sqlite_db" "${tables[@]}" 2>&1 | mask_print_time >"$s.tables" ||
    ! "$dump" dump "$pg" "${tables[@]}" 2>&1 | mask_print_time >"$p.tables"; then
    fail "after cavra-voucher $*: cannot dump the tables"
    tail -n 3 "$s.tables" "$p.tables" | sed 's/^/    /'
  elif ! diff -u "$s.tables" "$p.tables" >"$work/diff" 2>&1; then
    fail "after cavra-voucher $*: the databases differ (SQLite -, PostgreSQL +)"
    head -40 "$work/diff" | sed 's/^/    /'
  fi
  return 0
}

# expect CODE PATTERN: the last step's exit code and a pattern of its output
# (so that two equally wrong answers do not pass).
expect() {
  [[ $last_code -eq $1 ]] || fail "step $step: exit $last_code, want $1"
  grep -qE -- "$2" "$work/s$step.out" || fail "step $step: no /$2/ in the output"
}

# has PATTERN: a pattern of the tables after the last step.
has() { grep -qE -- "$1" "$work/s$step.tables" || fail "step $step: no /$1/ in the tables"; }

last_code=0
both items
expect 0 "TcSOCode"
both show --out out
expect 0 "SO2026120001"
expect 0 "44,800.00"
both show --lang en-US
both calc
both calc --line 2
both edit --line 2 --set iQuantity=99
both edit --line 2 --set iQuantity=99 --set iUnitPrice=1250 --save --out out
expect 0 "wrote voucher 1000001 to <db>"
has "i:2000002	i:1000001	i:2	s:A-1002	.*	d:99	d:1250	"
both show
both edit --line 3 --set "cMemo=O'Brien; -- 含\"引号\" \\x" --save
has "s:O'Brien; -- 含\"引号\" "
both edit --line 1 --set dPreDate=2027-01-05 --set iQuantity=0.5 --save
has "s:2027-01-05"
both calc --save --out out
both sort --by "iSum,descending" --out out
expect 0 "saved: iSum,descending"
both show
both sort --by "cInvCode,ascending"
both demo
expect 0 "== 6. write the edited head and body back"
expect 0 "业务员 +u02"
both contacts
expect 0 "客户编码 +u03"
both summary
expect 0 "订单号 +cSOCode +SO2026120001"
both contacts --voucher 42
expect 1 "no voucher 42"
both show --voucher 42
expect 1 "no voucher 42"
both show --template 99:1
expect 1 "no template 99:1"
both edit --line 1 --set cNothing=1 --save
expect 1 "no body field cNothing"
both edit --line 9 --set iQuantity=1 --save
both items --template 17:12
both edit --line 1 --set iQuantity=abc --save
both sort --by "iSum,sideways"
both show
both edit --line 1 --set AutoID=2000002 --save
both show

[[ $failures -eq 0 ]] && echo "backend parity: all $step commands alike"
exit $((failures > 0))
