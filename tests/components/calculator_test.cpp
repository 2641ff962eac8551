#include <gtest/gtest.h>

#include <string>

#include "cavra/components.h"
#include "components/calculator.h"
#include "components/defaults.h"
#include "fakes/expect_error.h"

namespace cavra {
namespace {

TEST(Calculator, EvaluatesArithmeticAndRejectsEverythingElseWithError5) {
  struct Case {
    const char* expression;
    double expected;
  };
  constexpr Case kCases[] = {{"2+3*4", 14}, {"(2+3)*4", 20}, {"10-4-3", 3}, {"24/4/2", 3}, {"7/2", 3.5},
                             {"-3*2", -6},  {"2*-3", -6},    {"2--3", 5},   {"-(2+3)", -5}, {" 1.5 * 2 ", 3}};
  Calculator calculator;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.expression);
    double result = 0;
    calculator.Calculatet(c.expression, result);
    EXPECT_EQ(result, c.expected);
  }
  for (const char* bad : {"", "3*", "2 3", "(1+2", "abc*2", "1,2", "--3", "[Bx]+1"}) {
    SCOPED_TRACE(bad);
    double result = 0;
    EXPECT_VB_ERROR(calculator.Calculatet(bad, result), err::kInvalidCall, std::string("\"") + bad + "\":");
  }
}

TEST(DefaultComponents, RegisterWithoutDisplacingAHostsComponent) {
  struct HostCalculator : ICalculator {};
  ScopedComponent host("FormulaKit.Calculator", [] { return std::make_shared<HostCalculator>(); });
  RegisterDefaultComponents();
  EXPECT_FALSE(IsDefaultCalculator(ComponentRegistry::CreateAs<ICalculator>("FormulaKit.Calculator").get()));
  ComponentRegistry::Unregister("FormulaKit.Calculator");
  RegisterDefaultComponents();
  EXPECT_TRUE(IsDefaultCalculator(ComponentRegistry::CreateAs<ICalculator>("FormulaKit.Calculator").get()));
  EXPECT_NO_THROW(ComponentRegistry::CreateAs<ISorter>("TolmVoucherSorter.clsVoucherSorter"));
}

}  // namespace
}  // namespace cavra
