#include "template/template_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/resources.h"
#include "core/thread_state.h"
#include "core/trace_log.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"
#include "template/item_metadata.h"
#include "template/item_state_access.h"

namespace cavra {
namespace {

std::string TextOf(const Variant& v) { return v.IsNull() ? std::string() : CStr(v); }
std::int32_t LongOf(const Variant& v) { return v.IsNull() ? 0 : CLng(v); }
bool BoolOf(const Variant& v) { return v.IsNull() ? false : CBool(v); }

const Variant& At(const Recordset::Row& row, std::size_t position) {
  if (position >= row.size()) throw VbError::Standard(err::kSubscript);
  return row[position];
}

}  // namespace

TemplateModel::TemplateModel(ServiceContext& context, FieldRights& rights, const void* owner)
    : ctx_(context), rights_(rights), owner_(owner) {}

bool TemplateModel::IsBody(const clsItemState& item) { return vb::UCase(item.sCardSection) == "B"; }

clsBillInformation& TemplateModel::Bill() const {
  if (!bill_info_) throw VbError::Standard(err::kObjectNotSet);
  return *bill_info_;
}

void TemplateModel::Release() {
  bill_info_.reset();
  items_ = std::make_shared<ItemCollection>();
  im_fields_.reset();
}

// ---------------------------------------------------------------- loading

void TemplateModel::setTemplateData(const RecordsetPtr& rstTemplate) {
  start_ = Timer();
  if (!rstTemplate) {
    Trace("setTemplateData -- XXXX", GetResString("Ordra.AA.VCH.015"));
    return;
  }
  RecordsetPtr previous = std::exchange(template_rs_, rstTemplate);
  Trace("setTemplateData1:", ElapsedText(start_));
  Trace("setTemplateData2:", ElapsedText(start_));
  // A template that was refused leaves the one before it, recordset included.
  if (!LoadTemplateItems()) template_rs_ = std::move(previous);
  Trace("setTemplateData3:", ElapsedText(start_));
  Trace("setTemplateData4:", ElapsedText(start_));
}

void TemplateModel::RefreshTemplate() {
  start_ = Timer();
  // Nothing to reload yet: the recordset read fails before a descriptor is
  // made, so the one the host may have set up stays.
  if (!template_rs_) {
    Thread().templateLoaded = false;
    ctx_.Report(err::kObjectNotSet, VbError::StandardText(err::kObjectNotSet));
    return;
  }
  LoadTemplateItems();
}

bool TemplateModel::LoadTemplateItems() {
  const BillInfoPtr before = bill_info_;
  if (!LoadControl(template_rs_, bill_info_, items_, true) && bill_info_ == before) return false;
  try {
    Trace("setTemplateData1-LoadControl1:", ElapsedText(start_));
    last_sort_commands_ = read_sort_command_ ? read_sort_command_() : std::string();
    Trace("--LoadControl--m_sLastSortCommands:", last_sort_commands_);
    im_fields_ = std::make_shared<Collection<std::string>>();
    Trace("setTemplateData1-LoadControl2:", ElapsedText(start_));

    head_pos_.assign(1, 0);
    body_pos_.assign(1, 0);
    std::int32_t n = 0, h = 0, b = 0;
    for (const ItemPtr& item : *items_) {
      ++n;
      const std::string section = vb::UCase(item->sCardSection);
      bool visible = true;
      if (section == "T" || section == "B") {
        const std::string flag = rights_.GetFieldRightFlag(item->sFieldName, section == "B");
        if (flag == "N") visible = false;
        if (flag == "R") item->bCanModify(false);
        item->AuthFlag = flag;
      }
      if (section == "T" && visible && item->showIt) {
        ++h;
        head_pos_.push_back(n - body_count_);
        item->Reserve6 = std::to_string(h);
      }
      if (section == "B" && visible && item->showIt) {
        ++b;
        item->Reserve6 = std::to_string(b);
        body_pos_.push_back(n);
      }
      item->collLink = std::make_shared<Collection<std::string>>();
      if ((item->bIMFld == 1 || item->bIMFld == 2) && !im_fields_->Exists(std::to_string(h)))
        im_fields_->Add(item->sFieldName + "*" + std::to_string(item->bIMFld), std::to_string(h));
    }
    Trace("setTemplateData1-LoadControl6end:", ElapsedText(start_));
    head_pos_count1_ = static_cast<std::int16_t>(h + 1);
  } catch (...) {
    // A failing item ends the walk quietly; the rest keep their old settings.
  }
  return true;
}

// What a load changes besides the descriptors, kept so that a refused template
// can be undone.
struct TemplateModel::Settings {
  std::string rowNoField, inventoryField, inventoryField2, inventoryField3;
  bool rowOutline = false;
  std::string outlineParentKey, outlineKey, barcode1, barcode2, barcode3, templateKey;
  bool loaded = false;
  std::int32_t headCount = 0, bodyCount = 0;
  std::string authString;
  bool workflowAuth = false;
};

TemplateModel::Settings TemplateModel::SaveSettings() const {
  return {row_no_field_,    inventory_field_name_, inventory_field2_, inventory_field3_,
          row_outline_,    outline_parent_key_,   outline_key_,      barcode_field1_,
          barcode_field2_, barcode_field3_,      template_key_,     template_loaded_,
          head_count_,     body_count_,          rights_.AuthString(), rights_.WorkflowAuth()};
}

void TemplateModel::RestoreSettings(Settings s) {
  row_no_field_ = std::move(s.rowNoField);
  inventory_field_name_ = std::move(s.inventoryField);
  inventory_field2_ = std::move(s.inventoryField2);
  inventory_field3_ = std::move(s.inventoryField3);
  row_outline_ = s.rowOutline;
  outline_parent_key_ = std::move(s.outlineParentKey);
  outline_key_ = std::move(s.outlineKey);
  barcode_field1_ = std::move(s.barcode1);
  barcode_field2_ = std::move(s.barcode2);
  barcode_field3_ = std::move(s.barcode3);
  template_key_ = std::move(s.templateKey);
  template_loaded_ = s.loaded;
  head_count_ = s.headCount;
  body_count_ = s.bodyCount;
  rights_.SetAuthString(std::move(s.authString));
  rights_.SetWorkflowAuth(s.workflowAuth);
  inventory_split_ = false;
}

bool TemplateModel::LoadControl(const RecordsetPtr& rs, BillInfoPtr& bill, std::shared_ptr<ItemCollection>& items,
                                bool bCount) {
  const double start = Timer();
  bool& thread_loaded = Thread().templateLoaded;
  const bool thread_was_loaded = thread_loaded;
  thread_loaded = false;
  Settings saved = SaveSettings();
  bool keep_previous = true;
  try {
    if (!rs) throw VbError::Standard(err::kObjectNotSet);
    if (rs->Eof() && rs->Bof()) {
      // The one failure whose outcome is fixed: the caller holds new, empty
      // descriptors, and the counts say so.
      keep_previous = false;
      bill = std::make_shared<clsBillInformation>();
      items = std::make_shared<ItemCollection>();
      if (bCount) head_count_ = body_count_ = 0;
      throw ResourceError("Ordra.AA.VCH.015");
    }
    auto new_bill = std::make_shared<clsBillInformation>();
    auto new_items = std::make_shared<ItemCollection>();
    std::int32_t head_count = 0, body_count = 0;
    rs->MoveFirst();

    ReadTemplateColumns(*rs, *new_bill);
    ApplyTemplateSettings(*new_bill);
    Trace("setTemplateData1-LoadControl2-loadvoucherdata1:", ElapsedText(start));

    const std::vector<Recordset::Row> rows = rs->GetRows();
    if (ctx_.DataSourceObject())
      SkipErrors([&] { rights_.TakeFetchedAuthString(ctx_.DataSourceObject()->GetAuthString(new_bill->sBillNo)); });
    Trace("setTemplateData1-LoadControl2-loadvoucherdata1.1GetRows:", ElapsedText(start));

    for (std::size_t r = 0; r < rows.size(); ++r) {
      auto item = std::make_shared<clsItemState>();
      const bool first = r == 0;
      std::string section;
      if (first)
        section = vb::UCase(TextOf(At(rows[r], 13)));
      else
        SkipErrors([&] { section = vb::UCase(TextOf(At(rows[r], 13))); });
      // Ordinals count body items from 1 and header items after them: a row
      // of no section, or a body row among the header rows, would shift them.
      if (section != "T" && section != "B")
        throw VbError(err::kInvalidCall, "template row " + std::to_string(r + 1) + ": the section \"" +
                                             section + "\" is neither T nor B");
      if (section == "B" && head_count > 0)
        throw VbError(err::kInvalidCall,
                      "template row " + std::to_string(r + 1) + ": a body row after the header rows");
      FillItem(*item, rows[r], first, new_items->Count());
      SkipErrors([&] {
        if (!rights_.AuthString().empty() &&
            rights_.GetFieldRightFlag(item->sFieldName, IsBody(*item)) == "N")
          item->showIt = false;
      });
      // A second row of the same key is not added, and so not counted.
      if (SkipErrors([&] { new_items->Add(item, vb::UCase(item->sCardSection + item->sFieldName)); }))
        ++(section == "T" ? head_count : body_count);
    }
    bill = std::move(new_bill);
    items = std::move(new_items);
    if (bCount) {
      head_count_ = head_count;
      body_count_ = body_count;
    }
    Trace("setTemplateData1-LoadControl2-loadvoucherdata2:", ElapsedText(start));
    thread_loaded = true;
    return true;
  } catch (...) {
    if (keep_previous) {
      RestoreSettings(std::move(saved));
      thread_loaded = thread_was_loaded;
    }
    ctx_.ReportCurrentException();
    return false;
  }
}

void TemplateModel::ReadTemplateColumns(Recordset& rs, clsBillInformation& bill) {
  auto text = [&](std::string_view name) { return TextOf(rs.Fields(name).Value()); };
  auto number = [&](std::string_view name) { return LongOf(rs.Fields(name).Value()); };
  auto flag = [&](std::string_view name) { return BoolOf(rs.Fields(name).Value()); };
  auto tolerant = [](auto&& step) { SkipErrors(step); };

  bill.sBillNo = text("CardNumber");
  bill.sAppName = text("AppName");
  bill.bShield = flag("Shield");
  bill.sBillName = text("Name");
  bill.sCardName = text("cCardName");
  bill.sCardType = text("CardType");
  bill.sItemTable = text("ItemTblName");
  bill.sPrimaryKeyFieldNames = vb::Trim(text("VchTblPrimarykeyNames"));
  row_no_field_.clear();
  tolerant([&] {
    std::string name = vb::Trim(text("ReceiptNOFieldName"));
    if (vb::InStr(name, "{##}") >= 2) {
      const std::int32_t at = vb::InStr(name, "{##}");
      row_no_field_ = vb::Mid(name, at + 4);
      name = vb::Left(name, at - 1);
    }
    bill.sReceiptNOFieldName = name;
  });
  bill.nCol = number("itemCol");
  bill.sBtTable = text("BTTblName");
  bill.sBtViewTable = text("BTQName");
  bill.sBwTable = text("BWTblName");
  bill.sBwViewTable = text("BWQName");
  bill.bHaveBody = std::to_string(number("HaveBodyGrid"));
  bill.nID = number("VT_ID");
  bill.sName = text("VT_Name");
  bill.nwidth = number("VT_Width");
  bill.nheight = number("VT_Height");
  bill.nBodyTop = number("VT_BodyTop");
  bill.nBodyLeft = number("VT_BodyLeft");
  bill.nBodyWidth = number("VT_BodyWidth");
  bill.nBodyHeight = number("VT_BodyHeight");
  bill.nBodyFixedCols = number("VT_BodyFixedCols");
  bill.nBodyMaxRows = number("VT_BodyMaxRows");
  bill.sSelftDef1 = text("VT_SelfDef1");
  bill.sSelftDef2 = text("VT_SelfDef2");
  bill.sSelftDef3 = text("VT_SelfDef3");
  bill.sRemark = text("VT_Memo");
  bill.sTitle = text("VT_TitleName");
  bill.nTitleLeft = number("VT_TitleLeft");
  bill.nTitleTop = number("VT_TitleTop");
  bill.sFontState = text("VT_TitleFontState");
  bill.sPageHeader = text("VT_PageHeader");
  bill.nWorkAreaColor = number("VT_WorkAreaColor");
  bill.nControlStyle = number("VT_ControlStyle");
  bill.nFiexdColor = number("VT_FiexdColor");
  bill.nTotalColor = number("VT_TotalColor");
  bill.nAmongColor = number("VT_AmongColor");
  bill.sGridStyleHead = text("VT_GridStyleHead");
  bill.sGridStyleBody = text("VT_GridStyleBody");
  bill.sGridStyleTotal = text("VT_GridStyleTotal");
  bill.nPrnRows = number("VT_GridPrnRows");
  bill.nPrnRowHeight = number("VT_GridPrnRowHeight");

  tolerant([&] { bill.sHeader = text("VT_Header"); });
  tolerant([&] { bill.sFoot = text("VT_Foot"); });
  tolerant([&] { bill.sfootHeaderFont = text("VT_footHeaderFont"); });
  tolerant([&] { bill.nPrintVTID = number("VT_PrintTemplID"); });
  tolerant([&] {
    const std::int32_t v = number("VT_PrintGrid");
    bill.nPrintGrid = v % 10;
    bill.bPrintFlowMode = v / 10 != 0;
  });
  tolerant([&] {
    const std::int32_t v = number("VT_AutoCalc");
    bill.bIsBarCodeMode = v / 10 != 0;
    bill.bAutoWordWrap = v / 100 != 0;
    bill.nAutoCalcHeight = v % 10;
  });
  tolerant([&] {
    const std::int32_t v = number("VT_PageSubTotal");
    bill.bPrintTailAfterBody = v / 10 != 0;
    bill.nPagesubTotal = v % 10;
  });
  tolerant([&] { bill.nPageTotal = number("VT_PageTotal"); });
  tolerant([&] {
    const std::int32_t v = number("nAutoCalcWidth");
    bill.nControlAutoScale = v / 10 - 1;
    if (bill.nControlAutoScale < 0) bill.nControlAutoScale = AutoVertical;
    bill.nAutoCalcWidth = v % 10;
  });
  tolerant([&] { bill.nPrintSeril(number("nPrintSeril")); });
  tolerant([&] { bill.nPrintGridLine = number("nPrintGridLine"); });
  tolerant([&] { bill.sPrintGroubyFields = text("VT_ReservedInfo"); });
  tolerant([&] { bill.bRowLayoutEnabled = flag("vt_RowLayoutEnabled"); });
  tolerant([&] {
    inventory_field_name_ = text("inventoryFieldName");
    inventory_field2_.clear();
    if (inventory_field_name_.empty()) return;
    if (vb::Contains(inventory_field_name_, "{$$}")) {
      const auto parts = vb::Split(inventory_field_name_, "{$$}");
      inventory_field_name_ = parts[0];
      inventory_field2_ = parts[1];
    }
    if (inventory_field_name_.empty()) return;
    inventory_split_ = true;
    if (vb::Contains(inventory_field_name_, "{##}")) {
      const auto parts = vb::Split(inventory_field_name_, "{##}");
      inventory_field_name_ = parts[0];
      inventory_field3_ = parts[1];
    }
    inventory_split_ = false;
  });
  tolerant([&] { bill.nTemplateSubType = number("TemplateSubType"); });
  tolerant([&] { bill.cParentKey = text("cParentKey"); });
  tolerant([&] { bill.cKey = text("cKey"); });
  tolerant([&] {
    const std::int32_t v = number("nbarcodeMultiple");
    bill.nbarcodeMultiple = static_cast<std::int16_t>(v > 0 ? v : 3);
  });
  tolerant([&] { bill.sBarCodeFieldNames = text("cBarCodeFieldNames"); });
}

void TemplateModel::ApplyTemplateSettings(clsBillInformation& bill) {
  row_outline_ = !bill.cParentKey.empty() && !bill.cKey.empty();
  if (row_outline_) {
    outline_parent_key_ = bill.cParentKey;
    outline_key_ = bill.cKey;
  }
  template_loaded_ = true;

  barcode_field1_ = "csysbarcode";
  barcode_field2_ = "cbsysbarcode";
  barcode_field3_ = "csubsysbarcode";
  if (!vb::Trim(bill.sBarCodeFieldNames).empty()) {
    const auto parts = vb::Split(bill.sBarCodeFieldNames, "{##}");
    if (parts.size() == 3) {
      barcode_field1_ = parts[0];
      barcode_field2_ = parts[1];
      barcode_field3_ = parts[2];
    }
  }
  template_key_ = bill.sBillNo + "_" + std::to_string(bill.nID);
}

void TemplateModel::FillItem(clsItemState& s, const Recordset::Row& row, bool first, std::int32_t count) {
  // The first row must read cleanly up to the font state; after that, and
  // for every later row, a position that cannot be read is skipped.
  bool strict = first;
  auto step = [&](auto&& f) {
    if (strict)
      f();
    else
      SkipErrors(f);
  };
  auto text = [&](std::size_t p) { return TextOf(At(row, p)); };
  auto number = [&](std::size_t p) { return LongOf(At(row, p)); };
  auto flag = [&](std::size_t p) { return BoolOf(At(row, p)); };

  step([&] { s.nID = number(0); });
  step([&] { s.sCareItemNum = text(2); });
  step([&] { s.sCardItemName = text(54); });
  step([&] { s.bCannotSelect = flag(3); });
  step([&] { s.showIt = flag(4); });
  step([&] { s.nLinkit = number(5); });
  step([&] { s.sLinkTbl = text(6); });
  step([&] { s.sLinkField = text(7); });
  step([&] { s.sTableName = text(8); });
  step([&] { s.sFieldName = text(9); });
  step([&] { s.nFieldType = number(10); });
  step([&] { s.nReferType(number(11)); });
  step([&] { s.sReferTable = text(12); });
  step([&] { s.sCardSection = text(13); });
  step([&] { s.sCardFormula1 = text(55); });
  step([&] { s.sCardFormula2 = text(56); });
  step([&] { s.bCanModify(flag(14)); });
  step([&] { s.nMaxLength = number(15); });
  step([&] { s.nMaxShowLength = number(16); });
  detail::ItemStateAccess::SetOwner(s, owner_);
  step([&] {
    s.nNumPoint(number(17));
    if (s.nFieldType == 1 || s.nFieldType == 2 || s.nFieldType == 3) s.nNumPoint(0);
  });
  step([&] { s.bIsNull = flag(18); });
  step([&] { s.bCanDelete = flag(19); });
  step([&] { s.nCanDelete = number(19); });
  step([&] { s.sUserCheck = text(20); });
  step([&] { s.sUserPrompt = text(21); });
  step([&] { s.sFormatChar = text(22); });
  step([&] { s.bIsMain = std::to_string(number(23)); });
  step([&] { s.nNeedSum = number(24); });
  step([&] { s.bCalcField = flag(25); });
  step([&] { s.sAliasNum = text(26); });
  step([&] { s.nIsSelfDef = number(27); });
  step([&] { s.nCOX = number(44); });
  step([&] { s.nCOY = number(45); });
  step([&] { s.nwidth = number(46); });
  step([&] { s.nheight = number(28); });
  step([&] { s.nTabIndex = number(29); });
  step([&] { s.sDefaultValue = text(30); });
  step([&] { s.bIsFixedLenght = flag(31); });
  step([&] {
    s.sFormatData = text(32);
    if (s.nFieldType == 5 && vb::Len(s.sFormatData) < 5) s.sFormatData = "YYYY-MM-DD";
  });
  step([&] { s.sFontState = text(57); });
  strict = false;
  step([&] { s.bPrintCaption = flag(33); });
  step([&] { s.bPrintUpcase = flag(34); });
  step([&] { s.sPrintInterval = text(35); });
  step([&] { s.nDataSource = std::max(number(36), 0); });
  step([&] { s.nEnterType = number(37); });
  step([&] { s.sDataRule = text(38); });
  step([&] { s.bValidityCheck = flag(39); });
  step([&] { s.bBuildArchives = flag(41); });
  step([&] { s.nBorder(number(43)); });
  step([&] { s.ReserveSegTitlePos = flag(40); });
  s.Reserve5 = std::to_string(count + 1);
  step([&] { s.Reserve2 = std::to_string(number(119) / 10); });
  step([&] { s.bZeroAllowable = flag(50); });
  step([&] { s.vValueDefault = vb::Trim(text(52)); });
  step([&] { s.sRefObject = text(113); });
  step([&] { s.IsEnum = flag(48); });
  if (s.IsEnum) {
    s.collEnumMap = std::make_shared<Collection<std::string>>();
    step([&] {
      const std::string definition = text(49);
      GetCollectFromEnumString(definition, *s.collEnumMap);
      s.EnumTypestring = definition;
    });
  }
  step([&] { s.AutoFillRule = text(114); });
  s.ReferAutoDisplayText = !s.sRefObject.empty();
  step([&] { s.IsJoinQuery = flag(120); });
  step([&] { s.bExtended = flag(122); });
  step([&] { s.bIMFld = static_cast<std::int16_t>(number(123)); });
  step([&] { s.bAutoComplete = flag(124); });
  step([&] { s.bColShow = flag(125); });
  step([&] { s.cMultiTableHeaderTitle = text(126); });
}

void TemplateModel::ReadAccountOptions() {
  AccountOptions& options = Thread().accountOptions;
  if (options.read) return;
  SkipErrors([&] {
    options.bPrintTemplatePointLength = false;
    std::string error;
    RecordsetPtr rs = ctx_.DataSource().GetRsBySql(
        "select cValue,cName from AccInformation where csysid='AA' and"
        " cName in('bDisplayInventoryPic','AuditSelectCols','nDisableColor','nNeedColor',"
        "'bPrintTemplatePointLength','bDescendAuditTime')",
        error);
    if (rs) {
      while (!rs->Eof()) {
        const std::string name = vb::UCase(TextOf(rs->Value("cName")));
        const Variant& value = rs->Value("cValue");
        SkipErrors([&] {
          if (name == "BDISPLAYINVENTORYPIC")
            options.bDisplayInventoryPic = vb::UCase(TextOf(value)) != "FALSE";
          else if (name == "AUDITSELECTCOLS")
            options.AuditSelectCols = TextOf(value);
          else if (name == "NDISABLECOLOR")
            options.nDisableColor = LongOf(value);
          else if (name == "NNEEDCOLOR")
            options.nNeedColor = LongOf(value);
          else if (name == "BPRINTTEMPLATEPOINTLENGTH")
            options.bPrintTemplatePointLength = vb::LCase(TextOf(value)) == "true";
          else if (name == "BDESCENDAUDITTIME")
            descend_audit_time_ = vb::LCase(TextOf(value)) == "true";
        });
        rs->MoveNext();
      }
      rs->Close();
    }
  });
  options.read = true;
}

// ---------------------------------------------------------------- lookups

ItemPtr TemplateModel::ItemState(const Variant& index, std::int32_t section) {
  try {
    if (index.IsNull()) return nullptr;
    if (IsNumeric(index)) {
      const std::int64_t position = std::int64_t(CLng(index)) + (section == sibody ? 0 : body_count_);
      if (position < 1 || position > items_->Count()) return nullptr;
      return items_->Item(static_cast<std::int32_t>(position));
    }
    std::string key(1, section == siHeader ? 'T' : 'B');
    key += index.IsString() ? index.AsString() : CStr(index);
    for (char& c : key)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return items_->Item(key);
  } catch (...) {
    auto [number, description] = CurrentErrorInfo();
    ctx_.RaiseControlError(number, description);
    ctx_.SetLastError(description);
    return nullptr;
  }
}

ItemPtr TemplateModel::FindItem(std::string_view fieldName, bool body) const {
  std::string key(1, body ? 'B' : 'T');
  key.append(fieldName);
  const ItemPtr* found = items_->Find(key);
  return found ? *found : nullptr;
}

ItemPtr TemplateModel::BodyItemAtColumn(std::int32_t col) const {
  if (col < 1 || col >= static_cast<std::int32_t>(body_pos_.size())) return nullptr;
  const std::int32_t ordinal = body_pos_[static_cast<std::size_t>(col)];
  if (ordinal < 1 || ordinal > items_->Count()) return nullptr;
  return items_->Item(ordinal);
}

std::int32_t TemplateModel::LookUpArray(const std::string& skey, SectionsConstants eSection) {
  std::int32_t result = -1;
  try {
    const ItemPtr item = ItemState(Variant(skey), eSection);
    if (!item) return -1;
    const std::int32_t n = IsNumericText(item->Reserve5) ? CLng(Variant(item->Reserve5)) : 0;
    result = eSection == siHeader ? n - body_count_ : n;
  } catch (...) {
    ctx_.SetLastError(CurrentErrorInfo().second);
  }
  return result;
}

std::int32_t TemplateModel::LookUpArrayFromKey(const std::string& skey, SectionsConstants eSection) {
  std::int32_t result = -1;
  try {
    const ItemPtr item = ItemState(Variant(skey), eSection);
    if (!item) return -1;
    result = IsNumericText(item->Reserve6) ? CLng(Variant(item->Reserve6)) : 0;
  } catch (...) {
    ctx_.SetLastError(CurrentErrorInfo().second);
  }
  return result;
}

std::string TemplateModel::Debug_KeyWord(SectionsConstants eSection) const {
  const std::string wanted = eSection == siHeader ? "T" : "B";
  std::string out;
  for (const ItemPtr& item : *items_)
    if (vb::UCase(item->sCardSection) == wanted) out.append(item->sFieldName).push_back('\n');
  return out;
}

std::int16_t TemplateModel::getRefType(const Variant& nRefType) {
  if (!IsNumeric(nRefType) || nRefType.IsEmpty()) return 0;
  double d = 0;
  try {
    d = CDbl(nRefType);
  } catch (...) {
    return 0;
  }
  // Only the kinds in the table translate; 2.5 is not kind 2 (nor 3).
  if (!(d >= 0 && d <= 10) || d != std::floor(d)) return 0;
  switch (static_cast<std::int32_t>(d)) {
    case 1: return 1;
    case 2: return 3;
    case 3: return 2;
    case 4: return 4;
    case 7: return 6;
    case 8: return 8;
    case 10: return 9;
    default: return 0;
  }
}

bool TemplateModel::GetColAutoDisplayText(const Variant& col) {
  return ctx_.Guard(false, [&] {
    const std::int32_t c = CLng(col);
    if (c < 0 || c >= static_cast<std::int32_t>(body_pos_.size())) throw VbError::Standard(err::kSubscript);
    const ItemPtr item = ItemState(Variant(body_pos_[static_cast<std::size_t>(c)]), sibody);
    if (!item) throw VbError::Standard(err::kObjectNotSet);
    return item->ReferAutoDisplayText;
  });
}

}  // namespace cavra
