// Aligned text tables for a terminal: columns are padded by display width,
// where a Chinese character takes two cells.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace cavra::tool {

// Terminal cells of a UTF-8 text (wide East Asian characters count 2).
std::size_t DisplayWidth(std::string_view text);

// The cells are kept one after another in a single text, so that a table of
// a 100,000-line voucher costs little more than its characters.
class Table {
 public:
  explicit Table(std::vector<std::string> headings);
  // right: which columns are right-aligned (numbers).
  void AlignRight(std::size_t column) { right_.resize(std::max(right_.size(), column + 1)), right_[column] = true; }
  void Add(const std::vector<std::string>& row);
  // How many rows are coming, when known: the storage is sized once.
  void Reserve(std::size_t rows);
  // The next cell of the current row; EndRow ends it (missing cells are
  // empty, cells beyond the headings are dropped).
  void Cell(std::string_view text);
  void EndRow();
  std::size_t Rows() const { return ends_.size() / headings_.size(); }
  void Print(std::ostream& out) const;

  // A table too large to keep is read twice instead: every row is measured,
  // then the headings and each row printed.
  void Measure(std::initializer_list<std::string_view> row);
  void PrintHead(std::ostream& out) const;
  void PrintRow(std::ostream& out, std::initializer_list<std::string_view> row) const;

 private:
  std::vector<std::string> headings_;
  std::vector<std::size_t> widths_;
  std::string text_;
  std::vector<std::uint32_t> ends_;  // where each cell ends in text_, row after row
  std::size_t column_ = 0;           // cells of the current row so far
  std::vector<bool> right_;

  // Cells go into line_, written out in blocks.
  void PrintCell(std::ostream& out, std::size_t column, std::string_view text) const;
  void Flush(std::ostream& out) const;
  mutable std::string line_;
  std::size_t expected_rows_ = 0;
};

}  // namespace cavra::tool
