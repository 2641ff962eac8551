#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "cavra/components.h"
#include "components/calculator.h"
#include "components/defaults.h"
#include "data/formula.h"
#include "fakes/expect_error.h"

namespace cavra {
namespace {

using P = FormulaPath;

// A host's calculator: the library's arithmetic in another object, so
// formulas always hand it the substituted text.
struct TextCalculator : ICalculator {
  std::vector<std::string> seen;
  void Calculatet(const std::string& expression, double& result) override {
    seen.push_back(expression);
    Calculator().Calculatet(expression, result);
  }
};

class FormulaTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterDefaultComponents(); }
};

TEST_F(FormulaTest, FindsTheDistinctBodyAndHeaderReferencesInScanOrder) {
  const Formula f(" [Bqty]*[tRate] + [bqty] - [Xother] + [B] + [T[Tlast] + [Bqty ");
  const std::vector<FormulaReference> expected = {{'B', "qty"}, {'T', "Rate"}, {'B', ""}, {'T', "last"}};
  EXPECT_EQ(f.references(), expected);
  EXPECT_FALSE(f.cdbl());
  EXPECT_TRUE(Formula(" CdBl([Ba])").cdbl());
}

TEST_F(FormulaTest, EvaluatesLikeTextSubstitution) {
  struct Case {
    const char* name;
    const char* formula;
    bool numeric;  // the calculated item's own type is numeric
    std::vector<FormulaValue> values;
    const char* expected;
    FormulaPath path;  // with the library's calculator
  };
  const Case kCases[] = {
      {"body and header", "[Bqty]*[TRate]/100", false, {{"200", true}, {"13", true}}, "26", P::kCompiled},
      {"cdbl: empty price gives qty*0", "cdbl([Bqty]*[Bprice])", false, {{"4", true}, {"", false}}, "0",
       P::kCompiled},
      {"cdbl any case, trimmed", "  CDBL( [Bqty] + 1 )  ", false, {{"4", true}}, "5", P::kCompiled},
      {"text field: text", "[Bname]-[Bcode]", false, {{"abc", false}, {"7", true}}, "abc-7", P::kSubstituted},
      {"text field in a numeric item", "[Bname]*2", true, {{"abc", false}}, "", P::kFailed},
      {"other letters stay", "[Xfoo] [Bname]", false, {{"abc", false}}, "[Xfoo] abc", P::kSubstituted},
      {"empty body value: 0", "[Ba]+[Bb]", false, {{"", false}, {"2", true}}, "0+2", P::kSubstituted},
      {"blank body value is 0", "[Ba]+[Bb]", true, {{"   ", false}, {"2", true}}, "2", P::kCompiled},
      {"empty header value", "[Tx]+[Bb]", false, {{"", false}, {"2", true}}, "+2", P::kSubstituted},
      {"empty header, numeric", "[Tx]+[Bb]", true, {{"", false}, {"2", true}}, "2", P::kCompiled},
      {"repeated references", "[Bq]*[Bq]+[bq]", false, {{"3", true}}, "12", P::kCompiled},
      {"no references", "2*(3+4)", false, {}, "14", P::kCompiled},
      {"no references, not arithmetic", "abc", false, {}, "", P::kFailed},
      {"negative values", "[Ba]*2-[Bb]", false, {{"-3", true}, {"-1.5", true}}, "-4.5", P::kCompiled},
      {"negative after a unary sign", "-[Ba]", false, {{"-3", true}}, "", P::kFailed},
      {"positive after a unary sign", "2*-[Ba]", false, {{"3", true}}, "-6", P::kCompiled},
      {"not a plain decimal", "[Ba]*2", false, {{" 1e3", true}}, "2000", P::kCalculator},
      {"adjacent references", "[Ba][Bb]", false, {{"1", true}, {"2", true}}, "12", P::kCalculator},
      {"VB text of the double", "[Ba]/3", false, {{"1", true}}, "0.333333333333333", P::kCompiled},
      {"malformed", "[Ba]*/2", false, {{"1", true}}, "", P::kFailed},
      {"cdbl with nothing inside", "cdbl(", false, {}, "", P::kFailed},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const Formula formula(c.formula);
    FormulaPath path{};
    EXPECT_EQ(formula.Evaluate(c.values, c.numeric, &path), c.expected);
    EXPECT_EQ(static_cast<int>(path), static_cast<int>(c.path));
    TextCalculator host;  // the same result through the text
    EXPECT_EQ(formula.Evaluate(c.values, c.numeric, &host), c.expected);
  }
}

