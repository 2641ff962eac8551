// Calculation: the template's formulas. When a template loads, each formula
// is parsed once and every item it references is linked to it (collLink),
// so formulas compute without the host wiring them. A pass computes the
// formulas of one line or of all lines, raises ExpressionCalculated for each
// result and stores it.
//
// Which formulas a pass runs, for ExecCalcExpression(n):
//  - a body formula reached from a body item's links, for line n (every line
//    when n is -1); a line that does not exist computes nothing;
//  - a header formula reached from any item's links, once, for the head row;
//    its text is cut to the item's nMaxLength whenever it is longer (a
//    maximum of 0 or less keeps nothing), after the event;
//  - a body formula reached from a header item's links, for every line.
// So an n outside 1 .. line count still runs the header formulas and the
// body formulas that hang on header items.
//
// A header formula that names a body field ("[B...]") has no one value for
// the head row: evaluated there, every body field would read as an empty
// line. Such a formula is never computed: the template load links it from
// nothing and logs it, and a pass skips it when a host links it by hand.
// The stored header value stays as it is.
//
// Passes hold the service's pass guard, so an event handler cannot change
// the template or the documents under them (see cavra/events.h); a nested
// read is still safe: an evaluation keeps its parsed formula and its values
// to itself across the reads that may raise events.
#pragma once

#include <cstdint>
#include <memory>
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
  Calculation(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents,
              FieldValues& values);

  // Parses the formulas of the loaded template and adds, to the collLink of
  // every item a formula references, the key of the formula's item (header
  // formulas that name body fields excepted, see above).
  void TemplateLoaded();
  // currentRow -1: every line; otherwise that line. Errors are ignored.
  void ExecCalcExpression(std::int32_t currentRow);

 private:
  struct Parsed {
    Formula formula;
    std::vector<ItemPtr> references;  // the item of each reference, null when unknown
    bool names_body = false;          // a "[B...]" reference
  };
  using ParsedPtr = std::shared_ptr<const Parsed>;
  ParsedPtr FormulaOf(const clsItemState& item);
  std::string Evaluate(const clsItemState& item, std::int32_t line, ICalculator* calculator);
  void ComputeBody(const clsItemState& origin, const clsItemState& target, std::int32_t first,
                   std::int32_t last, ICalculator* calculator);
  void ComputeHeader(const clsItemState& origin, const clsItemState& target, ICalculator* calculator);

  ServiceContext& ctx_;
  TemplateModel& model_;
  VoucherDocuments& documents_;
  FieldValues& values_;
  std::unordered_map<const clsItemState*, ParsedPtr> parsed_;
  // Reused between evaluations; an evaluation takes it out while it runs.
  std::vector<FormulaValue> scratch_;
};

}  // namespace cavra
