// Calculation: the template's formulas. When a template loads, each formula
// is parsed once and every item it references is linked to it (collLink),
// so formulas compute without the host wiring them. A pass computes the
// formulas of one line or of all lines, raises ExpressionCalculated for each
// result and stores it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "cavra/item_state.h"
#include "cavra/outside.h"
#include "core/service_context.h"
#include "data/field_values.h"
#include "data/formula.h"
#include "data/voucher_documents.h"
#include "template/template_model.h"

namespace cavra {

class Calculation {
 public:
  // updating: the service's "a line is being updated" flag, set during a pass.
  Calculation(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents, FieldValues& values,
              bool& updating);

  // Parses the formulas of the loaded template and adds, to the collLink of
  // every item a formula references, the key of the formula's item.
  void TemplateLoaded();
  // currentRow -1: every line; otherwise that line. Errors are ignored.
  void ExecCalcExpression(std::int32_t currentRow);

 private:
  struct Parsed {
    Formula formula;
    std::vector<ItemPtr> references;  // the item of each reference, null when unknown
  };
  const Parsed& FormulaOf(const clsItemState& item);
  std::string Evaluate(const clsItemState& item, std::int32_t line, ICalculator* calculator);
  void ComputeBody(const clsItemState& origin, const clsItemState& target, std::int32_t first, std::int32_t last,
                   ICalculator* calculator);
  void ComputeHeader(const clsItemState& origin, const clsItemState& target, ICalculator* calculator);

  ServiceContext& ctx_;
  TemplateModel& model_;
  VoucherDocuments& documents_;
  FieldValues& values_;
  bool& updating_;
  std::unordered_map<const clsItemState*, Parsed> parsed_;
  std::vector<FormulaValue> scratch_;
};

}  // namespace cavra
