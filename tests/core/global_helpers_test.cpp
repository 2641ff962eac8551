#include <thread>

#include <gtest/gtest.h>

#include "core/global_helpers.h"
#include "fakes/scratch.h"
#include "fakes/trace_log_on.h"
#include "core/trace_log.h"
#include "platform/xml.h"

namespace cavra {
namespace {

using testing::ScopedEnv;
using testing::ScratchDir;

TEST(NullHelpers, ConvertWithoutRaising) {
  struct Case {
    Variant value;
    std::string str;
    std::int32_t lng;
    double dbl;
  };
  const Case cases[] = {{Variant::Null(), "", 0, 0},       {Variant("12.5"), "12.5", 12, 12.5},
                        {Variant(3.5), "3.5", 4, 3.5},     {Variant(true), "True", -1, -1},
                        {Variant("abc"), "abc", 0, 0},     {Variant(3e10), "30000000000", 0, 3e10},
                        {Variant(std::make_shared<Object>()), "", 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.str);
    EXPECT_EQ(Null2Str(c.value), c.str);
    EXPECT_EQ(Null2Lng(c.value), c.lng);
    EXPECT_EQ(SafeCLng(c.value), c.lng);
    EXPECT_EQ(Null2Dbl(c.value), c.dbl);
  }
  Variant null = Variant::Null();
  EXPECT_EQ(NullVarToStr(null), "");
  EXPECT_TRUE(null.IsString());
}

TEST(NodeHelpers, AttributesAndSections) {
  auto doc = xml::LoadNew("<xml><rs:data><z:row cName='值'/></rs:data><free/></xml>");
  pugi::xml_node row = doc->document_element().first_child().first_child();
  EXPECT_EQ(GetNodeAttribute(row, Variant("cName")), Variant("值"));
  EXPECT_EQ(GetNodeAttribute(row, Variant("cname")), Variant(""));
  EXPECT_TRUE(GetNodeAttribute(row, Variant(" ")).IsEmpty());

  SetNodeAttribute(row, Variant("cName"), Variant(std::int32_t{12}));
  SetNodeAttribute(row, Variant("iQty"), Variant::Null());
  SetNodeAttribute(row, Variant(), Variant("ignored"));
  EXPECT_EQ(xml::Text(row), "<z:row cName=\"12\" iQty=\"\"/>");

  auto other = xml::LoadNew("<z:row a='2'/>");
  EXPECT_STREQ(AppendToSection(doc, "rs:data", other->document_element()).attribute("a").value(), "2");
  EXPECT_TRUE(other->document_element());  // copied from the other document
  AppendToSection(doc, "deleted", doc->document_element().child("free"));  // moved within it
  EXPECT_EQ(xml::Text(*doc),
            "<xml><rs:data><z:row cName=\"12\" iQty=\"\"/><z:row a=\"2\"/></rs:data>"
            "<deleted><free/></deleted></xml>");
  EXPECT_FALSE(AppendToSection(DomPtr(), "rs:data", row));
  EXPECT_FALSE(AppendToSection(doc, "rs:data", pugi::xml_node()));
}

TEST(PrintHelpers, ColoursTwipsAndFontParts) {
  EXPECT_EQ(ColorToHtml(255), "#FF0000");
  EXPECT_EQ(ColorToHtml(255 * 65536), "#0000FF");
  EXPECT_EQ(ColorToHtml(0x123456), "#563412");
  EXPECT_EQ(ColorToHtml(static_cast<std::int32_t>(0x80000005u)), "#050000");
  const std::pair<std::int32_t, const char*> twips[] = {{567, "100"}, {1440, "254"}, {-567, "-100"}, {5, "1"},
                                                        {2, "0"}};
  for (const auto& [twip, units] : twips) EXPECT_EQ(TwipToPrintUnit(twip), units) << twip;

  const std::tuple<const char*, std::int32_t, Variant> parts[] = {
      {"10@2@黑体,12,0,0,2@1", 2, Variant("黑体,12,0,0,2")}, {"10@2@x", 1, Variant("1")},
      {"10@2@x@y@z", 0, Variant("783")}, {"", 2, Variant("宋体,9,0,0,1")}, {"a@b@c@d", 4, Variant()}};
  for (const auto& [text, index, expected] : parts)
    EXPECT_EQ(GetFontStringPart(text, index), expected) << text;
}

TEST(TextHelpers, LinesXmlEncodingAndTempFolder) {
  const std::tuple<const char*, std::int32_t, const char*> lines[] = {
      {"first\r\nsecond\rthird", 1, "second"}, {"first\r\nsecond\rthird", 2, "third"},
      {"first\r\nsecond\rthird", 3, ""}, {"a\nb", 0, "ab"}, {"", 0, ""}};
  for (const auto& [text, index, expected] : lines) EXPECT_EQ(GetTextLine(text, index), expected) << index;

  EXPECT_EQ(XmlEncode("a<b & 'c'"), "a&lt;b &amp; &apos;c&apos;");
  EXPECT_EQ(XmlEncode("&amp;>\""), "&amp;amp;&gt;\"");

  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path);
  EXPECT_EQ(GetTempDirectory(), dir.path.string() + "/");
}

TEST(ValueHelpers, ArraysCollectionsAndObjectPointers) {
  const VariantArray a1{Variant("a"), Variant(std::int16_t{1}), Variant::Null()};
  const VariantArray a2{Variant("a"), Variant(1.0), Variant::Null()};
  EXPECT_TRUE(ArraysEqual(Variant(a1), Variant(a2)));
  const Variant one(VariantArray{Variant(std::int32_t{1})}), one_text(VariantArray{Variant("1")});
  EXPECT_FALSE(ArraysEqual(one, one_text));
  EXPECT_FALSE(ArraysEqual(Variant(a1), Variant(VariantArray{Variant("a"), Variant(std::int32_t{1})})));

  Collection<std::string> coll;
  EXPECT_TRUE(CollectionAdd(coll, std::string("one"), "Key"));
  EXPECT_FALSE(CollectionAdd(coll, std::string("two"), "KEY"));
  std::string found = "unchanged";
  EXPECT_FALSE(CollectionGet(coll, found, "missing"));
  EXPECT_TRUE(CollectionGet(coll, found, "key"));
  EXPECT_EQ(found, "one");

  auto shared = std::make_shared<Object>();
  EXPECT_EQ(ObjectFromPointer(ObjPtr(shared.get())), shared);
  EXPECT_EQ(ObjectFromPointer(0), nullptr);
  Object unowned;
  EXPECT_EQ(ObjectFromPointer(ObjPtr(&unowned)), nullptr);
}

class LowerCasing : public ::testing::Test {
 protected:
  testing::TraceLogOn trace_;
};

TEST_F(LowerCasing, NamesLoseTheirCaseValuesAndTextKeepIt) {
  const std::tuple<const char*, bool, const char*> cases[] = {
      {"<A B='X'>T</A>", false, "<a b=\"X\">T</a>"},
      {"<?xml version='1.0'?><Row ID='R1'><Cell Font='宋体'>数量</Cell></Row>", false,
       "<row id=\"R1\"><cell font=\"宋体\">数量</cell></row>"},
      {"<A><!-- c --><?pi x?><![CDATA[x<y]]></A>", false, "<a>x&lt;y</a>"},
      {"<A n='1' N='2'/>", false, "<a n=\"2\"/>"},
      {"<A T='x&y'>a&b</A>", true, "<a t=\"x&amp;y\">a&amp;b</a>"},
      {"<ÄB/>", false, "<Äb/>"}};
  for (const auto& [input, escape_amp, expected] : cases) {
    std::string xml = input;
    UTLCase(xml, escape_amp);
    EXPECT_EQ(xml, expected);
  }
}

TEST_F(LowerCasing, TextThatDoesNotParseStaysAndOneErrorLineIsWritten) {
  std::string xml = "<A><B></A>";
  UTLCase(xml, false);
  EXPECT_EQ(xml, "<A><B></A>");
  const std::string log = trace_.Text();
  const std::string error = "】ModuleName:clsOther,FunctionName:UTLCase,ErrNumber:99,sXML=<A><B></A>\r\n错误原因：";
  const auto at = log.find(error);
  EXPECT_NE(at, std::string::npos);
  EXPECT_EQ(log.find("ErrNumber", at + error.size()), std::string::npos);
  EXPECT_LT(log.find("开始 替换特殊字符\r\n"), log.find("开始 转换大小写\r\n"));
  EXPECT_LT(log.find("开始 转换大小写\r\n"), at);
  EXPECT_LT(at, log.find("完成 转换大小写\r\n"));
}

TEST(XslTemplate, IsTheLowerCasingStyleSheetBuiltOncePerThread) {
  DomPtr xsl = GetXslTemplateDom();
  pugi::xml_node sheet = xsl->document_element();
  EXPECT_STREQ(sheet.child("xsl:template").child("xsl:element").child("xsl:for-each").child("xsl:attribute")
                   .attribute("name").value(),
               "{translate(name(),$ucase,$lcase)}");
  EXPECT_EQ(GetXslTemplateDom(), xsl);
  DomPtr other;
  std::thread([&] { other = GetXslTemplateDom(); }).join();
  EXPECT_NE(other, xsl);
}

}  // namespace
}  // namespace cavra
