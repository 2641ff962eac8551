#include "components/code_lib.h"

#include <gtest/gtest.h>

#include "platform/base64.h"

namespace cavra {
namespace {

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
