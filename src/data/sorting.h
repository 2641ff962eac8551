// Sorting: the user's last sort command is re-applied whenever data loads.
// The body is prepared for the sorter component (input-order numbers, blank
// new rows marked) and handed to it; an outline body is sorted by its
// top-level rows, each keeping its children after it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cavra/dom.h"
#include "cavra/object.h"
#include "cavra/sort_command.h"
#include "core/service_context.h"
#include "data/row_outline.h"
#include "data/voucher_documents.h"
#include "template/template_model.h"

namespace cavra {

inline constexpr const char* kInputOrderAttribute = kSorterInputOrderAttribute;
inline constexpr const char* kBlankRowAttribute = kSorterBlankRowAttribute;

class Sorting {
 public:
  Sorting(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents, RowOutline& outline);

  // Reads the saved sort command of the loaded template.
  void SetSortCommandReader(std::function<std::string()> reader) { read_sort_command_ = std::move(reader); }

  // After a data load: re-applies the saved sort unless the load comes from
  // the host's own SortRuleChanged handler or the service runs for the web.
  void OnDataLoaded();
  // Raises SortRuleChanged; data loaded from inside the handler is not sorted
  // again. Errors from the handler are ignored.
  void NotifySortChange(const std::string& command);
  // m_InvokSortObjectSwitch: set while SortRuleChanged runs, or by the host.
  bool InvokeSortSwitch() const noexcept { return invoke_sort_switch_; }
  void SetInvokeSortSwitch(bool b) noexcept { invoke_sort_switch_ = b; }
  // The host's sort call-back object, held until released.
  void SetSortCallBack(ObjectPtr o) noexcept { sort_call_back_ = std::move(o); }
  void Release() noexcept { sort_call_back_.reset(); }
  // Extended fields are always offered to the sorter.
  bool ExcludesExtendedFields() const noexcept { return false; }

  // Reads the saved command into the template's last sort command and, when
  // there is one, sorts the body. Errors are ignored, but a command that
  // CheckSortCommand refuses (stored by an older version or another host)
  // leaves the body unsorted and is reported, once per distinct command,
  // through the error convention as err::kBadSavedSort.
  void ReapplySavedSort();

  // Sorts body by command with the sorter component. False, with the reason
  // in *message, when the sorter fails or cannot be created.
  bool SortBody(DomPtr& body, const std::string& command, const std::string& text, std::string* message);

  // Numbers the rows that have no input-order index after the highest one in
  // use, and marks the new rows whose fields are all empty.
  static void PrepareBodyForSort(pugi::xml_document& body);

 private:
  void SortOutline(const std::string& command);
  // The body fields a sort command may name: the template's body items and
  // the columns of the body document.
  std::vector<std::string> SortableFields();

  ServiceContext& ctx_;
  TemplateModel& model_;
  VoucherDocuments& documents_;
  RowOutline& outline_;
  std::function<std::string()> read_sort_command_;
  bool invoke_sort_switch_ = false;
  ObjectPtr sort_call_back_;
  std::string reported_bad_command_;
};

}  // namespace cavra