TEST_F(FormulaTest, HostCalculatorGetsTheTextAndFailingOneGivesEmpty) {
  auto host = std::make_shared<TextCalculator>();
  const std::vector<FormulaValue> values = {{"3", true}, {"", false}};
  {
    ScopedComponent registered("FormulaKit.Calculator", [host] { return host; });
    EXPECT_EQ(Formula("cdbl([Bqty] * [Tprice] + [Bqty])").Evaluate(values, false), "3");
    EXPECT_EQ(host->seen, std::vector<std::string>{"3 * 0 + 3"});
  }
  {
    ScopedComponent failing("FormulaKit.Calculator", []() -> ObjectPtr { throw std::runtime_error("down"); });
    EXPECT_EQ(Formula("[Bq]+1").Evaluate({{{"1", true}}}, false), "");
    EXPECT_EQ(Formula("[Bname]").Evaluate({{{"abc", false}}}, false), "");  // creation comes first
    EXPECT_VB_ERROR(CreateFormulaCalculator(), err::kCreateControl, "创建ActiveX控件Fail!");
  }
  EXPECT_EQ(Formula("[Bq]+1").Evaluate({{{"1", true}}}, false, static_cast<ICalculator*>(nullptr)), "");
  EXPECT_VB_ERROR(Formula("[Bq]+1").Evaluate({}, false), err::kInvalidCall);
}

// A division by zero (or 0/0) has no number to write into a document: the
// result is the calculator-failure result on the compiled path, on the text
// path with the library's calculator and on a host's calculator alike.
TEST_F(FormulaTest, ANonFiniteResultIsAFailure) {
  struct Case {
    const char* name;
    const char* formula;
    std::vector<FormulaValue> values;
    std::vector<FormulaValue> finite;  // the same shape with a defined result
    FormulaPath path;                  // the path both evaluations take
  };
  const Case kCases[] = {
      {"infinity, compiled", "[Ba]/[Bb]", {{"1", true}, {"0", true}}, {{"1", true}, {"4", true}},
       P::kCompiled},
      {"minus infinity, compiled", "-[Ba]/[Bb]", {{"2.5", true}, {"0", true}}, {{"2.5", true}, {"4", true}},
       P::kCompiled},
      {"nan, compiled", "[Ba]/[Bb]", {{"0", true}, {"0.0", true}}, {{"0", true}, {"4", true}}, P::kCompiled},
      {"empty divisor counts as 0", "cdbl([Ba]/[Bb])", {{"5", true}, {"", false}}, {{"5", true}, {"4", true}},
       P::kCompiled},
      {"infinity, text", "[Ba]/[Bb]", {{" 1e3", true}, {"0", true}}, {{" 1e3", true}, {"4", true}},
       P::kCalculator},
      {"nan, text", "[Ba]/[Bb]", {{"0e1", true}, {"0", true}}, {{"0e1", true}, {"4", true}}, P::kCalculator},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const Formula formula(c.formula);
    FormulaPath path{};
    EXPECT_NE(formula.Evaluate(c.finite, false, &path), "");
    EXPECT_EQ(static_cast<int>(path), static_cast<int>(c.path));

    EXPECT_EQ(formula.Evaluate(c.values, false, &path), "");
    EXPECT_EQ(static_cast<int>(path), static_cast<int>(P::kFailed));
    TextCalculator host;
    EXPECT_EQ(formula.Evaluate(c.values, false, &host), "");
    EXPECT_EQ(host.seen.size(), 1u);  // the host's calculator was asked
  }
}

// Random formulas over + - * / and parentheses, random values: both paths
// give the same text, and both are exercised.
TEST_F(FormulaTest, CompiledAndTextPathsAgreeOnRandomFormulas) {
  std::mt19937 random(20240611);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto number = [&] {
    std::string s = std::to_string(pick(2000) - 1000);
    if (pick(2)) s += '.' + std::to_string(random()) + std::to_string(random());
    return s;
  };
  auto reference = [&] { return std::string("[") + "BbTt"[pick(4)] + "xy"[pick(2)] + "]"; };
  std::function<std::string(int)> expr = [&](int depth) {
    std::string s;
    for (int terms = pick(3) + 1; terms > 0; --terms) {
      if (!s.empty()) s += std::string(pick(2) ? " " : "") + "+-*/"[pick(4)];
      const int kind = pick(depth > 2 ? 3 : 5);
      s += kind == 0 ? number() : kind == 1 ? reference() : kind == 2 ? "-" + reference()
         : kind == 3 ? "(" + expr(depth + 1) + ")" : "-" + expr(depth + 1);
    }
    return s;
  };
  const FormulaValue kOdd[] = {{"", false}, {"1.5e2", true}, {"x", false}};
  int compiled = 0, text = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string body = expr(0);
    const Formula formula(pick(4) == 0 ? "cdbl(" + body + ")" : body);
    std::vector<FormulaValue> values;
    for (std::size_t r = 0; r < formula.references().size(); ++r)
      values.push_back(pick(8) < 3 ? kOdd[pick(3)] : FormulaValue{number(), true});
    const bool numeric = pick(2);
    FormulaPath path{};
    TextCalculator host;
    ASSERT_EQ(formula.Evaluate(values, numeric, &path), formula.Evaluate(values, numeric, &host))
        << formula.source() << " as " << formula.Substitute(values, numeric);
    compiled += path == P::kCompiled;
    text += path == P::kCalculator;
  }
  EXPECT_GT(compiled, 500);
  EXPECT_GT(text, 100);
}

}  // namespace
}  // namespace cavra
