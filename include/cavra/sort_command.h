// Checking a user's sort command before it is stored, and when a stored one
// is read back. A command is sort keys separated by ";", each a field name
// optionally followed by "," and "ascending" or "descending" (any letter
// case; ascending when missing).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cavra/export.h"

namespace cavra {

// Why command cannot sort a body whose fields are bodyFields, or "" when it
// can. It can when every key names one of bodyFields (as written), no field
// is named twice (so there are never more keys than fields) and every
// direction is "ascending" or "descending". Blank keys are ignored; the empty
// command (no sort) is valid.
//
// When setVoucherDataXML re-applies a saved command that fails this check
// (stored by an older version or another host), the body keeps its loaded
// order, the load still succeeds, and the reason is reported through the
// error convention (last error and controlError, number err::kBadSavedSort)
// once per service and command, not on every later load.
CAVRA_EXPORT std::string CheckSortCommand(std::string_view command,
                                          const std::vector<std::string>& bodyFields);

// The attributes the service writes into body rows for the sorter component,
// which stay in the rows getVoucherDataXML returns: bookkeeping, not data.
// The input order of each row (ties keep it), and "1" on a blank row the user
// added, which the sorter keeps at the end. A sorter a host registers reads
// them under these names.
inline constexpr const char* kSorterInputOrderAttribute = "tolmvouchersorter_inputorder_index";
inline constexpr const char* kSorterBlankRowAttribute = "isNewAddedBlankRow_OrdraSorter";

// True when name is one of the sorter's attributes (compared as written).
constexpr bool IsSorterAttribute(std::string_view name) noexcept {
  return name == kSorterInputOrderAttribute || name == kSorterBlankRowAttribute;
}

}  // namespace cavra
