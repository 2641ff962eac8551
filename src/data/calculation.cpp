#include "data/calculation.h"

#include <algorithm>
#include <utility>

#include "core/trace_log.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

bool IsNumericType(std::int32_t type) { return type == 2 || type == 3 || type == 4; }
bool IsTextType(std::int32_t type) { return type == 0 || type == 1 || type == 5; }

std::string TextOf(const Variant& v) { return v.IsString() ? v.AsString() : std::string(); }

std::string KeyOf(const clsItemState& item) {
  return (TemplateModel::IsBody(item) ? "B" : "T") + item.sFieldName;
}

void Store(pugi::xml_node row, const std::string& field, const std::string& value) {
  if (!row) return;
  pugi::xml_attribute a = row.attribute(field.c_str());
  if (!a) a = row.append_attribute(field.c_str());
  a.set_value(value.c_str());
}

}  // namespace

Calculation::Calculation(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents,
                         FieldValues& values)
    : ctx_(context), model_(model), documents_(documents), values_(values) {}

Calculation::ParsedPtr Calculation::FormulaOf(const clsItemState& item) {
  auto it = parsed_.find(&item);
  // A host may change a descriptor's formula; parse again only then.
  if (it != parsed_.end() && it->second->formula.source() == item.sDataRule) return it->second;
  auto parsed = std::make_shared<Parsed>();
  parsed->formula = Formula(item.sDataRule);
  for (const FormulaReference& r : parsed->formula.references()) {
    parsed->references.push_back(model_.FindItem(r.name, r.section == 'B'));
    if (r.section == 'B') parsed->names_body = true;
  }
  return parsed_.insert_or_assign(&item, std::move(parsed)).first->second;
}

void Calculation::TemplateLoaded() {
  parsed_.clear();
  for (const ItemPtr& item : model_.Items()) {
    if (item->sDataRule.empty()) continue;
    const ParsedPtr parsed = FormulaOf(*item);
    if (!TemplateModel::IsBody(*item) && parsed->names_body) {
      Trace("TemplateLoaded -- header formula names body fields, not calculated:", item->sFieldName);
      continue;
    }
    const std::string key = KeyOf(*item);
    for (const ItemPtr& referenced : parsed->references) {
      if (!referenced) continue;
      if (!referenced->collLink) referenced->collLink = std::make_shared<Collection<std::string>>();
      if (!referenced->collLink->Exists(key)) referenced->collLink->Add(key, key);
    }
  }
}

std::string Calculation::Evaluate(const clsItemState& item, std::int32_t line, ICalculator* calculator) {
  // The reads below may raise controlError, whose handler may read through
  // this service again: hold the formula and the values here, not in members.
  const ParsedPtr parsed = FormulaOf(item);
  const auto& refs = parsed->formula.references();
  std::vector<FormulaValue> values = std::exchange(scratch_, {});
  values.resize(refs.size());
  for (std::size_t i = 0; i < refs.size(); ++i) {
    const ItemPtr& referenced = parsed->references[i];
    std::string text;
    const Variant name(refs[i].name);
    if (refs[i].section == 'B')
      text = referenced ? values_.BodyValue(*referenced, line) : TextOf(values_.bodyText(line, name));
    else
      text = referenced ? values_.HeaderValue(*referenced) : TextOf(values_.headerText(name));
    values[i].numeric = IsNumericText(text) && (!referenced || !IsTextType(referenced->nFieldType));
    values[i].text = std::move(text);
  }
  std::string result = parsed->formula.Evaluate(values, IsNumericType(item.nFieldType), calculator);
  scratch_ = std::move(values);
  return result;
}

void Calculation::ComputeBody(const clsItemState& origin, const clsItemState& target, std::int32_t first,
                              std::int32_t last, ICalculator* calculator) {
  for (std::int32_t line = first; line <= last; ++line) {
    SkipErrors([&] {
      const std::string value = Evaluate(target, line, calculator);
      ctx_.Raise([&](clsVoucherServiceEvents& s) {
        s.ExpressionCalculated(Variant(origin.sFieldName), Variant(target.sFieldName), line, Variant(value));
      });
      Store(documents_.BodyRow(line), target.sFieldName, value);
    });
  }
}

void Calculation::ComputeHeader(const clsItemState& origin, const clsItemState& target,
                                ICalculator* calculator) {
  SkipErrors([&] {
    if (FormulaOf(target)->names_body) return;
    std::string value = values_.FormatFieldValue(target, Evaluate(target, -1, calculator), false, "");
    ctx_.Raise([&](clsVoucherServiceEvents& s) {
      s.ExpressionCalculated(Variant(origin.sFieldName), Variant(target.sFieldName), -1, Variant(value));
    });
    if (vb::Len(value) > target.nMaxLength) value = vb::Left(value, std::max(target.nMaxLength, 0));
    Store(documents_.HeadRow(), target.sFieldName, value);
  });
}

void Calculation::ExecCalcExpression(std::int32_t currentRow) {
  ServiceContext::Pass pass(ctx_);
  SkipErrors([&] {
    // One calculator for the pass: a calculator that cannot be created makes
    // every result empty, as creating it per formula would.
    std::shared_ptr<ICalculator> calculator;
    SkipErrors([&] { calculator = CreateFormulaCalculator(ctx_.Components()); });
    const std::int32_t lines = documents_.LineCount();
    // Body-to-body formulas run on these lines only; an empty range when the
    // line does not exist.
    std::int32_t first = 1, last = lines;
    if (currentRow != -1) {
      first = currentRow;
      last = currentRow >= 1 && currentRow <= lines ? currentRow : currentRow - 1;
    }

    // Items and their links are held by value: a pass walks what was there
    // when it started, whatever a handler does to the descriptors.
    const std::vector<ItemPtr> items(model_.Items().begin(), model_.Items().end());
    for (const ItemPtr& item : items) {
      const std::shared_ptr<Collection<std::string>> links = item->collLink;
      if (!links) continue;
      const bool body = TemplateModel::IsBody(*item);
      for (std::int32_t k = 1; k <= links->Count(); ++k) {
        SkipErrors([&] {
          const std::string key = links->Item(k);
          const bool body_key = vb::UCase(key.substr(0, 1)) == "B";
          const ItemPtr target =
              key.empty() ? nullptr : model_.FindItem(std::string_view(key).substr(1), body_key);
          if (body && !target) {
            if (!item->sDataRule.empty()) ComputeBody(*item, *item, first, last, calculator.get());
          } else if (body && TemplateModel::IsBody(*target)) {
            ComputeBody(*item, *target, first, last, calculator.get());
          } else if (target) {
            if (TemplateModel::IsBody(*target))
              ComputeBody(*item, *target, 1, lines, calculator.get());
            else
              ComputeHeader(*item, *target, calculator.get());
          }
        });
      }
    }
  });
}

}  // namespace cavra
