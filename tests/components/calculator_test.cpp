#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "cavra/components.h"
#include "components/calculator.h"
#include "components/defaults.h"

namespace cavra {
namespace {

double Calc(const std::string& expression) {
  Calculator calculator;
  double result = -12345;
  calculator.Calculatet(expression, result);
  return result;
}

TEST(Calculator, EvaluatesOperatorsWithPrecedenceAndUnaryMinus) {
  struct Case {
    const char* expression;
    double expected;
  };
  constexpr Case kCases[] = {
      {"1+2", 3},         {"7-10", -3},          {"6*7", 42},         {"7/2", 3.5},
      {"2+3*4", 14},      {"(2+3)*4", 20},       {"10-4-3", 3},       {"24/4/2", 3},
      {"-3*2", -6},       {"2*-3", -6},          {"2--3", 5},         {"-(2+3)", -5},
      {" 1.5 * 2 ", 3},   {"0.1+0.2", 0.1 + 0.2}, {"((7))", 7},       {"1e3/8", 125},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.expression);
    EXPECT_EQ(Calc(c.expression), c.expected);
  }
}

TEST(Calculator, RejectsMalformedInputWithError5AndTheReason) {
  constexpr const char* kBad[] = {"", "   ", "3*", "2 3", "(1+2", "1+2)", "abc*2", "5%", "1,2", "--3", "[Bx]+1"};
  for (const char* expression : kBad) {
    SCOPED_TRACE(expression);
    try {
      Calc(expression);
      FAIL() << "accepted";
    } catch (const VbError& e) {
      EXPECT_EQ(e.number(), err::kInvalidCall);
      EXPECT_NE(e.description().find(std::string("\"") + expression + "\""), std::string::npos)
          << e.description();
    }
  }
  // A failure leaves the thread's parser usable.
  EXPECT_EQ(Calc("2*21"), 42);
}

TEST(Calculator, CompiledExpressionBindsVariablesInOrder) {
  const std::vector<std::string> names = {"_v0", "_v1"};
  auto expression = Calculator::Compile("(_v0 - _v1) / _v1", names);
  ASSERT_EQ(expression->VariableCount(), 2u);
  const std::array<double, 2> first = {10, 4}, second = {-3, 3};
  EXPECT_EQ(expression->Evaluate(first), 1.5);
  EXPECT_EQ(expression->Evaluate(second), -2);
  const std::array<double, 1> too_few = {1};
  EXPECT_THROW(expression->Evaluate(too_few), VbError);
  EXPECT_THROW(Calculator::Compile("_v0 +", names), VbError);
  EXPECT_THROW(Calculator::Compile("_v2 + 1", names), VbError);
}

TEST(DefaultComponents, RegisterWithoutDisplacingAHostsComponent) {
  struct HostCalculator : ICalculator {
    void Calculatet(const std::string&, double& r) override { r = 7; }
  };
  ScopedComponent host("FormulaKit.Calculator", [] { return std::make_shared<HostCalculator>(); });
  RegisterDefaultComponents();
  auto calculator = ComponentRegistry::CreateAs<ICalculator>("FormulaKit.Calculator");
  EXPECT_FALSE(IsDefaultCalculator(calculator.get()));
  ComponentRegistry::Unregister("FormulaKit.Calculator");
  RegisterDefaultComponents();
  EXPECT_TRUE(IsDefaultCalculator(ComponentRegistry::CreateAs<ICalculator>("FormulaKit.Calculator").get()));
  EXPECT_TRUE(ComponentRegistry::IsRegistered("TolmVoucherSorter.clsVoucherSorter"));
  EXPECT_NE(ComponentRegistry::CreateAs<ISorter>("TolmVoucherSorter.clsVoucherSorter"), nullptr);
}

}  // namespace
}  // namespace cavra
