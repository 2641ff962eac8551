#!/usr/bin/env bash
# cavra-voucher from the outside: exit codes, messages, and the commands on a
# fresh database. Usage: cli_test.sh <cavra-voucher> <examples folder>
set -uo pipefail
tool=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CAVRA_DB="$work/cli.db" CAVRA_COMPONENT_DIR="$work"
failures=0

# expect CODE PATTERN ARGS...: the exit code and a pattern of the output.
expect() {
  local code=$1 pattern=$2
  shift 2
  local out
  out=$("$tool" "$@" 2>&1)
  local got=$?
  if [[ $got -ne $code ]] || ! grep -qE -- "$pattern" <<<"$out"; then
    echo "FAIL: cavra-voucher $* -> exit $got (want $code, /$pattern/)"
    echo "$out" | head -20 | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

expect 2 "no command given"
expect 2 "unknown command: frobnicate" frobnicate
expect 2 "show does not take --by" show --by x
expect 2 "edit needs --line" edit --set iQuantity=1
expect 2 "--line: not a whole number" edit --line x --set a=1
expect 2 "--lang: zh-CN or en-US" show --lang fr
expect 0 "usage: cavra-voucher COMMAND" --help
expect 0 "usage: cavra-voucher sort" sort --help
expect 1 "no database at $work/missing.db" show --db "$work/missing.db"
expect 1 "cannot read" items --file "$work/missing.xml"
echo "garbage" >"$work/garbage.db"
expect 1 "cannot open the database" show --db "$work/garbage.db"

# The embedded database is created on first use; then each command works on it.
expect 0 "TcSOCode +表头 +订单号 +1 +1" items --file "$examples/sales_order/template.xml"
expect 0 "华东精密仪器有限公司" show
[[ -f $CAVRA_DB ]] || { echo "FAIL: no database at $CAVRA_DB"; failures=$((failures + 1)); }
expect 0 "BiMoney +表体 +无税金额" items
expect 1 "no voucher 42 in SO_SOMain" show --voucher 42
expect 1 "no template 99:1" show --template 99:1
expect 1 "no body field cNothing" edit --line 1 --set cNothing=1
expect 0 "50,000.00" edit --line 2 --set iQuantity=40 --set iUnitPrice=1250
expect 0 "44,800.00" show  # an edit without --save changes nothing
expect 0 "wrote voucher 1000001" edit --line 2 --set iQuantity=40 --set iUnitPrice=1250 --save
expect 0 "50,000.00" show --out "$work/out"
[[ -s $work/out/body.xml ]] || { echo "FAIL: --out wrote no body.xml"; failures=$((failures + 1)); }
expect 0 "saved: iSum,descending" sort --by "iSum,descending"
expect 0 "1 +2 +A-1002 .* 56,500.00" show   # the saved sort is re-applied on load
expect 0 "== 6. write the edited head and body back" demo

[[ $failures -eq 0 ]] && echo "cli: all passed"
exit $((failures > 0))
