#include "components/calculator.h"

#include <vector>

#include <muParser.h>

#include "cavra/error.h"

namespace cavra {
namespace {

[[noreturn]] void Malformed(std::string_view expression, const std::string& reason) {
  std::string text = "Invalid expression \"";
  text += expression;
  text += "\": ";
  text += reason;
  throw VbError(err::kInvalidCall, std::move(text));
}

// Parses (muparser parses on first evaluation) and checks for a single result.
double EvalOnce(mu::Parser& parser, std::string_view expression) {
  double value = 0;
  try {
    value = parser.Eval();
  } catch (const mu::Parser::exception_type& e) {
    Malformed(expression, e.GetMsg());
  }
  if (parser.GetNumResults() != 1) Malformed(expression, "a list of expressions where one value is expected");
  return value;
}

class MuExpression final : public CompiledExpression {
 public:
  MuExpression(std::string_view expression, std::span<const std::string> variables)
      : values_(variables.size(), 0.0) {
    try {
      parser_.EnableOptimizer(false);
      for (std::size_t i = 0; i < variables.size(); ++i) parser_.DefineVar(variables[i], &values_[i]);
      parser_.SetExpr(std::string(expression));
    } catch (const mu::Parser::exception_type& e) {
      Malformed(expression, e.GetMsg());
    }
    EvalOnce(parser_, expression);
  }

  std::size_t VariableCount() const noexcept override { return values_.size(); }

  double Evaluate(std::span<const double> values) override {
    if (values.size() != values_.size()) throw VbError::Standard(err::kInvalidCall);
    std::copy(values.begin(), values.end(), values_.begin());
    return parser_.Eval();
  }

 private:
  std::vector<double> values_;  // bound to the parser's variables: never resized
  mu::Parser parser_;
};

}  // namespace

void Calculator::Calculatet(const std::string& expression, double& result) {
  // Building a parser defines its whole function table; one per thread.
  thread_local mu::Parser parser;
  try {
    parser.SetExpr(expression);
  } catch (const mu::Parser::exception_type& e) {
    Malformed(expression, e.GetMsg());
  }
  result = EvalOnce(parser, expression);
}

std::unique_ptr<CompiledExpression> Calculator::Compile(std::string_view expression,
                                                        std::span<const std::string> variables) {
  return std::make_unique<MuExpression>(expression, variables);
}

bool IsDefaultCalculator(const ICalculator* calculator) noexcept {
  return dynamic_cast<const Calculator*>(calculator) != nullptr;
}

}  // namespace cavra
