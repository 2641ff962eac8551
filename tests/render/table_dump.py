"""Reads an exported table back with tools that know nothing of the writer.

table_dump.py xlsx FILE: one line per worksheet ("S", name) and per cell
  ("C", sheet index, row, column (from 1), kind n/d/s/b, value, number format, bold).
table_dump.py csv FILE: "BOM" + yes/no, then one line per record ("R", fields...).
Fields are tab-separated; backslash, tab, CR and LF in texts are escaped.
"""
import csv
import datetime
import io
import sys


def esc(text):
    return (str(text).replace("\\", "\\\\").replace("\t", "\\t")
            .replace("\r", "\\r").replace("\n", "\\n"))


def xlsx(path):
    import openpyxl
    book = openpyxl.load_workbook(path)
    for index, sheet in enumerate(book.worksheets):
        print("S\t" + esc(sheet.title))
        for row in sheet.iter_rows():
            for cell in row:
                v = cell.value
                if v is None:
                    continue
                if isinstance(v, bool):
                    kind, text = "b", str(v)
                elif isinstance(v, (int, float)):
                    kind, text = "n", repr(float(v))
                elif isinstance(v, datetime.datetime):
                    kind, text = "d", v.isoformat(sep=" ")
                else:
                    kind, text = "s", v
                print("\t".join(["C", str(index), str(cell.row), str(cell.column), kind, esc(text),
                                 esc(cell.number_format), "1" if cell.font.b else "0"]))


def csv_file(path):
    raw = open(path, "rb").read()
    print("BOM\t" + ("yes" if raw.startswith(b"\xef\xbb\xbf") else "no"))
    text = raw.decode("utf-8-sig")
    for record in csv.reader(io.StringIO(text, newline=""), strict=True):
        print("\t".join(["R"] + [esc(f) for f in record]))


if __name__ == "__main__":
    {"xlsx": xlsx, "csv": csv_file}[sys.argv[1]](sys.argv[2])
