#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "cavra/components.h"
#include "components/calculator.h"
#include "components/defaults.h"
#include "data/formula.h"

namespace cavra {
namespace {

// A host's calculator: the library's arithmetic, but not the library's
// object, so formulas always hand it the substituted text.
class TextCalculator : public ICalculator {
 public:
  std::vector<std::string> seen;
  void Calculatet(const std::string& expression, double& result) override {
    seen.push_back(expression);
    Calculator().Calculatet(expression, result);
  }
};

const char* PathName(FormulaPath path) {
  switch (path) {
    case FormulaPath::kSubstituted: return "substituted";
    case FormulaPath::kCalculator: return "calculator";
    case FormulaPath::kCompiled: return "compiled";
    case FormulaPath::kFailed: return "failed";
  }
  return "?";
}

class FormulaTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterDefaultComponents(); }
};

TEST_F(FormulaTest, FindsTheDistinctBodyAndHeaderReferencesInScanOrder) {
  const Formula f(" [Bqty]*[tRate] + [bqty] - [Xother] + [B] + [T[Tlast] + [Bqty ");
  const std::vector<FormulaReference> expected = {{'B', "qty"}, {'T', "Rate"}, {'B', ""}, {'T', "last"}};
  EXPECT_EQ(f.references(), expected);
  EXPECT_FALSE(f.cdbl());
  EXPECT_TRUE(Formula("CdBl([Ba])").cdbl());
  EXPECT_EQ(Formula("cdbl(1+[Ba])").references().size(), 1u);
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
      {"product of numeric fields", "[Bqty]*[Bprice]", false, {{"3", true}, {"2.5", true}}, "7.5",
       FormulaPath::kCompiled},
      {"header and body", "[Bqty]*[TRate]/100", false, {{"200", true}, {"13", true}}, "26",
       FormulaPath::kCompiled},
      {"cdbl with an empty price gives quantity times 0", "cdbl([Bqty]*[Bprice])", false,
       {{"4", true}, {"", false}}, "0", FormulaPath::kCompiled},
      {"cdbl prefix in any case, blanks trimmed", "  CDBL( [Bqty] + 1 )  ", false, {{"4", true}}, "5",
       FormulaPath::kCompiled},
      {"text field gives the substituted text", "[Bname]-[Bcode]", false, {{"abc", false}, {"7", true}},
       "abc-7", FormulaPath::kSubstituted},
      {"text field in a numeric item fails in the calculator", "[Bname]*2", true, {{"abc", false}}, "",
       FormulaPath::kFailed},
      {"other letters stay in the text", "[Xfoo] [Bname]", false, {{"abc", false}}, "[Xfoo] abc",
       FormulaPath::kSubstituted},
      {"other letters reach the calculator", "[Xfoo]+[Bqty]", false, {{"2", true}}, "", FormulaPath::kFailed},
      {"empty body value becomes 0 even as text", "[Ba]+[Bb]", false, {{"", false}, {"2", true}}, "0+2",
       FormulaPath::kSubstituted},
      {"blank body value becomes 0", "[Ba]+[Bb]", true, {{"   ", false}, {"2", true}}, "2",
       FormulaPath::kCompiled},
      {"empty header value stays empty in text", "[Tx]+[Bb]", false, {{"", false}, {"2", true}}, "+2",
       FormulaPath::kSubstituted},
      {"empty header value becomes 0 when numeric", "[Tx]+[Bb]", true, {{"", false}, {"2", true}}, "2",
       FormulaPath::kCompiled},
      {"repeated references, either letter case", "[Bq]*[Bq]+[bq]", false, {{"3", true}}, "12",
       FormulaPath::kCompiled},
      {"no references", "2*(3+4)", false, {}, "14", FormulaPath::kCompiled},
      {"no references, not arithmetic", "abc", false, {}, "", FormulaPath::kFailed},
      {"negative value", "[Ba]*2-[Bb]", false, {{"-3", true}, {"-1.5", true}}, "-4.5",
       FormulaPath::kCompiled},
      {"negative value after a unary sign fails as text does", "-[Ba]", false, {{"-3", true}}, "",
       FormulaPath::kFailed},
      {"positive value after a unary sign", "2*-[Ba]", false, {{"3", true}}, "-6", FormulaPath::kCompiled},
      {"exponent takes the text path", "[Ba]*2", false, {{"1e3", true}}, "2000", FormulaPath::kCalculator},
      {"padded number takes the text path", "[Ba]*2", false, {{" 5 ", true}}, "10", FormulaPath::kCalculator},
      {"adjacent references join their texts", "[Ba][Bb]", false, {{"1", true}, {"2", true}}, "12",
       FormulaPath::kCalculator},
      {"digit beside a reference", "1[Ba]", false, {{"5", true}}, "15", FormulaPath::kCalculator},
      {"result as VB prints doubles", "[Ba]/3", false, {{"1", true}}, "0.333333333333333",
       FormulaPath::kCompiled},
      {"large result", "[Ba]*[Ba]", false, {{"1000000000000", true}}, "1E+24", FormulaPath::kCompiled},
      {"division by zero", "[Ba]/0", false, {{"1", true}}, "Infinity", FormulaPath::kCompiled},
      {"malformed arithmetic", "[Ba]*/2", false, {{"1", true}}, "", FormulaPath::kFailed},
      {"cdbl with nothing inside", "cdbl(", false, {}, "", FormulaPath::kFailed},
      {"cdbl with an empty expression", "cdbl()", false, {}, "", FormulaPath::kFailed},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const Formula formula(c.formula);
    FormulaPath path{};
    EXPECT_EQ(formula.Evaluate(c.values, c.numeric, &path), c.expected);
    EXPECT_STREQ(PathName(path), PathName(c.path));

    // A host's calculator gets the same result through the text.
    TextCalculator host;
    EXPECT_EQ(formula.Evaluate(c.values, c.numeric, &host, &path), c.expected);
    EXPECT_NE(path, FormulaPath::kCompiled);
  }
}

