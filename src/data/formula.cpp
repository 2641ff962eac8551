#include "data/formula.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "cavra/components.h"
#include "cavra/error.h"
#include "cavra/variant.h"
#include "components/calculator.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

bool IsBlank(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsOperator(char c) { return c == '+' || c == '-' || c == '*' || c == '/'; }

// Digits with an optional fraction and, when allowed, a leading "-".
bool ParsePlainDecimal(std::string_view s, bool allow_negative, double& out) {
  std::size_t i = 0;
  if (!s.empty() && s[0] == '-') {
    if (!allow_negative) return false;
    i = 1;
  }
  const std::size_t whole = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  if (i == whole) return false;
  if (i < s.size() && s[i] == '.') {
    const std::size_t fraction = ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    if (i == fraction) return false;
  }
  if (i != s.size()) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

std::shared_ptr<ICalculator> CreateFormulaCalculator(const ComponentSet& components) {
  try {
    return components.CreateAs<ICalculator>("FormulaKit.Calculator");
  } catch (const VbError&) {
    throw VbError(err::kCreateControl, "创建ActiveX控件Fail!");
  }
}

Formula::Formula() = default;
Formula::Formula(const Formula& other) : Formula(other.source_) {}
Formula& Formula::operator=(const Formula& other) {
  if (this != &other) *this = Formula(other.source_);
  return *this;
}
Formula::Formula(Formula&&) noexcept = default;
Formula& Formula::operator=(Formula&&) noexcept = default;
Formula::~Formula() = default;

Formula::Formula(std::string_view formula) : source_(formula) {
  std::string f = vb::Trim(formula);
  if (vb::LCase(vb::Left(f, 5)) == "cdbl(") {
    cdbl_ = true;
    const std::int32_t length = vb::Len(f);
    if (length == 5) {  // Mid with a negative length: an error at every evaluation
      malformed_ = true;
      return;
    }
    f = vb::Mid(f, 6, length - 6);
  }

  std::string literal;
  for (std::size_t i = 0; i < f.size();) {
    if (f[i] == '[') {
      const std::size_t close = f.find_first_of("[]", i + 1);
      const char letter = close != std::string::npos && f[close] == ']' && close > i + 1
                              ? static_cast<char>(f[i + 1] & ~0x20)  // ASCII upper case
                              : '\0';
      if (letter == 'B' || letter == 'T') {
        FormulaReference reference{letter, f.substr(i + 2, close - i - 2)};
        auto found = std::find(references_.begin(), references_.end(), reference);
        slots_.push_back(static_cast<std::size_t>(found - references_.begin()));
        if (found == references_.end()) references_.push_back(std::move(reference));
        literals_.push_back(std::move(literal));
        literal.clear();
        i = close + 1;
        continue;
      }
    }
    literal += f[i++];
  }
  literals_.push_back(std::move(literal));

  // The compiled form, when the formula has the shape described in the
  // header: the non-blank characters in order, a reference as its index.
  struct Item {
    char c;
    std::ptrdiff_t reference;  // -1 for a character
  };
  std::vector<Item> items;
  for (std::size_t piece = 0; piece < literals_.size(); ++piece) {
    for (char c : literals_[piece]) {
      if (c == ' ') continue;
      if (!IsDigit(c) && c != '.' && c != '(' && c != ')' && !IsOperator(c)) return;
      items.push_back({c, -1});
    }
    if (piece < slots_.size()) items.push_back({'\0', static_cast<std::ptrdiff_t>(slots_[piece])});
  }
  negative_ok_.assign(references_.size(), true);
  for (std::size_t p = 0; p < items.size(); ++p) {
    if (items[p].reference < 0) continue;
    if (p > 0 && (items[p - 1].reference >= 0 || !(IsOperator(items[p - 1].c) || items[p - 1].c == '(')))
      return;
    if (p + 1 < items.size() &&
        (items[p + 1].reference >= 0 || !(IsOperator(items[p + 1].c) || items[p + 1].c == ')')))
      return;
    // After a unary sign a negative value would make "--3", which the text
    // path rejects; a sign is binary when a value or ")" stands before it.
    if (p > 0 && (items[p - 1].c == '-' || items[p - 1].c == '+')) {
      const bool binary = p > 1 && (items[p - 2].reference >= 0 || IsDigit(items[p - 2].c) ||
                                    items[p - 2].c == '.' || items[p - 2].c == ')');
      if (!binary) negative_ok_[static_cast<std::size_t>(items[p].reference)] = false;
    }
  }
  std::vector<std::string> names;
  for (std::size_t r = 0; r < references_.size(); ++r) names.push_back("_v" + std::to_string(r));
  std::string expression = literals_[0];
  for (std::size_t s = 0; s < slots_.size(); ++s) {
    expression += names[slots_[s]];
    expression += literals_[s + 1];
  }
  // A formula that does not parse with variables fails as text too.
  SkipErrors([&] { compiled_ = Calculator::Compile(expression, names); });
}

std::string Formula::Effective(std::size_t reference, const FormulaValue& value, bool numeric) const {
  if ((references_[reference].section == 'B' || numeric) && IsBlank(value.text)) return "0";
  return value.text;
}

std::string Formula::Substitute(std::span<const FormulaValue> values, bool numeric) const {
  if (values.size() != references_.size())
    throw VbError(err::kInvalidCall, "A formula needs one value per reference");
  numeric = numeric || cdbl_;
  std::string text = literals_[0];
  for (std::size_t s = 0; s < slots_.size(); ++s) {
    text += Effective(slots_[s], values[slots_[s]], numeric);
    text += literals_[s + 1];
  }
  return text;
}

std::string Formula::Evaluate(std::span<const FormulaValue> values, bool numeric, FormulaPath* path) const {
  std::shared_ptr<ICalculator> calculator;
  SkipErrors([&] { calculator = CreateFormulaCalculator(); });
  return Evaluate(values, numeric, calculator.get(), path);
}

std::string Formula::Evaluate(std::span<const FormulaValue> values, bool numeric, ICalculator* calculator,
                              FormulaPath* path) const {
  if (values.size() != references_.size())
    throw VbError(err::kInvalidCall, "A formula needs one value per reference");
  FormulaPath taken = FormulaPath::kFailed;
  std::string result;
  try {
    if (calculator && !malformed_) {
      numeric = numeric || cdbl_;
      const bool all_numeric =
          std::all_of(values.begin(), values.end(), [](const FormulaValue& v) { return v.numeric; });
      if (!numeric && !all_numeric) {
        result = Substitute(values, numeric);
        taken = FormulaPath::kSubstituted;
      } else {
        bool bound = compiled_ && IsDefaultCalculator(calculator);
        std::vector<double> numbers(bound ? values.size() : 0);
        for (std::size_t r = 0; bound && r < values.size(); ++r) {
          const bool zero = (references_[r].section == 'B' || numeric) && IsBlank(values[r].text);
          if (zero)
            numbers[r] = 0;
          else
            bound = ParsePlainDecimal(values[r].text, negative_ok_[r], numbers[r]);
        }
        double number = 0;
        if (bound) {
          number = compiled_->Evaluate(numbers);
          taken = FormulaPath::kCompiled;
        } else {
          calculator->Calculatet(Substitute(values, numeric), number);
          taken = FormulaPath::kCalculator;
        }
        // Division by zero and the like: no number to write into a document.
        if (!std::isfinite(number)) throw VbError(err::kOverflow, "The formula has no finite result");
        result = FormatDouble(number);
      }
    }
  } catch (...) {
    result.clear();
    taken = FormulaPath::kFailed;
  }
  if (path) *path = taken;
  return result;
}

}  // namespace cavra
