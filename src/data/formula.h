// Formula: a template item's calculation formula, parsed once when the
// template loads and evaluated once per line.
//
// A formula is an arithmetic expression over field references: "[B" name
// "]" is a body field of the line, "[T" name "]" a header field (section
// letter in any case); other bracketed letters stay in the text as written.
// A "cdbl(" prefix (any case) is removed together with the last character
// and makes the evaluation numeric.
//
// Evaluation: the caller supplies, for each of references() in order, the
// field's value text and whether it counts as numeric (numeric text of a
// field whose type is not text). An empty body value becomes "0"; an empty
// header value becomes "0" when the evaluation is numeric. When the
// evaluation is numeric or every value counts as numeric, the calculator
// ("FormulaKit.Calculator") evaluates the substituted text and the result
// is the VB text of the number; otherwise the result is the substituted
// text itself. Any failure (no calculator, a malformed expression, a result
// that is not a finite number, as after a division by zero) gives "".
//
// Two paths, one result. A host's calculator always receives the
// substituted text. With the library's own calculator, a formula whose text
// outside the references holds only digits, ".", blanks, + - * / and
// parentheses, and whose references each stand between operators or
// parentheses, is compiled once with one variable per reference; an
// evaluation whose values are all plain decimals (digits, an optional
// fraction, no blanks or exponent) runs the compiled form. It gives the
// same double as the text path because:
//  - a plain decimal between operators lexes as exactly one number token,
//    so the text and the compiled form have the same token sequence up to
//    number-versus-variable, which muparser parses alike;
//  - the number is read with correct rounding on both paths (from_chars
//    here, strtod in muparser);
//  - without "^" a unary minus binds only its number, so "-3" written in
//    text equals a variable holding -3; only after another sign ("--3"),
//    which muparser rejects, could they part, and there a negative value
//    takes the text path;
//  - the compiled form runs its operations in written order (muparser's
//    rewriting of variable terms is off), as constant folding of the text
//    does.
// Any other value or formula takes the text path.
//
// A Formula is used by one thread at a time (the compiled form keeps its
// variables inside).
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cavra/components.h"
#include "cavra/outside.h"

namespace cavra {

class CompiledExpression;

struct FormulaReference {
  char section = 'B';  // 'B' body field of the line, 'T' header field
  std::string name;    // as written
  bool operator==(const FormulaReference&) const = default;
};

struct FormulaValue {
  std::string text;
  bool numeric = false;
};

// How an evaluation got its result.
enum class FormulaPath {
  kSubstituted,  // the substituted text, no arithmetic
  kCalculator,   // the substituted text, evaluated by the calculator
  kCompiled,     // the compiled form
  kFailed,       // "", after an error
};

// The calculator a formula evaluates with, from components (by default the
// process-wide set). Error 1002 when it cannot be created.
std::shared_ptr<ICalculator> CreateFormulaCalculator(
    const ComponentSet& components = *ComponentSet::Process());

class Formula {
 public:
  Formula();
  explicit Formula(std::string_view formula);
  Formula(const Formula& other);
  Formula& operator=(const Formula& other);
  Formula(Formula&&) noexcept;
  Formula& operator=(Formula&&) noexcept;
  ~Formula();

  const std::string& source() const noexcept { return source_; }
  // Whether the "cdbl(" prefix makes every evaluation numeric.
  bool cdbl() const noexcept { return cdbl_; }
  // Whether the compiled form exists (see above).
  bool compiled() const noexcept { return compiled_ != nullptr; }
  // The distinct references, in the order they are first met.
  const std::vector<FormulaReference>& references() const noexcept { return references_; }

  // The result, with a calculator created for this evaluation.
  // REQUIRES: values.size() == references().size() (else VbError 5).
  std::string Evaluate(std::span<const FormulaValue> values, bool numeric,
                       FormulaPath* path = nullptr) const;
  // The same with a calculator the caller created; null means creation
  // failed.
  std::string Evaluate(std::span<const FormulaValue> values, bool numeric, ICalculator* calculator,
                       FormulaPath* path = nullptr) const;
  // The formula with the values written in (the empty-value rules applied).
  std::string Substitute(std::span<const FormulaValue> values, bool numeric) const;

 private:
  std::string Effective(std::size_t reference, const FormulaValue& value, bool numeric) const;

  std::string source_;
  bool cdbl_ = false;
  bool malformed_ = false;  // "cdbl(" with nothing after it: every evaluation fails
  std::vector<FormulaReference> references_;
  // The text between references, and the reference standing after each
  // piece but the last: literals_.size() == slots_.size() + 1.
  std::vector<std::string> literals_;
  std::vector<std::size_t> slots_;
  std::vector<bool> negative_ok_;  // per reference: a negative value may be compiled
  std::unique_ptr<CompiledExpression> compiled_;
};

}  // namespace cavra
