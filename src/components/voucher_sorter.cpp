#include "components/voucher_sorter.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "cavra/error.h"
#include "cavra/sort_command.h"
#include "cavra/variant.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra {
namespace {

constexpr const char* kInputOrderIndex = kSorterInputOrderAttribute;
constexpr const char* kBlankNewRow = kSorterBlankRowAttribute;

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

// One sort-key value of one row, read once. A text keeps its first bytes
// inline, so most comparisons never reach the text in the document.
struct Cell {
  enum Class : std::uint8_t { kEmpty, kNumber, kText } cls = kEmpty;
  union {
    double number = 0;
    std::uint64_t prefix;  // the first 8 bytes, big-endian, zero-padded
  };
  std::string_view text;

  explicit Cell(std::string_view value) : text(value) {
    if (value.empty()) return;
    if (ParseNumeric(value, number)) {
      cls = kNumber;
      return;
    }
    cls = kText;
    prefix = 0;
    for (std::size_t i = 0; i < 8; ++i)
      prefix = prefix << 8 | (i < value.size() ? static_cast<unsigned char>(value[i]) : 0u);
  }
};

int Compare(const Cell& a, const Cell& b) {
  if (a.cls != b.cls) return a.cls < b.cls ? -1 : 1;
  if (a.cls == Cell::kNumber) return a.number < b.number ? -1 : (b.number < a.number ? 1 : 0);
  if (a.cls == Cell::kEmpty) return 0;
  // Attribute values hold no NUL, so zero padding orders like the end of text.
  if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
  const int c = a.text.compare(b.text);  // char_traits<char> compares as unsigned bytes
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// What the sort moves: the first key and the input order inline, the other
// keys by position.
struct Entry {
  Cell first;
  double input_order;
  std::uint32_t row;   // document position
  std::uint32_t rest;  // position of the second key in the cells
};

}  // namespace

std::string CheckSortCommand(std::string_view command, const std::vector<std::string>& bodyFields) {
  const std::unordered_set<std::string_view> known(bodyFields.begin(), bodyFields.end());
  std::unordered_set<std::string> used;
  for (const std::string& piece : vb::Split(command, ";")) {
    const std::vector<std::string> parts = vb::Split(piece, ",");
    if (parts.empty()) continue;
    if (parts.size() > 2) return "the sort key \"" + piece + "\" has more than a field and a direction";
    const std::string field = vb::Trim(parts[0]);
    const std::string word = parts.size() == 2 ? vb::Trim(parts[1]) : std::string();
    if (field.empty()) {
      if (word.empty()) continue;
      return "the sort key \"" + piece + "\" names no field";
    }
    if (!word.empty() && !vb::EqualsNoCase(word, "ascending") && !vb::EqualsNoCase(word, "descending"))
      return "unknown sort direction \"" + word + "\" in \"" + piece + "\" (ascending or descending)";
    if (!known.count(field)) return "\"" + field + "\" is not a body field";
    if (!used.insert(field).second) return "the body field \"" + field + "\" is sorted on twice";
  }
  return "";
}

bool VoucherSorter::sortDOMVoucherBody(const std::string& /*text*/, const std::string& sortCommand,
                                       DomPtr& body) {
  if (!body) return false;
  pugi::xml_node data = xml::SelectSingleNode(*body, "//rs:data");
  if (!data) return false;
  std::vector<SortKey> keys = ParseCommand(sortCommand);
  if (keys.size() > 1) {
    // A field named again, or one no row has, cannot change the order; each
    // kept key costs a value per row, so a long command of such keys must not
    // cost memory in proportion to keys times rows.
    std::unordered_set<std::string_view> present;
    std::unordered_set<std::string> seen;
    for (pugi::xml_node child : data.children("z:row"))
      for (pugi::xml_attribute a : child.attributes()) present.insert(a.name());
    std::vector<SortKey> kept;
    for (SortKey& key : keys)
      if (present.count(key.field) && seen.insert(key.field).second) kept.push_back(std::move(key));
    keys = std::move(kept);
  }

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

  // Blank new rows are not sorted; the others get their key values.
  std::vector<Entry> entries;
  std::vector<Cell> cells;  // the keys after the first, entry by entry
  std::vector<std::uint32_t> blank;
  entries.reserve(n);
  cells.reserve(k > 1 ? n * (k - 1) : 0);
  for (std::size_t i = 0; i < n; ++i) {
    const auto row = static_cast<std::uint32_t>(i);
    if (std::strcmp(rows[i].attribute(kBlankNewRow).value(), "1") == 0) {
      blank.push_back(row);
      continue;
    }
    const char* first = k > 0 ? rows[i].attribute(keys[0].field.c_str()).value() : "";
    entries.push_back({Cell(first), input_order[i], row, static_cast<std::uint32_t>(cells.size())});
    for (std::size_t j = 1; j < k; ++j) cells.emplace_back(rows[i].attribute(keys[j].field.c_str()).value());
  }

  // A total order (keys, input order, document order), so an unstable sort
  // gives the stable result.
  const bool first_descending = k > 0 && keys[0].descending;
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    int c = Compare(a.first, b.first);
    if (c != 0) return first_descending ? c > 0 : c < 0;
    for (std::size_t j = 1; j < k; ++j) {
      c = Compare(cells[a.rest + j - 1], cells[b.rest + j - 1]);
      if (c != 0) return keys[j].descending ? c > 0 : c < 0;
    }
    if (a.input_order != b.input_order) return a.input_order < b.input_order;
    return a.row < b.row;
  });
  std::vector<std::uint32_t> order;
  order.reserve(n);
  for (const Entry& e : entries) order.push_back(e.row);
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
