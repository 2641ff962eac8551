#include "data/calculation.h"

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

}  // namespace

Calculation::Calculation(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents,
                         FieldValues& values, bool& updating)
    : ctx_(context), model_(model), documents_(documents), values_(values), updating_(updating) {}

const Calculation::Parsed& Calculation::FormulaOf(const clsItemState& item) {
  auto it = parsed_.find(&item);
  // A host may change a descriptor's formula; parse again only then.
  if (it != parsed_.end() && it->second.formula.source() == item.sDataRule) return it->second;
  Parsed parsed{Formula(item.sDataRule), {}};
  for (const FormulaReference& r : parsed.formula.references())
    parsed.references.push_back(model_.FindItem(r.name, r.section == 'B'));
  return parsed_.insert_or_assign(&item, std::move(parsed)).first->second;
}

void Calculation::TemplateLoaded() {
  parsed_.clear();
  for (const ItemPtr& item : *model_.m_colItems) {
    if (item->sDataRule.empty()) continue;
    const Parsed& parsed = FormulaOf(*item);
    const std::string key = KeyOf(*item);
    for (const ItemPtr& referenced : parsed.references) {
      if (!referenced) continue;
      if (!referenced->collLink) referenced->collLink = std::make_shared<Collection<std::string>>();
      if (!referenced->collLink->Exists(key)) referenced->collLink->Add(key, key);
    }
  }
}

std::string Calculation::Evaluate(const clsItemState& item, std::int32_t line, ICalculator* calculator) {
  const Parsed& parsed = FormulaOf(item);
  const auto& refs = parsed.formula.references();
  scratch_.resize(refs.size());
  for (std::size_t i = 0; i < refs.size(); ++i) {
    const ItemPtr& referenced = parsed.references[i];
    FormulaValue& value = scratch_[i];
    if (refs[i].section == 'B')
      value.text = referenced ? values_.BodyValue(*referenced, line) : TextOf(values_.bodyText(line, Variant(refs[i].name)));
    else
      value.text = referenced ? values_.HeaderValue(*referenced) : TextOf(values_.headerText(Variant(refs[i].name)));
    value.numeric = IsNumericText(value.text) && (!referenced || !IsTextType(referenced->nFieldType));
  }
  return parsed.formula.Evaluate(scratch_, IsNumericType(item.nFieldType), calculator);
}

void Calculation::ComputeBody(const clsItemState& origin, const clsItemState& target, std::int32_t first,
                              std::int32_t last, ICalculator* calculator) {
  for (std::int32_t line = first; line <= last; ++line) {
    SkipErrors([&] {
      const std::string value = Evaluate(target, line, calculator);
      ctx_.Raise([&](clsVoucherServiceEvents& s) {
        s.ExpressionCalculated(Variant(origin.sFieldName), Variant(target.sFieldName), line, Variant(value));
      });
      pugi::xml_node row = documents_.BodyRow(line);
      if (!row) return;
      pugi::xml_attribute a = row.attribute(target.sFieldName.c_str());
      if (!a) a = row.append_attribute(target.sFieldName.c_str());
      a.set_value(value.c_str());
    });
  }
}

void Calculation::ComputeHeader(const clsItemState& origin, const clsItemState& target, ICalculator* calculator) {
  SkipErrors([&] {
    std::string value = values_.FormatFieldValue(target, Evaluate(target, -1, calculator), false, "");
    ctx_.Raise([&](clsVoucherServiceEvents& s) {
      s.ExpressionCalculated(Variant(origin.sFieldName), Variant(target.sFieldName), -1, Variant(value));
    });
    // A maximum length of 0 means no limit.
    if (target.nMaxLength > 0 && vb::Len(value) > target.nMaxLength) value = vb::Left(value, target.nMaxLength);
    pugi::xml_node row = documents_.HeadRow();
    if (!row) return;
    pugi::xml_attribute a = row.attribute(target.sFieldName.c_str());
    if (!a) a = row.append_attribute(target.sFieldName.c_str());
    a.set_value(value.c_str());
  });
}

void Calculation::ExecCalcExpression(std::int32_t currentRow) {
  updating_ = true;
  SkipErrors([&] {
    // One calculator for the pass: a calculator that cannot be created makes
    // every result empty, as creating it per formula would.
    std::shared_ptr<ICalculator> calculator;
    SkipErrors([&] { calculator = CreateFormulaCalculator(); });
    const std::int32_t lines = documents_.LineCount();
    const std::int32_t first = currentRow == -1 ? 1 : currentRow;
    const std::int32_t last = currentRow == -1 ? lines : currentRow;
    if (currentRow != -1 && (currentRow < 1 || currentRow > lines)) return;

    // The pass may add links (a host's) while it runs; walk a snapshot.
    const std::vector<ItemPtr> items(model_.m_colItems->begin(), model_.m_colItems->end());
    for (const ItemPtr& item : items) {
      if (!item->collLink) continue;
      const bool body = TemplateModel::IsBody(*item);
      for (std::int32_t k = 1; k <= item->collLink->Count(); ++k) {
        SkipErrors([&] {
          const std::string& key = item->collLink->Item(k);
          const ItemPtr target = key.empty() ? nullptr : model_.FindItem(std::string_view(key).substr(1),
                                                                         vb::UCase(key.substr(0, 1)) == "B");
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
  updating_ = false;
}

}  // namespace cavra
