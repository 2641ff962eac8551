#include "components/voucher_sorter.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string_view>
#include <vector>

#include "cavra/error.h"
#include "cavra/variant.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra {
namespace {

constexpr const char* kInputOrderIndex = "tolmvouchersorter_inputorder_index";
constexpr const char* kBlankNewRow = "isNewAddedBlankRow_OrdraSorter";

struct SortKey {
  std::string field;
  bool descending = false;
};

std::vector<SortKey> ParseCommand(std::string_view command) {
  std::vector<SortKey> keys;
  for (const std::string& piece : vb::Split(command, ";")) {
    const std::vector<std::string> parts = vb::Split(piece, ",");
    if (parts.empty()) continue;
    if (parts.size() > 2)
      throw VbError(err::kInvalidCall, "Sort key \"" + piece + "\" has more than a field and a direction");
    SortKey key{vb::Trim(parts[0])};
    if (key.field.empty()) continue;
    const std::string word = parts.size() == 2 ? vb::Trim(parts[1]) : std::string();
    if (vb::EqualsNoCase(word, "descending") || vb::EqualsNoCase(word, "desc")) {
      key.descending = true;
    } else if (!word.empty() && !vb::EqualsNoCase(word, "ascending") && !vb::EqualsNoCase(word, "asc")) {
      throw VbError(err::kInvalidCall, "Unknown sort direction \"" + word + "\" in \"" + piece + "\"");
    }
    keys.push_back(std::move(key));
  }
  return keys;
}

// The number of numeric text; false when it is not numeric or out of range.
bool ParseNumeric(std::string_view s, double& out) {
  if (!IsNumericText(s)) return false;
  while (s.front() == ' ') s.remove_prefix(1);
  while (s.back() == ' ') s.remove_suffix(1);
  if (s.front() == '+') s.remove_prefix(1);
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size();
}

// One sort-key value of one row, read once.
struct Cell {
  enum Class : std::uint8_t { kEmpty, kNumber, kText } cls = kEmpty;
  double number = 0;
  std::string_view text;

  explicit Cell(std::string_view value) : text(value) {
    if (value.empty()) return;
    cls = ParseNumeric(value, number) ? kNumber : kText;
  }
};

int Compare(const Cell& a, const Cell& b) {
  if (a.cls != b.cls) return a.cls < b.cls ? -1 : 1;
  if (a.cls == Cell::kNumber) return a.number < b.number ? -1 : (b.number < a.number ? 1 : 0);
  const int c = a.text.compare(b.text);  // char_traits<char> compares as unsigned bytes
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

bool VoucherSorter::sortDOMVoucherBody(const std::string& /*text*/, const std::string& sortCommand,
                                       DomPtr& body) {
  if (!body) return false;
  pugi::xml_node data = xml::SelectSingleNode(*body, "//rs:data");
  if (!data) return false;
  const std::vector<SortKey> keys = ParseCommand(sortCommand);

  // The rows, and for each the non-row sibling it follows when one stands
  // between it and the previous row: the slots the sorted rows go back to.
  std::vector<pugi::xml_node> rows, anchors;
  pugi::xml_node pending_anchor;
  for (pugi::xml_node child : data.children()) {
    if (child.type() == pugi::node_element && std::strcmp(child.name(), "z:row") == 0) {
      rows.push_back(child);
      anchors.push_back(pending_anchor);
      pending_anchor = pugi::xml_node();
    } else {
      pending_anchor = child;
    }
  }
  const std::size_t n = rows.size(), k = keys.size();

  std::vector<double> input_order(n, 0);
  double highest = 0;
  for (std::size_t i = 0; i < n; ++i) {
    double index = 0;
    if (ParseNumeric(rows[i].attribute(kInputOrderIndex).value(), index) && index > 0) {
      input_order[i] = index;
      highest = std::max(highest, index);
    }
  }
  for (double& index : input_order)
    if (index == 0) index = ++highest;

  std::vector<Cell> cells;
  cells.reserve(n * k);
  std::vector<std::uint32_t> order, blank;
  for (std::size_t i = 0; i < n; ++i) {
    if (std::strcmp(rows[i].attribute(kBlankNewRow).value(), "1") == 0) {
      blank.push_back(static_cast<std::uint32_t>(i));
      cells.resize(cells.size() + k, Cell(std::string_view()));
      continue;
    }
    order.push_back(static_cast<std::uint32_t>(i));
    for (const SortKey& key : keys) cells.emplace_back(rows[i].attribute(key.field.c_str()).value());
  }

  // A total order (keys, input order, document order), so an unstable sort
  // gives the stable result.
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    for (std::size_t j = 0; j < k; ++j) {
      const int c = Compare(cells[a * k + j], cells[b * k + j]);
      if (c != 0) return keys[j].descending ? c > 0 : c < 0;
    }
    if (input_order[a] != input_order[b]) return input_order[a] < input_order[b];
    return a < b;
  });
  order.insert(order.end(), blank.begin(), blank.end());

  pugi::xml_node cursor;
  for (std::size_t slot = 0; slot < n; ++slot) {
    if (anchors[slot]) cursor = anchors[slot];
    pugi::xml_node row = rows[order[slot]];
    if (cursor)
      data.insert_move_after(row, cursor);
    else
      data.prepend_move(row);
    cursor = row;
  }
  return true;
}

}  // namespace cavra
