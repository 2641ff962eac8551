// Cell and field texts as the pages show them: exact decimal sums, number
// formats, upper-case Chinese amounts and dates, and body-cell references.
//
// What each 类型 of a 字段 shows (the value is the data document's text after
// its %G: references are resolved):
//
//   类型                          shows
//   0, 1, 2, 7, 9, 12, 14, 17, 19   the text as given (1 and 2: pre-printed form, value only)
//   5, 6, 8, 11, 13, 16, 18         a number as an upper-case money amount: 12345.67 is
//                                   壹万贰仟叁佰肆拾伍元陆角柒分 (any other text as given)
//   10                              a number in upper-case numerals: 1205.5 is 壹仟贰佰零伍点伍
//   20                              a date (yyyy-mm-dd, yyyy/mm/dd, time ignored) in upper case,
//                                   as on a cheque: 2026-12-06 is 贰零贰陆年壹拾贰月零陆日
//   15                              the text as given, drawn as a barcode of the field's 编码标准
//                                   and 编码格式 filling its box, without caption (layout.h)
//   any other code                  the text as given
// A 字段 with 图片='是' shows its picture instead, whatever its 类型 (layout.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cavra::render {

// Amounts in millionths, so that sums of cells are exact.
inline constexpr std::int64_t kMicros = 1000000;

// A cell text as an amount: optional sign, digits with optional thousands
// separators, optional decimals (more than six are rounded). False when the
// text is not such a number or does not fit.
bool ParseAmount(std::string_view text, std::int64_t& micros);

// An amount by a number format ("#,##0.00", "0.000", "0"): the decimals are
// the digit places after ".", thousands separated when the format has ",".
// An empty format shows the decimals the amount needs.
std::string FormatAmount(std::int64_t micros, std::string_view format);

std::string UpperMoney(std::int64_t micros);
std::string UpperNumber(std::int64_t micros);
// Empty when the text is not a date.
std::string UpperDate(std::string_view text);

// The text a 字段 of this 类型 shows for value.
std::string FieldText(int type, const std::string& value);

// Replaces every "%G:r,##column##%" with the cell of body row r (from 0) and
// the named column; a row or column that does not exist gives an empty text.
// cell(r, column, out) sets out to the cell's text and leaves it alone when
// there is no such cell.
template <class CellFn>
std::string ResolveCellReferences(const std::string& text, CellFn cell) {
  std::string out;
  std::size_t at = 0;
  for (;;) {
    std::size_t start = text.find("%G:", at);
    if (start == std::string::npos) break;
    std::size_t comma = text.find(",##", start);
    std::size_t end = comma == std::string::npos ? comma : text.find("##%", comma + 3);
    if (end == std::string::npos) break;
    out.append(text, at, start - at);
    std::string row = text.substr(start + 3, comma - start - 3);
    std::string column = text.substr(comma + 3, end - comma - 3);
    std::int64_t r = 0;
    std::string value;
    if (ParseAmount(row, r) && r % kMicros == 0 && r >= 0)
      cell(static_cast<std::size_t>(r / kMicros), column, value);
    out += value;
    at = end + 3;
  }
  out.append(text, at, std::string::npos);
  return out;
}

}  // namespace cavra::render
