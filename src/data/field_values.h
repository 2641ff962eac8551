// FieldValues: field values read out of the data documents as the texts a
// host shows (numbers with the item's decimals and picture, dates cut or
// rendered by the item's date picture, enumeration codes by name), the
// totals of body columns, and the shared formatting step other subsystems
// use. Each item's pictures are compiled once and cached.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cavra/item_state.h"
#include "cavra/variant.h"
#include "core/service_context.h"
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
  // The exact column total of a body field, formatted with its type and
  // decimals (outline subtotal rows skipped when the outline is on).
  std::string ColumnTotal(const clsItemState& item) const;
  // Drops the compiled pictures (a template was loaded).
  void ResetFormats();
};

}  // namespace cavra
