#include "table.h"

#include <algorithm>

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

Table::Table(std::vector<std::string> headings) : headings_(std::move(headings)) {}

void Table::Add(std::vector<std::string> row) {
  row.resize(headings_.size());
  rows_.push_back(std::move(row));
}

void Table::Print(std::ostream& out) const {
  std::vector<std::size_t> widths(headings_.size());
  for (std::size_t c = 0; c < headings_.size(); ++c) {
    widths[c] = DisplayWidth(headings_[c]);
    for (const auto& row : rows_) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  auto line = [&](const std::vector<std::string>& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const std::string pad(widths[c] - DisplayWidth(cells[c]), ' ');
      const bool right = c < right_.size() && right_[c];
      out << (c ? "  " : "  ") << (right ? pad + cells[c] : cells[c] + (c + 1 < cells.size() ? pad : ""));
    }
    out << '\n';
  };
  line(headings_);
  std::vector<std::string> rule;
  for (std::size_t w : widths) rule.emplace_back(w, '-');
  line(rule);
  for (const auto& row : rows_) line(row);
}

}  // namespace cavra::tool
