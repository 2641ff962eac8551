// LineEditor: body line editing - updating a line from a one-line document,
// line states, clearing states after a save, row numbers, and moving the
// grid's current line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cavra/dom.h"
#include "cavra/variant.h"
#include "core/service_context.h"
#include "data/field_values.h"
#include "data/voucher_documents.h"
#include "template/template_model.h"

namespace cavra {

class LineEditor {
 public:
  LineEditor(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents, FieldValues& values);

  // What recomputes the formulas of one line (set by the service).
  void SetLineRecalculator(std::function<void(std::int32_t line)> f) { recalc_line_ = std::move(f); }

  bool UpdateLineData(const DomPtr& dom, std::int32_t row);
  std::string QueryDataLineStatus(std::int32_t nRow);
  Variant ResetSigh();
  void CalcRowNO(std::int32_t nPosition, std::int32_t nCurrentRowNO, bool IsAdd);
  void SetCurrentRow(const std::string& strCondition);
  void FillList(DomPtr& oDom);
  // The grid's selected rows, last first, comma separated; without a grid,
  // error 91 through the error convention and "".
  std::string GetSelectedRows();

  // Stored flag; the grid's ReadOnly follows it when a grid is attached.
  bool BodyReadOnly() const noexcept { return body_read_only_; }
  void BodyReadOnly(bool b);

  // Nothing sets it; the numbering still tests it.
  bool StopUpdateRowNo() const noexcept { return stop_update_row_no_; }

 private:
  void ShiftRowNumbers(std::int32_t nCurrent, bool increase);

  ServiceContext& ctx_;
  TemplateModel& model_;
  VoucherDocuments& docs_;
  FieldValues& values_;
  std::function<void(std::int32_t line)> recalc_line_;
  bool body_read_only_ = false;
  bool stop_update_row_no_ = false;
};

}  // namespace cavra
