// The field-right string and the matching of one field against a right
// list. Template loading lays fields out by these rights; the workflow layer
// changes them when a voucher enters or leaves a workflow step.
#pragma once

#include <string>
#include <string_view>

namespace cavra {

// A right list names fields as "T;" + name (header), "B;" + name (body) or a
// bare name (either section, unless the other section's prefixed entry is
// also listed). Entries are separated by commas; names compare without case.
bool FindFieldRightFlag(std::string_view fieldName, std::string_view rightList, bool isBody);

struct FieldRights {
  // Read-only list, "{##}", hidden list. "1=2" stands for no lists.
  std::string m_sAuthString;
  // Workflow rights are enabled for this voucher type.
  bool m_bWorkflowAuth = false;
  // The last writable-field list of the voucher's workflow step.
  std::string m_sWorkflowAuthString;
  // Workflow rights are in force on the descriptors.
  bool m_bWorkflowAuthApplied = false;

  // "N" (hidden), "R" (read-only) or "" for a field, from the override when
  // it is not empty, else from m_sAuthString.
  std::string GetFieldRightFlag(std::string_view fieldName, bool isBody, std::string_view override = {}) const;

  // Takes the string a data source returned: "1=2" becomes empty, and a
  // "[####]" + Boolean suffix sets m_bWorkflowAuth when it splits cleanly.
  void TakeFetchedAuthString(std::string fetched);
};

}  // namespace cavra
