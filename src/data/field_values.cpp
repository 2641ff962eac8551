#include "data/field_values.h"

#include "cavra/enums.h"
#include "core/resources.h"
#include "data/decimal.h"
#include "platform/vbstring.h"
#include "template/item_metadata.h"

namespace cavra {
namespace {

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

VbError HeaderMissing() { return VbError(err::kHeaderLookup, GetResString("Ordra.AA.VCH.008")); }

}  // namespace

FieldValues::FieldValues(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents)
    : ctx_(context), model_(model), docs_(documents) {}

const FieldValues::Compiled& FieldValues::Formats(const clsItemState& item) const {
  Compiled& c = formats_[&item];
  if (c.fieldType != item.nFieldType || c.numPoint != item.nNumPoint() || c.formatText != item.sFormatData) {
    c.fieldType = std::numeric_limits<std::int32_t>::min();  // stays stale if compiling throws
    c.plain = FieldFormat(item.nFieldType, item.nNumPoint(), item.sFormatData, false);
    c.grouped = FieldFormat(item.nFieldType, item.nNumPoint(), item.sFormatData, true);
    c.date = item.nFieldType == 5 ? DatePicture(item.sFormatData) : DatePicture();
    c.numPoint = item.nNumPoint();
    c.formatText = item.sFormatData;
    c.fieldType = item.nFieldType;
  }
  return c;
}

void FieldValues::ResetFormats() { formats_.clear(); }

ItemPtr FieldValues::ItemAtColumn(const Variant& col) {
  const std::int32_t c = CLng(col);
  if (c < 0 || c >= static_cast<std::int32_t>(model_.BodyPositions().size()))
    throw VbError::Standard(err::kSubscript);
  return model_.ItemState(Variant(model_.BodyPositions()[static_cast<std::size_t>(c)]), sibody);
}

std::string FieldValues::BodyCell(const clsItemState& item, const pugi::xml_node& row) const {
  // A shown kind-10 field is read as stored, without the display-name fallback.
  const std::string_view raw = !IsBlank(item.Reserve6) && item.nReferType() == 10
                                   ? std::string_view(row.attribute(item.sFieldName.c_str()).value())
                                   : docs_.RowFieldView(row, item.sFieldName, false);
  return BodyCellFromStored(item, raw);
}

std::string FieldValues::BodyCellFromStored(const clsItemState& item, std::string_view stored) const {
  std::string text = Formats(item).plain.Apply(stored);
  return item.IsEnum ? LookUpEnumText(text, item, false) : text;
}

std::string FieldValues::HeaderCell(const clsItemState& item, const pugi::xml_node& row,
                                    bool enumText) const {
  std::string text = Formats(item).plain.Apply(docs_.RowFieldView(row, item.sFieldName, true));
  return enumText && item.IsEnum ? LookUpEnumText(text, item, false) : text;
}

// ---------------------------------------------------------------- public members

Variant FieldValues::headerText(const Variant& index) {
  return ctx_.Guard(Variant(), [&] {
    const ItemPtr item = model_.ItemState(index, siHeader);
    const pugi::xml_node row = docs_.HeadRow();
    if (!item || !row) throw HeaderMissing();
    return Variant(HeaderCell(*item, row, true));
  });
}

Variant FieldValues::headerDisplayText(const Variant& index) {
  return ctx_.Guard(Variant(), [&] {
    const ItemPtr item = model_.ItemState(index, siHeader);
    const pugi::xml_node row = docs_.HeadRow();
    if (!item || !row) throw HeaderMissing();
    std::string text = HeaderCell(*item, row, false);
    const std::int32_t refer = item->nReferType();
    if (item->nFieldType == 4 && (refer == 1 || refer == 4 || refer == 7))
      text = Formats(*item).grouped.Apply(text);
    if (refer == 10) {
      const std::size_t at = text.find("{##}");
      if (at != std::string::npos) text.resize(at);
    }
    if (refer == 8) text = vb::Replace(vb::Replace(text, "\n", "\r\n"), "\r\n\n", "\r\n");
    if (refer == 11 && picture_file_) text = picture_file_(text);
    return Variant(std::move(text));
  });
}

Variant FieldValues::bodyText(std::int32_t row, const Variant& col) {
  return ctx_.Guard(Variant(), [&] {
    const ItemPtr item = model_.ItemState(col, sibody);
    if (!item) return Variant();
    const pugi::xml_node node = docs_.BodyRow(row);
    if (!node) return Variant();
    return Variant(BodyCell(*item, node));
  });
}

Variant FieldValues::GetInteralBodyText(std::int32_t row, const Variant& col) {
  return ctx_.Guard(Variant(), [&] {
    const ItemPtr item = ItemAtColumn(col);
    if (!item) return Variant();
    const pugi::xml_node node = docs_.BodyRow(row);
    if (!node) return Variant();
    const Compiled& c = Formats(*item);
    std::string text = c.grouped.Apply(docs_.RowFieldView(node, item->sFieldName, false));
    if (item->nFieldType == 5) text = c.date.Format(text);
    return Variant(std::move(text));
  });
}

std::string FieldValues::GetFormatStringByValue(std::int32_t /*row*/, const Variant& col,
                                                const std::string& v) {
  return ctx_.Guard(std::string(), [&] {
    const ItemPtr item = ItemAtColumn(col);
    if (!item) return std::string();
    const Compiled& c = Formats(*item);
    const std::string typed = item->nFieldType == 5 ? c.date.Format(vb::Replace(v, "T", " ")) : v;
    std::string result = c.grouped.Apply(typed);
    if (IsBlank(result) && !IsBlank(typed)) result = typed;
    return LookUpEnumText(result, *item, true);
  });
}

std::string FieldValues::TotalText(const Variant& col) {
  return ctx_.Guard(std::string(), [&]() -> std::string {
    const ItemPtr item = model_.ItemState(col, sibody);
    if (!item) {
      VariantArray params{col};
      ctx_.SetLastError(GetResStringEx("Ordra.AA.VCH.018", params));
      return {};
    }
    if (!IsNumeric(col)) return ColumnTotal(*item);
    const std::int32_t c = CLng(col);
    if (c < 1 || c >= static_cast<std::int32_t>(model_.BodyPositions().size())) {
      ctx_.SetLastError(GetResString("Ordra.AA.VCH.019"));
      return {};
    }
    const std::string total = ctx_.Grid().TextMatrixTotal(c);
    return FieldFormat(item->nFieldType, item->nNumPoint(), "", false).Apply(total);
  });
}

void FieldValues::TotalText(const Variant& col, const std::string& value) {
  ctx_.Guard([&] {
    const ItemPtr item = model_.ItemState(col, sibody);
    if (!item || !IsNumericText(item->Reserve6)) return;
    const std::int32_t column = CLng(Variant(item->Reserve6));
    if (column < 1) return;
    IBodyGrid& grid = ctx_.Grid();
    if (column >= grid.Cols()) return;
    grid.TextMatrixTotal(column, Formats(*item).grouped.Apply(value));
  });
}

std::string FieldValues::TolmFormatDate(const std::string& strDate, const clsItemState* vis) const {
  if (!vis || vis->nFieldType != 5 || vb::Len(vis->sFormatData) < 3) return strDate;
  return DateTextFormat(vis->sFormatData).Apply(strDate);
}

// ---------------------------------------------------------------- for other subsystems

std::string FieldValues::FormatFieldValue(const clsItemState& item, std::string_view value, bool thousands,
                                          std::string_view formatText) const {
  const Compiled& c = Formats(item);
  if (formatText == item.sFormatData) return (thousands ? c.grouped : c.plain).Apply(value);
  // Texts ignore the format text, and so do numbers without thousands.
  if (item.nFieldType == 0 || item.nFieldType == 1 || (!thousands && item.nFieldType != 5))
    return c.plain.Apply(value);
  return ::cavra::FormatFieldValue(item.nFieldType, value, thousands, item.nNumPoint(), formatText);
}

std::string FieldValues::BodyValue(const clsItemState& item, std::int32_t line) const {
  const pugi::xml_node row = docs_.BodyRow(line);
  return row ? BodyCell(item, row) : std::string();
}

std::string FieldValues::HeaderValue(const clsItemState& item) {
  const pugi::xml_node row = docs_.HeadRow();
  return row ? HeaderCell(item, row, true) : std::string();
}

std::string FieldValues::ColumnTotal(const clsItemState& item) const {
  // Each cell is rounded to the field's decimals first, as it is shown, and
  // the rounded texts are added exactly.
  const FieldFormat format(item.nFieldType, item.nNumPoint(), "", false);
  const bool outline = model_.IsRowOutline();
  ColumnSum sum;
  for (const pugi::xml_node& row : docs_.BodyRows()) {
    if (outline && vb::Trim(row.attribute("SumRow").value()) == "1") continue;
    sum.Add(format.Apply(docs_.RowFieldView(row, item.sFieldName, false)));
  }
  return format.Apply(sum.total().ToString());
}

}  // namespace cavra
