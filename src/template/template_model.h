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

  // Reads the user's saved sort command for the loaded template (set by the
  // service, which owns the customer-info store).
  std::function<std::string()> read_sort_command;

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
  RecordsetPtr m_rstTemplate;
  BillInfoPtr m_BillInfo = std::make_shared<clsBillInformation>();
  std::shared_ptr<ItemCollection> m_colItems = std::make_shared<ItemCollection>();
  std::int32_t m_nHeadCount = 0;
  std::int32_t m_nBodyCount = 0;
  std::vector<std::int32_t> m_aHeadPos{0};  // [k] = header ordinal of the k-th visible header item
  std::vector<std::int32_t> m_aBodyPos{0};  // [k] = item ordinal of the k-th visible body column
  std::int16_t m_nHeadPosCount1 = 0;
  // Instant-message fields: key = visible header count so far, value =
  // field name + "*" + bIMFld.
  std::shared_ptr<Collection<std::string>> m_dicIMFields;
  std::string m_sLastSortCommands;
  std::string m_sInventoryFieldName = "cinvcode";
  std::string m_sInventoryField2;
  std::string m_sInventoryField3;
  bool m_bRowOutline = false;
  std::string m_sOutlineParentKey;
  std::string m_sOutlineKey;
  std::string m_sBarcodeField1 = "csysbarcode";
  std::string m_sBarcodeField2 = "cbsysbarcode";
  std::string m_sBarcodeField3 = "csubsysbarcode";
  std::string m_sRowNoField;
  std::string m_sTemplateKey;
  bool template_loaded = false;       // this object has loaded a template
  bool m_bDescendAuditTime = false;   // set only on the object that read the options

 private:
  struct Settings;
  Settings SaveSettings() const;
  void RestoreSettings(Settings s);
  // Whether the model now holds what m_rstTemplate describes (false: the
  // load failed and the previous template stays).
  bool LoadTemplateItems();
  void ReadTemplateColumns(Recordset& rs, clsBillInformation& bill);
  void ApplyTemplateSettings(clsBillInformation& bill);
  void FillItem(clsItemState& item, const Recordset::Row& row, bool strict, std::int32_t count);

  ServiceContext& ctx_;
  FieldRights& rights_;
  const void* owner_;
  double start_ = 0;  // start of the running setTemplateData, for its log lines
  bool inventory_split_ = false;
};

}  // namespace cavra
