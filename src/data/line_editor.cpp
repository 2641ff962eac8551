#include "data/line_editor.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "cavra/collection.h"
#include "core/resources.h"
#include "platform/error_flow.h"
#include "platform/xml.h"
#include "template/item_metadata.h"

namespace cavra {
namespace {

bool IsDeleted(const pugi::xml_node& row) { return std::strcmp(row.attribute("editprop").value(), "D") == 0; }

}  // namespace

LineEditor::LineEditor(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents,
                       FieldValues& values)
    : ctx_(context), model_(model), docs_(documents), values_(values) {}

// Returns whether the line was updated and recalculated; a failure is
// reported through the error convention.
bool LineEditor::UpdateLineData(const DomPtr& dom, std::int32_t row) {
  // The grid is a host object and the recalculation raises events.
  ServiceContext::Pass pass(ctx_);
  const BodyGridPtr grid = ctx_.GridObject();
  bool updated = false;
  std::exception_ptr failure;
  try {
    if (grid) grid->Redraw(false);
    const pugi::xml_node source = dom ? xml::SelectSingleNode(*dom, "//z:row") : pugi::xml_node();
    if (!source) throw ResourceError("Ordra.AA.VCH.020");
    const std::int32_t n = row == -1 ? ctx_.Grid().Row() : row;
    if (n < 1 || n > docs_.LineCount()) throw ResourceError("Ordra.AA.VCH.022");
    const pugi::xml_node target = docs_.BodyRow(n);
    if (!target) throw VbError(err::kLineMissing, GetResString("Ordra.AA.VCH.021"));
    // Every attribute, whether a template field names it or not; the line's
    // own state is never taken from the source. An attribute given twice
    // counts once, as its first copy, as everywhere in the documents.
    for (const pugi::xml_attribute& a : source.attributes()) {
      if (std::strcmp(a.name(), "xmlns:z") == 0 || std::strcmp(a.name(), "editprop") == 0) continue;
      if (source.attribute(a.name()) != a) continue;
      SetNodeAttribute(target, a.name(), a.value());
    }
    if (recalc_line_) recalc_line_(n);
    updated = true;
  } catch (...) {
    failure = std::current_exception();
  }
  if (grid) SkipErrors([&] { grid->Redraw(true); });
  // Reported once the grid draws again, so that a handler sees it as it is.
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (...) {
      ctx_.ReportCurrentException();
    }
  }
  return updated;
}

std::string LineEditor::QueryDataLineStatus(std::int32_t nRow) {
  return ctx_.Guard(std::string(), [&]() -> std::string {
    const std::int32_t n = nRow < 1 ? ctx_.Grid().Row() : nRow;
    if (n < 1 || n > docs_.LineCount()) {
      ctx_.SetLastError(GetResString("Ordra.AA.VCH.022"));
      return {};
    }
    const pugi::xml_node line = docs_.BodyRow(n);
    if (!line) {
      std::string text = GetResString("Ordra.AA.VCH.021");
      ctx_.SetLastError(text);
      throw VbError(err::kLineMissing, std::move(text));
    }
    return line.attribute("editprop").value();
  });
}

Variant LineEditor::ResetSigh() {
  for (const pugi::xpath_node& hit : xml::SelectNodes(*docs_.Head(), "//rs:data/z:row"))
    SetNodeAttribute(hit.node(), "editprop", "");
  for (pugi::xml_node line : docs_.BodyRows()) SetNodeAttribute(line, "editprop", "");
  return Variant();
}

