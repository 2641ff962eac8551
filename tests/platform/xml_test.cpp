#include <gtest/gtest.h>

#include "cavra/error.h"
#include "platform/xml.h"

namespace cavra {
namespace {

TEST(Xml, LoadReportsTheParserReasonAndKeepsTheDocumentUsable) {
  pugi::xml_document doc;
  auto bad = xml::Load(doc, "<a><b></a>");
  EXPECT_FALSE(bad);
  EXPECT_NE(bad.reason.find("offset"), std::string::npos);
  EXPECT_FALSE(xml::Load(doc, ""));
  EXPECT_TRUE(xml::Load(doc, "<?xml version='1.0' encoding='utf-16' ?><数据>值</数据>"));
  EXPECT_STREQ(xml::DocumentElement(doc).child_value(), "值");
}

TEST(Xml, TextRoundTripsAndCloneIsDeep) {
  auto doc = xml::LoadNew("<?xml version='1.0'?><Buffer><z:row a=\"1\"/></Buffer>");
  ASSERT_TRUE(doc);
  EXPECT_EQ(xml::Text(*doc), "<?xml version=\"1.0\"?><Buffer><z:row a=\"1\"/></Buffer>");
  auto copy = xml::Clone(doc);
  copy->document_element().remove_children();
  EXPECT_EQ(xml::Text(doc->document_element()), "<Buffer><z:row a=\"1\"/></Buffer>");
}

TEST(Xml, SelectTranslatesOldOperatorsAndMatchesPrefixedNames) {
  auto doc = xml::LoadNew(
      "<xml><rs:data><z:row k='1' p=''/><z:row k='2' p='1'/><z:row k='3'/></rs:data></xml>");
  ASSERT_TRUE(doc);
  EXPECT_EQ(xml::SelectNodes(*doc, "//z:row[@p='' || not(@p)]").size(), 2u);
  EXPECT_EQ(xml::SelectNodes(*doc, "//z:row[@k>1 && @p='1']").size(), 1u);
  EXPECT_STREQ(xml::SelectSingleNode(*doc, "//z:row[@k='3']").attribute("k").value(), "3");
  EXPECT_THROW(xml::SelectNodes(*doc, "//z:row[@"), VbError);
}

}  // namespace
}  // namespace cavra
