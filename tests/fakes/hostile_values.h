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

inline const std::vector<HostileValue>& HostileValues() {
  static const std::vector<HostileValue> values = {
      {"quote", "O'Brien"},
      {"union", "x' union select group_concat(name) from sqlite_master where type='table"},
      {"backslash quote", "a\\'; delete from vouchers_base; --"},
      {"trailing backslash", "end\\"},
      {"semicolon", "a; delete from vouchers_base"},
      {"comment", "a' -- rest"},
      {"block comment", "a /* b"},
      {"double quote", "say \"hi\""},
      {"markup", "<a href='x'>&amp;</a>"},
      {"only quotes", "''"},
      {"chinese", "销售订单'测试"},
  };
  return values;
}

// A value holding NUL, which no SQL literal and no PostgreSQL text carries.
inline std::string ValueWithNul() { return std::string("before\0after", 12); }

}  // namespace cavra::testing
