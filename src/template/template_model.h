// TemplateModel: a loaded voucher template - the template descriptor, the
// item descriptors keyed by section and field name, the visible positions
// of each section and the template-wide settings - and the lookups every
// other subsystem reaches fields through.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cavra/bill_information.h"
#include "cavra/collection.h"
#include "cavra/enums.h"
#include "cavra/item_state.h"
#include "cavra/recordset.h"
#include "core/service_context.h"
#include "template/field_rights.h"

namespace cavra {

class TemplateModel {
 public:
  // owner: the service object items point back to.
  TemplateModel(ServiceContext& context, FieldRights& rights, const void* owner);

  // What reads the user's saved sort command for the loaded template (set by
  // the service, which owns the customer-info store).
  void SetSortCommandReader(std::function<std::string()> reader) { read_sort_command_ = std::move(reader); }

  // ---- Loading ----
  // Never raises: failures go through the error convention.
  //
  // A template that fails to load leaves the previous one in place, whole:
  // descriptors, items, counts, positions, settings, field rights and the
  // recordset GetTemplateData returns. Failing are: a missing strict column,
  // a value that does not convert in a strict position (the template
  // columns, the first row up to its font state), a first row too short for
  // those positions, a row whose section is not "T" or "B", and a body row
  // after a header row. The exception is a recordset with no rows (error
  // 101): the template is then emptied - a blank descriptor, no items, both
  // counts 0, no visible positions - and GetTemplateData returns that
  // recordset; every lookup fails until a template loads.
  // A row whose section and field name repeat an earlier row's is dropped and
  // not counted, so HeadInfoCount/BodyInfoCount are the items that can be
  // reached and header ordinals stay in step with them.
  void setTemplateData(const RecordsetPtr& rstTemplate);
  void RefreshTemplate();
  // Reads rs into new descriptors, handed to bill and items only when the
  // load succeeds (see above for the no-rows case); also sets the
  // template-wide settings of this model. bCount: whether the section
  // counters are recounted.
  bool LoadControl(const RecordsetPtr& rs, BillInfoPtr& bill, std::shared_ptr<ItemCollection>& items,
                   bool bCount);
  // Reads the account options once per thread; errors ignored.
  void ReadAccountOptions();

  // ---- Lookups ----
  // By ordinal within the section (numeric index) or by field name; a
  // missing name is reported through the error convention.
  ItemPtr ItemState(const Variant& index, std::int32_t section);
  // By field name, without reporting anything: null when missing.
  ItemPtr FindItem(std::string_view fieldName, bool body) const;
  // The body item shown in grid column col (1-based); null outside.
  ItemPtr BodyItemAtColumn(std::int32_t col) const;
  std::int32_t LookUpArray(const std::string& skey, SectionsConstants eSection);
  std::int32_t LookUpArrayFromKey(const std::string& skey, SectionsConstants eSection);
  std::string Debug_KeyWord(SectionsConstants eSection) const;
  static std::int16_t getRefType(const Variant& nRefType);
  bool GetColAutoDisplayText(const Variant& col);

  static bool IsBody(const clsItemState& item);

  // The template descriptor; error 91 when there is none (after UnInitialise).
  clsBillInformation& Bill() const;
  // Drops the descriptors (UnInitialise): Bill() fails and no item is found.
  void Release();

