// FieldValues: field values read out of the data documents as the texts a
// host shows (numbers with the item's decimals and picture, dates cut or
// rendered by the item's date picture, enumeration codes by name), the
// totals of body columns, and the shared formatting step other subsystems
// use. Each item's pictures are compiled once and cached.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>

#include "cavra/item_state.h"
#include "cavra/variant.h"
#include "core/service_context.h"
#include "data/date_format.h"
#include "data/field_format.h"
#include "data/voucher_documents.h"
#include "template/template_model.h"

namespace cavra {

class FieldValues {
 public:
  FieldValues(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents);

  // Public members (they report failures through the error convention).
  Variant headerText(const Variant& index);
  Variant headerDisplayText(const Variant& index);
  Variant bodyText(std::int32_t row, const Variant& col);
  Variant GetInteralBodyText(std::int32_t row, const Variant& col);
  std::string GetFormatStringByValue(std::int32_t row, const Variant& col, const std::string& v);
  std::string TotalText(const Variant& col);
  void TotalText(const Variant& col, const std::string& value);
  std::string TolmFormatDate(const std::string& strDate, const clsItemState* vis) const;

  // For other subsystems: no lookup, no reporting.
  // FormatFieldValue with the item's type and decimals and the given format.
  std::string FormatFieldValue(const clsItemState& item, std::string_view value, bool thousands,
                               std::string_view formatText) const;
  // What bodyText / headerText give for a known item.
  std::string BodyValue(const clsItemState& item, std::int32_t line) const;
  std::string HeaderValue(const clsItemState& item);
  // What BodyValue gives for a row node of any body document (a sorted copy
  // for printing, say).
  std::string BodyCellText(const clsItemState& item, const pugi::xml_node& row) const {
    return BodyCell(item, row);
  }
  // The exact column total of a body field, formatted with its type and
  // decimals (outline subtotal rows skipped when the outline is on).
  std::string ColumnTotal(const clsItemState& item) const;
  // Drops the compiled pictures (a template was loaded).
  void ResetFormats();

 private:
  // The formats of one item, compiled from the type, decimals and format
  // text it had then; recompiled when any of the three changed since.
  struct Compiled {
    std::int32_t fieldType = std::numeric_limits<std::int32_t>::min();  // never a real type
    std::int32_t numPoint = 0;
    std::string formatText;
    FieldFormat plain;    // thousands = false
    FieldFormat grouped;  // thousands = true: the format text's picture applies
    DatePicture date;     // the format text as a date picture (type 5 only)
  };
  const Compiled& Formats(const clsItemState& item) const;
  // The body item of grid column col (through the body positions); error 9 outside.
  ItemPtr ItemAtColumn(const Variant& col);
  std::string BodyCell(const clsItemState& item, const pugi::xml_node& row) const;
  std::string HeaderCell(const clsItemState& item, const pugi::xml_node& row, bool enumText) const;

  ServiceContext& ctx_;
  TemplateModel& model_;
  VoucherDocuments& docs_;
  mutable std::unordered_map<const clsItemState*, Compiled> formats_;
};

}  // namespace cavra