void LineEditor::CalcRowNO(std::int32_t nPosition, std::int32_t nCurrentRowNO, bool IsAdd) {
  if (stop_update_row_no_) return;
  if (!IsAdd) {
    ShiftRowNumbers(nCurrentRowNO, false);
    return;
  }
  const std::string& field = model_.RowNoField();
  if (field.empty()) return;
  std::int32_t start = nPosition;
  if (nPosition > 1) {
    // When the line above does not carry its own position the numbers are
    // off already, and every line is renumbered.
    const Variant above = values_.bodyText(nPosition - 1, Variant(field));
    const std::string text = above.IsString() ? above.AsString() : std::string();
    if (!IsNumericText(text) || CDbl(Variant(text)) != nPosition - 1) start = 1;
  }
  const std::int32_t count = docs_.LineCount();
  for (std::int32_t i = std::max(start, 1); i <= count; ++i) {
    const pugi::xml_node line = docs_.BodyRow(i);
    if (!IsDeleted(line)) SetNodeAttribute(line, field, std::to_string(i));
  }
}

void LineEditor::ShiftRowNumbers(std::int32_t nCurrent, bool increase) {
  const std::string& field = model_.RowNoField();
  if (field.empty()) return;
  for (pugi::xml_node line : docs_.BodyRows()) {
    if (IsDeleted(line)) continue;
    const std::string text = line.attribute(field.c_str()).value();
    const double n = IsNumericText(text) ? CDbl(Variant(text)) : 0;
    if (n > nCurrent) SetNodeAttribute(line, field, FormatDouble(increase ? n + 1 : n - 1));
  }
}

void LineEditor::SetCurrentRow(const std::string& strCondition) {
  ctx_.Guard([&] {
    const pugi::xml_node found = xml::SelectSingleNode(*docs_.Body(), "//z:row[" + strCondition + "]");
    if (!found) return;
    // The line is found by identity; a matching row outside the lines is
    // looked for among them by its XML text.
    const std::vector<pugi::xml_node>& lines = docs_.BodyRows();
    auto it = std::find(lines.begin(), lines.end(), found);
    if (it == lines.end()) {
      const std::string text = xml::Text(found);
      it = std::find_if(lines.begin(), lines.end(),
                        [&](const pugi::xml_node& l) { return xml::Text(l) == text; });
    }
    if (it == lines.end()) return;
    const auto n = static_cast<std::int32_t>(it - lines.begin() + 1);

    IBodyGrid& grid = ctx_.Grid();
    grid.Row(n);
    grid.ShowCell(n, 1);
    if (n > grid.BottomRow()) grid.TopRow(grid.TopRow() + 1);
    grid.SelectRange(n, 1, n, grid.Cols() - 1);
  });
}

void LineEditor::FillList(DomPtr& oDom) {
  oDom = xml::LoadNew("<?xml version='1.0' standalone='yes' ?><locate/>");
  ctx_.Guard([&] {
    IBodyGrid& grid = ctx_.Grid();
    // The grid's current column: where its selection starts.
    std::int32_t r1 = 0, col = 0, r2 = 0, c2 = 0;
    grid.GetSelection(r1, col, r2, c2);
    pugi::xml_node root = oDom->document_element();
    Collection<std::int32_t> listed;  // keys compared without regard to case, as the list always was
    const std::int32_t last = grid.Rows() - 1;
    for (std::int32_t r = grid.FixedRows(); r <= last; ++r) {
      const std::string text = grid.TextMatrix(r, col);
      if (text.empty() || listed.Exists(text + "aa")) continue;
      listed.Add(r, text + "aa");
      root.append_child("item").text().set(text.c_str());
    }
  });
}

void LineEditor::BodyReadOnly(bool b) {
  if (ctx_.GridObject()) ctx_.GridObject()->ReadOnly(b);
  body_read_only_ = b;
}

std::string LineEditor::GetSelectedRows() {
  return ctx_.Guard(std::string(), [&] {
    std::int32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    ctx_.Grid().GetSelection(r1, c1, r2, c2);
    std::string out;
    for (std::int32_t r = r2; r >= r1; --r) {
      if (!out.empty()) out.push_back(',');
      out.append(std::to_string(r));
    }
    return out;
  });
}

}  // namespace cavra
