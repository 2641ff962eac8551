#include "table.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace cavra::tool {
namespace {

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {  // most cells: digits, codes, dates
      width += b != '\r' && b != '\n';
      ++i;
      continue;
    }
    char32_t c = b;
    std::size_t n = 1;
    if (b >= 0xF0) c = b & 0x07, n = 4;
    else if (b >= 0xE0) c = b & 0x0F, n = 3;
    else if (b >= 0xC0) c = b & 0x1F, n = 2;
    for (std::size_t k = 1; k < n && i + k < text.size(); ++k) c = (c << 6) | (text[i + k] & 0x3F);
    i += n;
    if (c == '\r' || c == '\n') continue;
    width += IsWide(c) ? 2 : 1;
  }
  return width;
}

Table::Table(std::vector<std::string> headings) : headings_(std::move(headings)) {
  if (headings_.empty()) headings_.emplace_back();
  for (const std::string& h : headings_) widths_.push_back(DisplayWidth(h));
}

void Table::Cell(std::string_view text) {
  if (column_ == headings_.size()) return;
  if (text_.size() + text.size() > UINT32_MAX) throw std::length_error("table text over 4 GB");
  text_.append(text);
  ends_.push_back(static_cast<std::uint32_t>(text_.size()));
  // After the first rows, the text of all of them is estimated: grown once
  // rather than doubled (which would leave up to half of it unused).
  if (expected_rows_ && ends_.size() == 64 * headings_.size() && expected_rows_ > 64)
    text_.reserve(text_.size() / 64 * expected_rows_ / 10 * 11);
  widths_[column_] = std::max(widths_[column_], DisplayWidth(text));
  ++column_;
}

void Table::Reserve(std::size_t rows) {
  expected_rows_ = rows;
  ends_.reserve(rows * headings_.size());
}

void Table::EndRow() {
  while (column_ < headings_.size()) Cell({});
  column_ = 0;
}

void Table::Add(const std::vector<std::string>& row) {
  for (const std::string& cell : row) Cell(cell);
  EndRow();
}

void Table::Measure(std::initializer_list<std::string_view> row) {
  std::size_t c = 0;
  for (std::string_view cell : row)
    if (c < widths_.size()) widths_[c] = std::max(widths_[c], DisplayWidth(cell)), ++c;
}

void Table::PrintCell(std::ostream& out, std::size_t column, std::string_view text) const {
  std::string& line = line_;
  const std::size_t width = DisplayWidth(text);
  const std::size_t pad = widths_[column] > width ? widths_[column] - width : 0;
  line += "  ";
  if (column < right_.size() && right_[column]) {
    line.append(pad, ' ').append(text);
  } else {
    line.append(text);
    if (column + 1 < headings_.size()) line.append(pad, ' ');
  }
  if (column + 1 == headings_.size()) {
    line += '\n';
    if (line.size() > 1 << 16) Flush(out);
  }
}

void Table::Flush(std::ostream& out) const {
  out.write(line_.data(), static_cast<std::streamsize>(line_.size()));
  line_.clear();
}

void Table::PrintHead(std::ostream& out) const {
  for (std::size_t c = 0; c < headings_.size(); ++c) PrintCell(out, c, headings_[c]);
  for (std::size_t c = 0; c < headings_.size(); ++c) line_.append("  ").append(widths_[c], '-');
  line_ += '\n';
  Flush(out);
}

void Table::PrintRow(std::ostream& out, std::initializer_list<std::string_view> row) const {
  std::size_t c = 0;
  for (std::string_view cell : row)
    if (c < headings_.size()) PrintCell(out, c++, cell);
  for (; c < headings_.size(); ++c) PrintCell(out, c, {});
  Flush(out);
}

void Table::Print(std::ostream& out) const {
  PrintHead(out);
  std::size_t start = 0;
  for (std::size_t i = 0; i < ends_.size(); ++i) {
    PrintCell(out, i % headings_.size(), std::string_view(text_).substr(start, ends_[i] - start));
    start = ends_[i];
  }
  Flush(out);
}

}  // namespace cavra::tool
