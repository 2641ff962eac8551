// The library's default calculator ("FormulaKit.Calculator") on muparser,
// and compiled expressions for callers that evaluate one expression many
// times with different values.
//
// Accepted: numbers, + - * /, unary minus and plus, parentheses, and
// whatever else muparser's standard parser knows (^, sin, ...). Rejected
// with VbError 5: anything muparser rejects, and lists of expressions
// ("1,2"), which would otherwise quietly give their last value.
//
// Thread safety: Calculatet may be called from any thread (each thread
// parses with its own muparser object). A CompiledExpression is used by one
// thread at a time.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "cavra/outside.h"

namespace cavra {

// An expression parsed once over named variables, evaluated many times.
class CompiledExpression {
 public:
  virtual ~CompiledExpression() = default;
  virtual std::size_t VariableCount() const noexcept = 0;
  // The value with the variables bound in order to values.
  // REQUIRES: values.size() == VariableCount().
  virtual double Evaluate(std::span<const double> values) = 0;
};

class Calculator final : public ICalculator {
 public:
  void Calculatet(const std::string& expression, double& result) override;

  // expression over variables named by variables (letters, digits and "_",
  // not starting with a digit). Evaluation runs the operations in the
  // order the expression states them: muparser's rewriting of variable
  // terms (a+3+5 into a+8) is off, so that a compiled expression gives
  // the same double as Calculatet on the text with the values written in.
  // Throws VbError 5 when the expression does not parse.
  static std::unique_ptr<CompiledExpression> Compile(std::string_view expression,
                                                     std::span<const std::string> variables);
};

// Whether calculator is the library's own (and not one a host registered).
bool IsDefaultCalculator(const ICalculator* calculator) noexcept;

}  // namespace cavra
