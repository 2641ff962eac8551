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

class FieldRights {
 public:
  // Read-only list, "{##}", hidden list. "1=2" stands for no lists.
  const std::string& AuthString() const noexcept { return auth_string_; }
  void SetAuthString(std::string s) { auth_string_ = std::move(s); }
  // Workflow rights are enabled for this voucher type.
  bool WorkflowAuth() const noexcept { return workflow_auth_; }
  void SetWorkflowAuth(bool b) noexcept { workflow_auth_ = b; }
  // The last writable-field list of the voucher's workflow step.
  const std::string& WorkflowAuthString() const noexcept { return workflow_auth_string_; }
  void SetWorkflowAuthString(std::string s) { workflow_auth_string_ = std::move(s); }
  // Workflow rights are in force on the descriptors.
  bool WorkflowAuthApplied() const noexcept { return workflow_auth_applied_; }
  void SetWorkflowAuthApplied(bool b) noexcept { workflow_auth_applied_ = b; }

  // "N" (hidden), "R" (read-only) or "" for a field, from the override when
  // it is not empty, else from AuthString().
  std::string GetFieldRightFlag(std::string_view fieldName, bool isBody, std::string_view override = {}) const;

  // Takes the string a data source returned: "1=2" becomes empty, and a
  // "[####]" + Boolean suffix sets WorkflowAuth() when it splits cleanly.
  void TakeFetchedAuthString(std::string fetched);

 private:
  std::string auth_string_;
  bool workflow_auth_ = false;
  std::string workflow_auth_string_;
  bool workflow_auth_applied_ = false;
};

}  // namespace cavra
