// What clsVoucherService::SetBillNumberRule recorded: the header fields that
// feed the voucher number and the rule texts of its date-like parts. A copy
// for the host to read; the service keeps its own.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace cavra {

struct BillNumberRuleRecord {
  // A rule has been recorded (false after a rule that failed before its
  // first part, and before any rule).
  bool recorded = false;
  // Header fields taking part in the number, in rule order, repeats kept.
  std::vector<std::string> fields;
  // Field name and rule text of the parts of object type 2 or 7, in the
  // order first met; a field appears once, with its first rule text.
  std::vector<std::pair<std::string, std::string>> formats;
};

}  // namespace cavra
