// Custom archive relations: which voucher fields refer to a master-data
// archive (a customer, an inventory item, ...) and which custom fields are
// filled back from an item of that archive once such a field changes.
//
// A host describes the relations with a recordset, one row per reference
// field, with the columns ItemKey, IsPrimary, ArchivesName, ArchivesIndex and
// cTablename; clsVoucherService::SetCustomRelation builds a clsCustomManager
// from it and the template's items. A template item takes part as a custom
// field when its nIsSelfDef is 1 or 6, its nDataSource 1 and its sDataRule
// names "archive,archive item".
//
// Example:
//   cavra::clsCustomManager manager;
//   cavra::Variant rows(relationRecordset);
//   manager.Initialize(rows, items);
//   cavra::Variant found;
//   if (manager.IsNeedAutoBackFillCustom(cavra::Variant("ccusabbname"), found))
//     for (const auto& item : found.As<cavra::clsCustomRecord>()->m_colCustom) ...
//
// Plain public fields, like the other companion classes. Nothing here throws.
#pragma once

#include <memory>
#include <string>

#include "cavra/collection.h"
#include "cavra/export.h"
#include "cavra/item_state.h"
#include "cavra/object.h"
#include "cavra/recordset.h"
#include "cavra/variant.h"

namespace cavra {

// One custom voucher field and the archive item it is filled from.
class CAVRA_EXPORT clsCustomItem : public Object {
 public:
  std::string strCustomKey;  // the voucher field to fill (its sFieldName)
  std::string strArchName;   // the archive, from the field's data rule
  std::string strItemName;   // the archive item to copy, from the data rule
  Variant reserved1;         // the field's section ("T" or "B")
  Variant reserved2;         // not set by the library
};
using CustomItemPtr = std::shared_ptr<clsCustomItem>;

// One relation row: a reference field and its archive.
class CAVRA_EXPORT clsCustomRecord : public Object {
 public:
  std::string strItemName;               // the reference field (column ItemKey)
  Variant vtAppend{std::string()};       // body row of the current back-fill
  bool bIsPrimary = false;               // the archive's primary index field (IsPrimary)
  std::string strOppArch;                // the archive (ArchivesName)
  std::string strOppArchIndex;           // the archive's index column (ArchivesIndex)
  Collection<CustomItemPtr> m_colCustom;  // custom fields filled from the archive, keyed
                                         // section letter + field name ("Tcdefine1")
  std::string cExtendTablename;          // the archive's extension table (cTablename)
};
using CustomRecordPtr = std::shared_ptr<clsCustomRecord>;

class CAVRA_EXPORT clsCustomManager : public Object {
 public:
  // Relation records keyed by their trimmed strItemName; the first of equal keys stays.
  Collection<CustomRecordPtr> m_colRecords;
  // The primary index field name of each archive, keyed by archive name.
  Collection<std::string> m_colPrimary;

  // Loads the relation rows of rst (a Variant holding a Recordset) and then
  // attaches the custom items of coll to them. False when either is nothing
  // or rst holds no recordset, or the recordset cannot be read from its
  // first row; a bad row, column or item is skipped (a Null or missing
  // column reads as empty), the rest still load.
  bool Initialize(Variant& rst, const std::shared_ptr<const ItemCollection>& coll);
  // The primary index field stored for the archive vtArchives, or "".
  std::string GetPrimaryIndex(const Variant& vtArchives) const;
  // True, with the record of the archive's primary index field put into
  // vtResult, when vtIndex (a voucher field name) refers to an archive that
  // has a primary index field with a record of its own; else False and
  // vtResult unchanged.
  bool IsNeedAutoBackFillCustom(const Variant& vtIndex, Variant& vtResult) const;

 private:
  void LoadRows(Recordset& rs);
  void AttachItems(const ItemCollection& items);
};
using CustomManagerPtr = std::shared_ptr<clsCustomManager>;

}  // namespace cavra
