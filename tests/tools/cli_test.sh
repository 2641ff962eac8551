#!/usr/bin/env bash
# cavra-voucher from the outside: exit codes, messages, and the commands on a
# fresh database. Usage: cli_test.sh <cavra-voucher> <examples folder>
set -uo pipefail
tool=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CAVRA_DB="$work/cli.db" CAVRA_COMPONENT_DIR="$work"
source "$(dirname "${BASH_SOURCE[0]}")/cli_lib.sh"

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
[[ -f $CAVRA_DB ]] || fail "no database at $CAVRA_DB"
expect 0 "BiMoney +表体 +无税金额" items
expect 1 "no voucher 42 in SO_SOMain" show --voucher 42
expect 1 "no template 99:1" show --template 99:1
expect 1 "no body field cNothing" edit --line 1 --set cNothing=1
expect 0 "50,000.00" edit --line 2 --set iQuantity=40 --set iUnitPrice=1250
expect 0 "44,800.00" show  # an edit without --save changes nothing
expect 0 "wrote voucher 1000001" edit --line 2 --set iQuantity=40 --set iUnitPrice=1250 --save
expect 0 "50,000.00" show --out "$work/out"
[[ -s $work/out/body.xml ]] || fail "--out wrote no body.xml"
expect 0 "saved: iSum,descending" sort --by "iSum,descending"
expect 0 "1 +2 +A-1002 .* 56,500.00" show   # the saved sort is re-applied on load
# Printing goes through the default print control, mail through the default
# mailer: each names the files it wrote.
export CAVRA_PRINT_DIR="$work/print" CAVRA_OUTBOX_DIR="$work/outbox" CAVRA_REGISTRY_FILE="$work/registry.ini"
expect 0 "== 6. write the edited head and body back" demo
expect 0 "$work/print/demo-[A-Za-z0-9]{6}/SO2026120001.pdf" demo
expect 0 "^$work/p/SO2026120001.pdf" print --out "$work/p" --labels "$examples/sales_order/labels.xml"
pdftotext "$work/p/SO2026120001.pdf" - | grep -q "销售订单" ||
  fail "the printed PDF does not show the title"
expect 0 "^$work/print/SO2026120001.html" preview
expect 0 "^$work/print/SO2026120001-2.html" export --type 2
expect 0 "^$work/print/SO2026120001.xlsx" export --type xlsx
expect 0 "^$work/print/SO2026120001.csv" export --type csv
grep -q "A-1001" "$work/print/SO2026120001.csv" || fail "the CSV has no lines"
expect 2 "--type: not a whole number" export --type x
# A printer that is not there: the reason, and the PDF still named.
CAVRA_PRINTER=ipp://127.0.0.1:1/ipp/print expect 1 "the printer ipp://127.0.0.1:1/ipp/print.*kept" print
[[ -s $work/print/SO2026120001-2.pdf ]] || fail "a failed print lost its PDF"
expect 1 "cannot read" print --labels "$work/missing.xml"
expect 0 "^$work/outbox/mail-1.eml" mail
grep -q "^To: purchase@hdjm.example.com, liujg@example.com" "$work/outbox/mail-1.eml" ||
  fail "the mail does not go to the sample order's recipients"
expect 0 "^$work/outbox/mail-2.eml" mail --to buyer@example.com --type pdf
grep -q "^To: buyer@example.com" "$work/outbox/mail-2.eml" && grep -q 'filename=.*\.pdf' "$work/outbox/mail-2.eml" ||
  fail "mail --to does not send the PDF to the address given"
expect 2 "not an e-mail address" mail --to $'a@b.example\r\nBcc: c@d.example'

q() { sqlite3 "$CAVRA_DB" "$1"; }
body() {
  q "select group_concat(AutoID || ':' || ifnull(cInvCode, '') || ':' || ifnull(iQuantity, '') || ':' ||
    ifnull(dPreDate, '') || ':' || ifnull(bGift, '') || ':' || ifnull(cMemo, ''), '|') from
    (select * from SO_SODetails order by AutoID)"
}

