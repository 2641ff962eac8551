#include "cavra/custom_manager.h"

#include <utility>

#include "cavra/recordset.h"
#include "core/global_helpers.h"
#include "core/service_context.h"
#include "core/trace_log.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

// Runs one step of a row; a failure is logged and skipped.
template <class F>
void Step(const char* column, F&& f) noexcept {
  try {
    std::forward<F>(f)();
  } catch (...) {
    Trace("clsCustomManager.Initialize -- XXXX", column, ": ", CurrentErrorInfo().second);
  }
}

// A column's trimmed text; Null, a missing column or a value without a text
// reads as "" (the row keeps its default).
std::string ColumnText(Recordset& rs, const char* column) {
  std::string text;
  Step(column, [&] { text = vb::Trim(Null2Str(rs.Fields(column).Value())); });
  return text;
}

}  // namespace

bool clsCustomManager::Initialize(Variant& rst, const std::shared_ptr<const ItemCollection>& coll) {
  const auto rs = rst.As<Recordset>();
  if (!rs || !coll) return false;
  try {
    rs->MoveFirst();
  } catch (...) {
    Trace("clsCustomManager.Initialize -- XXXX", CurrentErrorInfo().second);
    return false;
  }
  LoadRows(*rs);
  AttachItems(*coll);
  return true;
}

void clsCustomManager::LoadRows(Recordset& rs) {
  // Open and positioned (Initialize moved to the first row): Eof cannot fail.
  while (!rs.Eof()) {
    auto record = std::make_shared<clsCustomRecord>();
    record->strItemName = ColumnText(rs, "ItemKey");
    Step("IsPrimary", [&] {
      const Variant& v = rs.Fields("IsPrimary").Value();
      record->bIsPrimary = !v.IsNull() && !v.IsEmpty() && CBool(v);
    });
    record->strOppArch = ColumnText(rs, "ArchivesName");
    record->strOppArchIndex = ColumnText(rs, "ArchivesIndex");
    record->cExtendTablename = ColumnText(rs, "cTablename");

    if (record->bIsPrimary && !m_colPrimary.Exists(record->strOppArch))
      m_colPrimary.Add(record->strItemName, record->strOppArch);
    // A row without a key cannot be found; it is kept like any other row.
    if (!m_colRecords.Exists(record->strItemName)) m_colRecords.Add(record, record->strItemName);
    if (!SkipErrors([&] { rs.MoveNext(); })) break;
  }
}

void clsCustomManager::AttachItems(const ItemCollection& items) {
  for (const ItemPtr& item : items) {
    if (!item) continue;
    if (item->nIsSelfDef != 1 && item->nIsSelfDef != 6) continue;
    if (item->nDataSource != 1) continue;
    const std::vector<std::string> parts = vb::Split(item->sDataRule, ",");
    if (parts.size() < 2) continue;
    // The archive name is looked up as the rule writes it, blanks included.
    const CustomRecordPtr* record = m_colRecords.Find(GetPrimaryIndex(Variant(parts[0])));
    if (!record || !*record) continue;
    auto custom = std::make_shared<clsCustomItem>();
    custom->strCustomKey = item->sFieldName;
    custom->strArchName = vb::Trim(parts[0]);
    custom->strItemName = vb::Trim(parts[1]);
    custom->reserved1 = Variant(item->sCardSection);
    const std::string key = item->sCardSection + custom->strCustomKey;
    if (!(*record)->m_colCustom.Exists(key)) (*record)->m_colCustom.Add(custom, key);
  }
}

std::string clsCustomManager::GetPrimaryIndex(const Variant& vtArchives) const {
  std::string key;
  if (!SkipErrors([&] { key = CStr(vtArchives); })) return {};
  const std::string* found = key.empty() ? nullptr : m_colPrimary.Find(key);
  return found ? *found : std::string();
}

bool clsCustomManager::IsNeedAutoBackFillCustom(const Variant& vtIndex, Variant& vtResult) const {
  if (m_colRecords.empty()) return false;
  std::string key;
  if (!SkipErrors([&] { key = CStr(vtIndex); }) || key.empty()) return false;
  const CustomRecordPtr* record = m_colRecords.Find(key);
  if (!record || !*record) return false;
  const std::string primary = GetPrimaryIndex(Variant((*record)->strOppArch));
  if (primary.empty()) return false;
  const CustomRecordPtr* primary_record = m_colRecords.Find(primary);
  if (!primary_record || !*primary_record) return false;
  vtResult = Variant(*primary_record);
  return true;
}

}  // namespace cavra
