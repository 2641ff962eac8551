// Values that try to end an SQL literal or an XML attribute value, or that a
// careless layer changes on the way (backslash escapes, NUL, wide text).
#pragma once

#include <string>
#include <vector>

namespace cavra::testing {

struct HostileValue {
  const char* name;
  std::string value;
};

// Each fits a VARCHAR(30) column.
inline const std::vector<HostileValue>& HostileValues() {
  static const std::vector<HostileValue> values = {
      {"quote", "O'Brien"},
      {"backslash quote", "a\\'; delete from t; --"},
      {"trailing backslash", "end\\"},
      {"semicolon", "a; delete from t"},
      {"comment", "a' -- rest"},
      {"block comment", "a /* b"},
      {"double quote", "say \"hi\""},
      {"markup", "<a href='x'>&amp;</a>"},
      {"only quotes", "''"},
      {"chinese", "销售订单'测试"},
  };
  return values;
}

// Reads the table list when put into a literal without doubling its quotes.
inline std::string UnionInjection() {
  return "x' union select group_concat(name) from sqlite_master where type='table";
}

// The text of value inside an SQL literal, its quotes doubled: written out
// here independently of the library's builder.
inline std::string Doubled(const std::string& value) {
  std::string out;
  for (char c : value) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out;
}

// A value holding NUL, which no SQL literal and no PostgreSQL text carries.
inline std::string ValueWithNul() { return std::string("before\0after", 12); }

}  // namespace cavra::testing
