#include "components/defaults.h"

#include <memory>
#include <string_view>

#include "cavra/components.h"
#include "components/calculator.h"
#include "components/code_lib.h"
#include "components/voucher_sorter.h"

namespace cavra {
namespace {

void RegisterIfAbsent(std::string_view id, ComponentFactory factory) {
  if (!ComponentRegistry::IsRegistered(id)) ComponentRegistry::Register(id, std::move(factory));
}

}  // namespace

void RegisterDefaultComponents() {
  RegisterIfAbsent("FormulaKit.Calculator", [] { return std::make_shared<Calculator>(); });
  RegisterIfAbsent("CodeRuleKit.CodeLib", [] { return std::make_shared<CodeLib>(); });
  RegisterIfAbsent("TolmVoucherSorter.clsVoucherSorter", [] { return std::make_shared<VoucherSorter>(); });
}

}  // namespace cavra
