#!/usr/bin/env bash
# cavra-voucher with names and voucher types, read from the database, that
# try to get into its SQL text or its customer-info records.
# Usage: cli_sql_values_test.sh <cavra-voucher>
set -uo pipefail
tool=$1
if ! command -v sqlite3 >/dev/null; then
  echo "FAIL: sqlite3 is not installed (TEST_PACKAGES in scripts/lib.sh)"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CAVRA_DB="$work/cli.db" CAVRA_COMPONENT_DIR="$work"
source "$(dirname "${BASH_SOURCE[0]}")/cli_lib.sh"

"$tool" show >/dev/null 2>&1 || fail "the embedded database was not created"

# A stored body key that is not a plain name (here it would reverse the line
# order) is refused, never run.
cp "$work/cli.db" "$work/key.db"
sqlite3 "$work/key.db" "update vouchers_base set vchBodyPKName = 'AutoID desc' where CardNumber = '17'"
expect 1 'not a plain SQL name: "AutoID desc"' show --db "$work/key.db"

# A voucher type with a quote: the template, the body key and the saved sort
# command all find it.
cp "$work/cli.db" "$work/quote.db"
sqlite3 "$work/quote.db" "
  update vouchers_base set CardNumber = 'O''Brien', vchBodyPKName = 'AutoID' where CardNumber = '17';
  update vouchertemplates_base set vt_cardnumber = 'O''Brien' where vt_cardnumber = '17';
  update vouchertemplates_items set tmpl_cardnumber = 'O''Brien' where tmpl_cardnumber = '17';"
expect 0 "1 +1 +A-1001" show --db "$work/quote.db" --template "O'Brien:12"
expect 0 "saved: iSum,descending" sort --db "$work/quote.db" --template "O'Brien:12" --by "iSum,descending"
stored=$(sqlite3 "$work/quote.db" "select fchrVoucherType || '|' || fchrXmlInfo from VoucherCustomerInfo
  where fchrType = 'VoucherSorterCommand'")
[[ $stored == "O'Brien|iSum,descending" ]] || fail "the sort command is stored as '$stored'"
expect 0 "1 +2 +A-1002 .* 44,800.00" show --db "$work/quote.db" --template "O'Brien:12"

[[ $failures -eq 0 ]] && echo "cli sql values: all passed"
exit $((failures > 0))