  // ---- State ----
  // The recordset GetTemplateData returns.
  const RecordsetPtr& TemplateData() const noexcept { return template_rs_; }
  // The template descriptor, or null after Release (Bill() raises then).
  const BillInfoPtr& BillInfo() const noexcept { return bill_info_; }
  // BodyMaxRows: n >= 0 or -1 (no limit); other values and a released model
  // leave it as it is.
  std::int32_t BodyMaxRows() const noexcept { return bill_info_ ? bill_info_->nBodyMaxRows : 0; }
  void SetBodyMaxRows(std::int32_t n) noexcept {
    if (bill_info_ && (n >= 0 || n == -1)) bill_info_->nBodyMaxRows = n;
  }
  const ItemCollection& Items() const noexcept { return *items_; }
  std::int32_t HeadCount() const noexcept { return head_count_; }
  std::int32_t BodyCount() const noexcept { return body_count_; }
  // [k] = header ordinal of the k-th visible header item ([0] unused).
  const std::vector<std::int32_t>& HeadPositions() const noexcept { return head_pos_; }
  // [k] = item ordinal of the k-th visible body column ([0] unused).
  const std::vector<std::int32_t>& BodyPositions() const noexcept { return body_pos_; }
  std::int16_t HeadPosCount1() const noexcept { return head_pos_count1_; }
  // Instant-message fields: key = visible header count so far, value =
  // field name + "*" + bIMFld.
  const std::shared_ptr<Collection<std::string>>& IMFields() const noexcept { return im_fields_; }
  // The saved sort command read at the last template load or data load.
  const std::string& LastSortCommands() const noexcept { return last_sort_commands_; }
  void SetLastSortCommands(std::string s) { last_sort_commands_ = std::move(s); }
  const std::string& InventoryFieldName() const noexcept { return inventory_field_name_; }
  const std::string& InventoryField2() const noexcept { return inventory_field2_; }
  const std::string& InventoryField3() const noexcept { return inventory_field3_; }
  // The outline is on when the template names both keys.
  bool IsRowOutline() const noexcept { return row_outline_; }
  const std::string& OutlineParentKey() const noexcept { return outline_parent_key_; }
  const std::string& OutlineKey() const noexcept { return outline_key_; }
  const std::string& BarcodeField1() const noexcept { return barcode_field1_; }
  const std::string& BarcodeField2() const noexcept { return barcode_field2_; }
  const std::string& BarcodeField3() const noexcept { return barcode_field3_; }
  const std::string& RowNoField() const noexcept { return row_no_field_; }
  const std::string& TemplateKey() const noexcept { return template_key_; }
  // Set only on the object that read the account options.
  bool DescendAuditTime() const noexcept { return descend_audit_time_; }

 private:
  RecordsetPtr template_rs_;
  BillInfoPtr bill_info_ = std::make_shared<clsBillInformation>();
  std::shared_ptr<ItemCollection> items_ = std::make_shared<ItemCollection>();
  std::int32_t head_count_ = 0;
  std::int32_t body_count_ = 0;
  std::vector<std::int32_t> head_pos_{0};
  std::vector<std::int32_t> body_pos_{0};
  std::int16_t head_pos_count1_ = 0;
  std::shared_ptr<Collection<std::string>> im_fields_;
  std::string last_sort_commands_;
  std::string inventory_field_name_ = "cinvcode";
  std::string inventory_field2_;
  std::string inventory_field3_;
  bool row_outline_ = false;
  std::string outline_parent_key_;
  std::string outline_key_;
  std::string barcode_field1_ = "csysbarcode";
  std::string barcode_field2_ = "cbsysbarcode";
  std::string barcode_field3_ = "csubsysbarcode";
  std::string row_no_field_;
  std::string template_key_;
  bool template_loaded_ = false;     // this object has loaded a template
  bool descend_audit_time_ = false;   // set only on the object that read the options

  struct Settings;
  Settings SaveSettings() const;
  void RestoreSettings(Settings s);
  // Whether the model now holds what template_rs_ describes (false: the
  // load failed and the previous template stays).
  bool LoadTemplateItems();
  void ReadTemplateColumns(Recordset& rs, clsBillInformation& bill);
  void ApplyTemplateSettings(clsBillInformation& bill);
  void FillItem(clsItemState& item, const Recordset::Row& row, bool strict, std::int32_t count);

  ServiceContext& ctx_;
  FieldRights& rights_;
  const void* owner_;
  std::function<std::string()> read_sort_command_;
  double start_ = 0;  // start of the running setTemplateData, for its log lines
  bool inventory_split_ = false;
};

}  // namespace cavra
