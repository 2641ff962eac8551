// Aligned text tables for a terminal: columns are padded by display width,
// where a Chinese character takes two cells.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace cavra::tool {

// Terminal cells of a UTF-8 text (wide East Asian characters count 2).
std::size_t DisplayWidth(std::string_view text);

class Table {
 public:
  explicit Table(std::vector<std::string> headings);
  // right: which columns are right-aligned (numbers).
  void AlignRight(std::size_t column) { right_.resize(std::max(right_.size(), column + 1)), right_[column] = true; }
  void Add(std::vector<std::string> row);
  void Print(std::ostream& out) const;

 private:
  std::vector<std::string> headings_;
  std::vector<std::vector<std::string>> rows_;
  std::vector<bool> right_;
};

}  // namespace cavra::tool
