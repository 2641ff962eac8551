#!/usr/bin/python3
"""Writes examples/sales_order/voucher_long.xml: a second sales order of 120
lines, long enough to run over several pages with page subtotals and a carried
total. The amounts are computed in exact decimals, as the template's formulas
give them: money = quantity x price, tax = 13 % of money, sum = money + tax.

    /usr/bin/python3 scripts/make_long_sample.py
"""
from decimal import Decimal, ROUND_HALF_UP
from pathlib import Path
from xml.sax.saxutils import quoteattr

LINES = 120
RATE = Decimal("13")
# code, name, model, unit, unit price
ITEMS = [
    ("A-1001", "数字压力表", "0-1.6MPa", "台", "356.5"),
    ("A-1002", "温度变送器", "PT100", "只", "1280"),
    ("B-2001", "不锈钢球阀", "DN50", "个", "88.25"),
    ("B-2002", "密封垫片", "DN50", "片", "3.6"),
    ("C-3001", "流量计", "DN80 电磁", "台", "9850"),
    ("C-3002", "液位计", "磁翻板 1.2m", "台", "2460"),
    ("D-4001", "电缆桥架", "200x100", "米", "46.8"),
    ("D-4002", "阻燃电缆", "ZR-YJV 3x4", "米", "18.35"),
    ("E-5001", "安全阀", "DN25 1.6MPa", "个", "612"),
    ("E-5002", "止回阀", "DN40", "个", "237.5"),
    ("F-6001", "控制柜", "800x600x2000", "面", "15800"),
    ("F-6002", "接线端子", "UK 2.5B", "个", "1.85"),
]
CENT = Decimal("0.01")


def money(v: Decimal) -> Decimal:
    return v.quantize(CENT, rounding=ROUND_HALF_UP)


def number(v: Decimal) -> str:
    text = format(v.normalize(), "f")
    return text


def main() -> None:
    out = ['<?xml version="1.0" encoding="utf-8"?>', "<!--",
           "  A long sales order of the sample: written by scripts/make_long_sample.py",
           "  (do not edit by hand). Rows only: the tables are those of voucher.xml.", "-->",
           "<voucher-data>", '  <table name="SO_SOMain">']
    out.append('    <row ID="1000002" cSOCode="SO2026120002" dDate="2026-12-03" cBusType="01" cCusCode="C001"\n'
               '         cCusName="华东精密仪器有限公司" cDepCode="0301" cPersonCode="P0012" cexch_name="人民币"\n'
               '         iExchRate="1" iTaxRate="13" cMemo="二期工程 &amp; 备品备件" csysbarcode="||SO|SO2026120002"\n'
               '         cMaker="王晓梅" dcreatesystime="2026-12-03T14:05:00"/>')
    out.append("  </table>")
    out.append('  <table name="SO_SODetails">')
    for i in range(1, LINES + 1):
        code, name, std, unit, price = ITEMS[(i * 7) % len(ITEMS)]
        price = Decimal(price)
        # dear items in few pieces, cheap ones in many: line sums of a few thousand
        most = 3 if price >= 1000 else 12 if price >= 100 else 60
        qty = Decimal((i * 37) % most + 1) / (2 if i % 9 == 0 else 1)
        amount = money(qty * price)
        tax = money(amount * RATE / 100)
        tax_price = (price * (1 + RATE / 100)).quantize(Decimal("0.0001"), rounding=ROUND_HALF_UP)
        day = 10 + i % 15
        memo = ' cMemo="分批到货"' if i % 11 == 0 else ""
        out.append(f'    <row AutoID="{2001000 + i}" ID="1000002" irowno="{i}" cInvCode={quoteattr(code)}'
                   f' cInvName={quoteattr(name)}\n         cInvStd={quoteattr(std)} cComUnitName={quoteattr(unit)}'
                   f' iQuantity="{number(qty)}" iUnitPrice="{number(price)}" iTaxUnitPrice="{number(tax_price)}"'
                   f'\n         iMoney="{number(amount)}" iTax="{number(tax)}" iSum="{number(amount + tax)}"'
                   f' dPreDate="2026-12-{day:02d}" bGift="0"{memo}/>')
    out += ["  </table>", "</voucher-data>", ""]
    path = Path(__file__).resolve().parent.parent / "examples" / "sales_order" / "voucher_long.xml"
    path.write_text("\n".join(out), encoding="utf-8")


if __name__ == "__main__":
    main()
