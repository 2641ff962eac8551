// The print documents as a table: a spreadsheet (XLSX) or a CSV file, for
// people who go on working with the numbers rather than look at pages.
//
// Both formats hold, per 任务 (voucher), the same blocks, top to bottom:
//
//   title             the 标题 text (lines joined by a blank), bold; left out when empty
//   header fields     one row per 表头 字段 whose 打印 is not 不打印: caption in the first column,
//                     value in the second, as the print shows it (its 类型 applied, %G: references
//                     resolved). The caption of an item is the part of its 关键字 before "(";
//                     a fixed label (关键字 文本n) has no caption and its text sits in the first
//                     column. Fields with neither caption nor value are left out.
//   one empty row     (only when there are header fields or a title)
//   column titles     bold; a title written on several lines is joined into one
//   body rows         every 表体行 in order, the 分单 groups one after another; a SumRow line
//                     is bold and left out of the totals
//   表体尾 rows        bold; %PAGE_SUM_F%[fmt] and %SUB_TOTAL_F%[fmt] become the sum of the
//                     column over every body row of the voucher (a table has no pages); a
//                     sum that overflows shows "#####"
//   footer fields     an empty row, then the 表尾 字段 as the header fields
//
// The body columns are typed by 字段类型 (TableColumns, or else the style's 表体):
//   "7"  number: a cell that reads as a number (thousands separators allowed) is a number.
//        Its format is the format of the column's first %PAGE_SUM_F%/%SUB_TOTAL_F% token when
//        that is made of "#0,." only, else "0" (or "#,##0" when a cell shows separators) with
//        as many decimals as the most any cell of the column shows.
//   "8"  date and time: yyyy-mm-dd or yyyy/mm/dd, optionally followed by a blank or "T" and
//        hh:mm[:ss], years 1900 to 9999, is a date; "yyyy-mm-dd", or "yyyy-mm-dd hh:mm:ss"
//        when some cell of the column has a time of day.
//   any other code, and cells that do not read as their type: the text as given.
// Totals cells are numbers whatever the column's type, in the token's format.
//
// XLSX: one worksheet per 任务, named after its receipt number (the 单据号 part before
// "{##}"), with []:*?/\ turned into "_", cut to 31 characters, made unique with " (n)";
// "单据n" when there is none ("History" is avoided: spreadsheet programs keep it). More than
// kMaxSheets vouchers share one worksheet named "单据", one after another with an empty row
// between (each worksheet keeps a temporary file open while the workbook is written); no
// voucher at all gives one empty worksheet "单据" (and a CSV file holding only the mark). Column widths come from 字段大小 (characters),
// at least the width of the title, between 4 and 60. The column titles stay in view while
// scrolling when a worksheet holds one voucher. Written in constant-memory mode: memory
// stays bounded whatever the number of lines. More rows than a worksheet holds
// (1,048,576) or more than 16,384 columns fail with a reason; a text over 32,767
// characters is cut there.
//
// CSV: UTF-8 with a byte-order mark, RFC 4180: CR LF after every record, every record as
// wide as the widest block (at least two fields), a field holding a comma, a double quote,
// CR or LF is quoted and its quotes doubled. The blocks are those above, vouchers separated
// by an empty record. Numbers are written plainly, with the column's decimals and no
// thousands separator ("1234.50"), so that any reader takes them as numbers; dates as
// in XLSX. Texts are written as given, also those beginning with "=": the file is data for
// other programs, and no guard character is added that would change it.
//
// Both write the file beside path and rename it over path: a failure leaves no
// partial file and the earlier file, if any, as it was.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "render/document.h"

namespace cavra::render {

// The body columns: 字段类型, 字段大小 and 字段名称 lists, one entry per column
// ("10" text, "7" number, "8" date and time). An empty list is taken from the style's 表体.
struct TableColumns {
  std::vector<std::string> types, sizes, names;
};

inline constexpr std::size_t kMaxSheets = 200;

// False with a reason when the file cannot be written or the table does not fit.
bool WriteXlsx(const StyleDocument& style, const DataDocument& data, const TableColumns& columns,
               const std::string& path, std::string& reason);
bool WriteCsv(const StyleDocument& style, const DataDocument& data, const TableColumns& columns,
              const std::string& path, std::string& reason);

}  // namespace cavra::render
