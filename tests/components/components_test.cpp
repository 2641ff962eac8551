#include <gtest/gtest.h>

#include <string>

#include "cavra/components.h"
#include "components/calculator.h"
#include "components/code_lib.h"
#include "components/defaults.h"
#include "fakes/expect_error.h"
#include "platform/base64.h"

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

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(Base64, EncodesEveryPaddingLengthAndDecodesBack) {
  // RFC 4648 test vectors.
  const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(Base64Encode(B(plain)), encoded);
    EXPECT_EQ(Base64Decode(encoded), B(plain)) << encoded;
  }
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(Base64Decode(Base64Encode(all)), all);
}

TEST(Base64, RefusesWhatIsNotBase64AndSkipsLineBreaks) {
  EXPECT_EQ(Base64Decode("Zm9v\r\nYmFy"), B("foobar"));
  for (const char* bad : {"Zm9", "Zm=v", "Z===", "=Zm9", "Zm9v!A==", "Zg==Zg==", "图片数据"}) {
    EXPECT_FALSE(Base64Decode(bad).has_value()) << bad;
  }
}

TEST(CodeLib, EncodesBytesAndTextAndRefusesOtherValues) {
  CodeLib lib;
  std::string out = "old";
  EXPECT_EQ(lib.Base64encode(Variant(B("\x89PNG")), out, 0, 1), 0);
  EXPECT_EQ(out, "iVBORw==");
  EXPECT_EQ(lib.Base64encode(Variant("中"), out, 0, 1), 0);
  EXPECT_EQ(out, "5Lit");
  EXPECT_EQ(lib.Base64encode(Variant::Null(), out, 0, 1), 0);
  EXPECT_EQ(out, "");
  EXPECT_NE(lib.Base64encode(Variant(3.5), out, 0, 1), 0);
  EXPECT_NE(lib.Base64encode(Variant(VariantArray{Variant(1)}), out, 0, 1), 0);
}

}  // namespace
}  // namespace cavra
