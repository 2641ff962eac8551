#include <gtest/gtest.h>

#include "cavra/error.h"
#include "fakes/expect_error.h"
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

// A body of five rows cut at different places: none may load as a shorter
// document. Each input is listed with the parser status it must give.
TEST(Xml, TruncatedInputLeavesNoDocument) {
  const std::string body =
      "<xml><s:Schema/><rs:data><z:row a='1'/><z:row a='2'/><z:row a='3'/><z:row a='4'/><z:row a='5'/>"
      "</rs:data></xml>";
  const struct Case {
    std::string text;
    const char* status;
  } cases[] = {
      {body.substr(0, body.find("<z:row a='2'")), "Start-end tags mismatch"},
      {body.substr(0, body.find("<z:row a='2'") + 6), "Error parsing start element tag"},
      {body.substr(0, body.find("a='3'") + 3), "Error parsing element attribute"},
      {body.substr(0, body.size() - 1), "Error parsing end element tag"},
      {body.substr(0, body.size() - 6), "Start-end tags mismatch"},
      {"<xml><z:row a='1' a='2'/>", "Start-end tags mismatch"},
      {"<?xml version='1.0'?>", "No document element found"},
      {"<", "Could not determine tag type"},
      {"", "empty document"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    pugi::xml_document doc;
    ASSERT_TRUE(xml::Load(doc, "<old><z:row/></old>"));
    const xml::LoadResult r = xml::Load(doc, c.text);
    EXPECT_FALSE(r);
    EXPECT_NE(r.reason.find(c.status), std::string::npos) << r.reason;
    EXPECT_FALSE(doc.first_child()) << xml::Text(doc);
    std::string reason;
    EXPECT_EQ(xml::LoadNew(c.text, &reason), nullptr);
    EXPECT_EQ(reason, r.reason);
  }
  pugi::xml_document doc;
  ASSERT_TRUE(xml::Load(doc, body));
  EXPECT_EQ(doc.select_nodes("//z:row").size(), 5u);
}

TEST(Xml, LiteralsKeepEveryValueIntact) {
  auto doc = xml::LoadNew("<x><v/></x>");
  ASSERT_TRUE(doc);
  const char* values[] = {"", "plain", "a'b", "'", "''", "a\"b", "both ' and \"", "a||b", "x&&y&&", "'||'",
                          "中文'值", "]|//*[", "x' or '1'='1"};
  for (const char* value : values) {
    SCOPED_TRACE(value);
    pugi::xml_node v = doc->child("x").child("v");
    (v.attribute("k") ? v.attribute("k") : v.append_attribute("k")) = value;
    const std::string query = "//v[@k=" + xml::Literal(value) + "]";
    EXPECT_EQ(xml::SelectNodes(*doc, query).size(), 1u) << query;
    EXPECT_EQ(xml::SelectNodes(*doc, "//v[@k=" + xml::Literal(std::string(value) + "!") + "]").size(), 0u);
  }
  EXPECT_VB_ERROR(xml::Literal(std::string_view("a\0b", 3)), err::kInvalidCall);
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
  EXPECT_VB_ERROR(xml::SelectNodes(*doc, "//z:row[@"), err::kInvalidCall);
}

}  // namespace
}  // namespace cavra