# Values that do not fit their field are refused before anything is saved,
# with the same messages on every database; "$@" chooses the database.
refusals() {
  dbargs=("$@")
  local before
  before=$("$tool" show "$@" 2>&1)
  expect 2 "AutoID is a key column" edit --line 1 --set AutoID=2000002 --save
  for bad in NaN nan inf -Infinity 1e999 12abc 0x10 " "; do
    expect 2 "iQuantity: \"$bad\" is not a finite number" edit --line 2 --set "iQuantity=$bad" --save
  done
  expect 2 "iUnitPrice: \"inf\" is not a finite number" edit --line 2 --set iUnitPrice=inf --save
  for bad in "not a date" 2026-02-30 2026-13-01 "2026-12-01 25:00" 20261201 -202-12-01 2026-12-01x; do
    expect 2 "dPreDate: \"$bad\" is not a date" edit --line 2 --set "dPreDate=$bad" --save
  done
  expect 2 "bGift: \"7\" is not one of 否=0, 是=1" edit --line 2 --set bGift=7 --save
  expect 2 "cMemo: .* is 256 characters long, more than its 255" \
    edit --line 2 --set "cMemo=$(printf 'x%.0s' {1..256})" --save
  # A valid value before a bad one is not saved either.
  expect 2 "not a finite number" edit --line 2 --set cMemo=ok --set iQuantity=NaN --save
  expect 2 "no body line 99: the voucher has 5 lines" calc --line 99
  expect 2 "no body line 6: the voucher has 5 lines" edit --line 6 --set cMemo=x --save
  check "the voucher after refused edits (${1:-sqlite})" "$("$tool" show "$@" 2>&1)" "$before"
  dbargs=()
}
before=$(body)
refusals
check "the database after refused edits" "$(body)" "$before"
if [[ -n ${CAVRA_TEST_PG:-} ]]; then
  pgdb=cavra_cli_$$
  if psql "$CAVRA_TEST_PG" -qc "CREATE DATABASE $pgdb" >/dev/null; then
    refusals --db "$CAVRA_TEST_PG dbname=$pgdb"
    psql "$CAVRA_TEST_PG" -qc "DROP DATABASE $pgdb WITH (FORCE)" >/dev/null
  else
    fail "cannot create the PostgreSQL database $pgdb"
  fi
fi
# Lengths count characters: 255 Chinese characters fit; names of an enumeration become codes.
expect 0 "body 0 added, 1 updated" edit --line 2 --set "cMemo=$(printf '备%.0s' {1..255})" --set bGift=是 \
  --set "dPreDate=2027-02-28" --set iQuantity=+41.5 --save
check "line 2 after a valid edit" \
  "$(q "select length(cMemo) || bGift || dPreDate || iQuantity from SO_SODetails where AutoID = 2000002")" \
  "25512027-02-2841.5"

# Sort commands are checked before they are stored.
stored() {
  q "select ifnull(max(fchrXmlInfo), '<none>') from VoucherCustomerInfo
    where fchrType = 'VoucherSorterCommand'"
}
sort_before=$(stored)
expect 2 "unknown sort direction \"sideways\"" sort --by "iSum,sideways"
expect 2 "\"cNothing\" is not a body field" sort --by "cNothing"
many=$(printf 'iSum;%.0s' {1..3000})
expect 2 "\"iSum\" is sorted on twice" sort --by "$many"
check "the stored sort after refused commands" "$(stored)" "$sort_before"
# A bad command stored by another host is reported, and the lines keep their stored order.
q "update VoucherCustomerInfo set fchrXmlInfo = 'iSum,sideways' where fchrType = 'VoucherSorterCommand'"
expect 0 "warning: the saved sort command is not applied: unknown sort direction" show
expect 0 "1 +1 +A-1001 " show
expect 0 "saved: iSum,ascending" sort --by "iSum,ascending"
check "the stored sort after a good command" "$(stored)" "iSum,ascending"