TEST_F(FormulaTest, HostCalculatorReceivesTheSubstitutedText) {
  auto host = std::make_shared<TextCalculator>();
  ScopedComponent registered("FormulaKit.Calculator", [host] { return host; });
  const Formula f("cdbl([Bqty] * [Tprice] + [Bqty])");
  ASSERT_TRUE(f.compiled());
  const std::vector<FormulaValue> values = {{"3", true}, {"", false}};
  EXPECT_EQ(f.Evaluate(values, false), "3");
  ASSERT_EQ(host->seen.size(), 1u);
  EXPECT_EQ(host->seen[0], "3 * 0 + 3");
}

TEST_F(FormulaTest, FailingOrMissingCalculatorGivesEmptyText) {
  const Formula text_formula("[Bname]");
  const Formula number_formula("[Ba]+1");
  const std::vector<FormulaValue> name = {{"abc", false}}, one = {{"1", true}};
  {
    ScopedComponent failing("FormulaKit.Calculator", []() -> ObjectPtr { throw std::runtime_error("down"); });
    EXPECT_THROW(CreateFormulaCalculator(), VbError);
    FormulaPath path{};
    EXPECT_EQ(number_formula.Evaluate(one, false, &path), "");
    EXPECT_EQ(path, FormulaPath::kFailed);
    EXPECT_EQ(text_formula.Evaluate(name, false), "");  // creation comes first
  }
  try {
    ScopedComponent wrong_type("FormulaKit.Calculator", [] { return std::make_shared<Object>(); });
    CreateFormulaCalculator();
    FAIL();
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), err::kCreateControl);
    EXPECT_EQ(e.description(), "创建ActiveX控件Fail!");
  }
  EXPECT_EQ(number_formula.Evaluate(one, false, static_cast<ICalculator*>(nullptr)), "");
  EXPECT_EQ(number_formula.Evaluate(one, false), "2");
  EXPECT_THROW(number_formula.Evaluate({}, false), VbError);
}

TEST_F(FormulaTest, CopiesEvaluateIndependently) {
  Formula original("[Ba]*2");
  Formula copy = original;
  original = Formula("[Ba]+2");
  const std::vector<FormulaValue> five = {{"5", true}};
  EXPECT_TRUE(copy.compiled());
  EXPECT_EQ(copy.Evaluate(five, false), "10");
  EXPECT_EQ(original.Evaluate(five, false), "7");
}

// Random formulas over + - * / and parentheses, random values: the compiled
// path and the text path give the same text.
TEST_F(FormulaTest, CompiledAndTextPathsAgreeOnRandomFormulas) {
  std::mt19937 random(20240611);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const char* kNames[] = {"Ba", "Bb", "Tc", "bd"};
  auto number = [&] {
    std::string s = std::to_string(pick(2000) - 1000);
    if (pick(2)) {
      s += '.';
      for (int d = pick(17) + 1; d > 0; --d) s += static_cast<char>('0' + pick(10));
    }
    return s;
  };
  std::function<std::string(int)> expr = [&](int depth) {
    std::string s;
    for (int terms = pick(3) + 1; terms > 0; --terms) {
      if (!s.empty()) s += std::string(pick(2) ? " " : "") + "+-*/"[pick(4)] + (pick(2) ? " " : "");
      const int kind = depth > 2 ? pick(2) : pick(5);
      if (kind == 0) s += number();
      else if (kind == 1) s += std::string("[") + kNames[pick(4)] + "]";
      else if (kind == 2) s += "(" + expr(depth + 1) + ")";
      else if (kind == 3) s += "-" + expr(depth + 1);
      else s += "-[" + std::string(kNames[pick(4)]) + "]";
    }
    return s;
  };
  auto value = [&]() -> FormulaValue {
    switch (pick(8)) {
      case 0: return {"", false};
      case 1: return {"1.5e2", true};
      case 2: return {"x", false};
      default: return {number(), true};
    }
  };

  int compiled = 0, text = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string body = expr(0);
    const Formula formula(pick(4) == 0 ? "cdbl(" + body + ")" : body);
    std::vector<FormulaValue> values;
    for (std::size_t r = 0; r < formula.references().size(); ++r) values.push_back(value());
    const bool numeric = pick(2);
    FormulaPath path{};
    const std::string fast = formula.Evaluate(values, numeric, &path);
    TextCalculator host;
    const std::string slow = formula.Evaluate(values, numeric, &host);
    ASSERT_EQ(fast, slow) << formula.source() << " as " << formula.Substitute(values, numeric);
    compiled += path == FormulaPath::kCompiled;
    text += path == FormulaPath::kCalculator;
  }
  // Both paths were exercised, not just one of them.
  EXPECT_GT(compiled, 500);
  EXPECT_GT(text, 100);
}

}  // namespace
}  // namespace cavra