# The IM addressees and the summary of the sample order. On a copy: a customer
# code that would widen the lookup if it ended its literal finds no one, and
# the business type decides which joint query the salesman's field follows.
expect 0 "客户编码 +u03" contacts
expect 0 "业务员 +u02" contacts
expect 0 "^GetAllIMUsers: <ToUsers><UserID Description='客户编码'>u03</UserID>" contacts
expect 0 "订单号 +cSOCode +SO2026120001" summary
expect 0 "客户名称 +cCusName +华东精密仪器有限公司" summary
expect 2 "contacts does not take --out" contacts --out "$work/x"
expect 0 "usage: cavra-voucher summary" summary --help
im=$work/im.db
for f in "$work"/cli*.db; do cp "$f" "$work/im${f#"$work"/cli}"; done  # with its attached databases
sqlite3 "$im" "update SO_SOMain set cCusCode = 'C001'' or ''1''=''1', cBusType = '02' where ID = 1000001"
expect 0 "^GetAllIMUsers: <ToUsers><UserID Description='销售部门'>u04</UserID></ToUsers>$" contacts --db "$im"
sqlite3 "$im" "delete from UserHRPersonContro"
expect 0 "^\(no IM contacts\)$" contacts --db "$im"

# A few hundred lines; one edited: the save writes that line and the line the
# formulas really change (line 150's stored tax does not follow its formula).
db=$work/lines.db
q "delete from VoucherCustomerInfo where fchrType = 'VoucherSorterCommand'"
cp "$CAVRA_DB" "$db"
sqlite3 "$db" "insert into SO_SODetails select AutoID + n, ID, irowno + n, cInvCode, cInvName, cInvStd,
  cComUnitName, iQuantity, iUnitPrice, iTaxUnitPrice, iMoney, iTax, iSum, dPreDate, bGift, cMemo, cFree1
  from SO_SODetails,
  (with recursive k(n) as (select 5 union all select n + 5 from k where n < 295) select n from k)
  where ID = 1000001;
  update SO_SODetails set iTax = 1 where ID = 1000001 and irowno = 150;
  create table written (n integer); insert into written values (0);
  create trigger count_writes after update on SO_SODetails begin update written set n = n + 1; end;"
expect 0 "the formulas changed 1 other line " edit --db "$db" --line 2 --set iQuantity=5
expect 0 "body 0 added, 2 updated" edit --db "$db" --line 2 --set iQuantity=5 --save
check "rows written for one edited line of 300" "$(sqlite3 "$db" "select n from written")" 2

# Two writers of one line, both loaded before either saves (a third connection
# holds the write lock meanwhile): different fields both land; the same field
# fails for the second writer, which writes nothing.
concurrent() {  # concurrent FIELD=VALUE FIELD=VALUE: runs the two edits of line 3
  { echo "BEGIN IMMEDIATE;"; sleep 4; echo "COMMIT;"; } | sqlite3 "$db" &
  local holder=$!
  sleep 0.5
  "$tool" edit --db "$db" --line 3 --set "$1" --save >"$work/a.out" 2>&1 &
  local a=$!
  "$tool" edit --db "$db" --line 3 --set "$2" --save >"$work/b.out" 2>&1 &
  local b=$!
  wait $a; ra=$?
  wait $b; rb=$?
  wait $holder
}
concurrent cMemo=first iQuantity=7
check "exit codes of two writers of different fields" "$ra$rb" "00"
check "line 3 after two writers of different fields" \
  "$(sqlite3 "$db" "select cMemo || ',' || iQuantity || ',' || iMoney from SO_SODetails where ID = 1000001 and irowno = 3")" \
  "first,7.0,617.75"
concurrent cMemo=from-a cMemo=from-b
if [[ "$ra$rb" == "01" ]]; then winner=from-a loser=$work/b.out; else winner=from-b loser=$work/a.out; fi
check "exit codes of two writers of one field" "$(echo "$ra$rb" | grep -cE '^(01|10)$')" 1
grep -q "changed by another user" "$loser" || { fail "no 'changed by another user' in:"; cat "$loser"; }
check "line 3 after two writers of one field" \
  "$(sqlite3 "$db" "select cMemo from SO_SODetails where ID = 1000001 and irowno = 3")" "$winner"

[[ $failures -eq 0 ]] && echo "cli: all passed"
exit $((failures > 0))
