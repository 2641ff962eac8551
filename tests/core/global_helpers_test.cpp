#include <thread>

#include <gtest/gtest.h>

#include "core/global_helpers.h"
#include "core/scratch.h"
#include "core/trace_log.h"
#include "platform/xml.h"

namespace cavra {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;

TEST(NullHelpers, ConvertWithoutRaising) {
  struct Case {
    const char* name;
    Variant value;
    std::string str;
    std::int32_t lng;
    double dbl;
    std::int32_t safe;
  };
  const Case cases[] = {
      {"null", Variant::Null(), "", 0, 0, 0},
      {"empty", Variant(), "", 0, 0, 0},
      {"numeric text", Variant("12.5"), "12.5", 12, 12.5, 12},  // CLng rounds half to even
      {"double", Variant(3.5), "3.5", 4, 3.5, 4},
      {"boolean", Variant(true), "True", -1, -1, -1},
      {"text", Variant("abc"), "abc", 0, 0, 0},
      {"too large", Variant(3e10), "30000000000", 0, 3e10, 0},
      {"object", Variant(std::make_shared<Object>()), "", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Null2Str(c.value), c.str);
    EXPECT_EQ(Null2Lng(c.value), c.lng);
    EXPECT_EQ(Null2Dbl(c.value), c.dbl);
    EXPECT_EQ(SafeCLng(c.value), c.safe);
  }
  Variant null = Variant::Null();
  EXPECT_EQ(NullVarToStr(null), "");
  EXPECT_TRUE(null.IsString());
  Variant number(std::int32_t{5});
  EXPECT_EQ(NullVarToStr(number), "5");
  EXPECT_EQ(number.type(), VarType::Long);
}

TEST(NodeAttributes, ReadAndWriteByVariantName) {
  auto doc = xml::LoadNew("<z:row cName='值' empty=''/>");
  ASSERT_TRUE(doc);
  pugi::xml_node row = doc->document_element();
  struct Case {
    const char* name;
    pugi::xml_node element;
    Variant attribute;
    Variant expected;
  };
  const Case cases[] = {
      {"present", row, Variant("cName"), Variant("值")},
      {"empty value", row, Variant("empty"), Variant("")},
      {"absent", row, Variant("other"), Variant("")},
      {"names match as written", row, Variant("cname"), Variant("")},
      {"no element", pugi::xml_node(), Variant("cName"), Variant()},
      {"empty name", row, Variant(), Variant()},
      {"null name", row, Variant::Null(), Variant()},
      {"blank name", row, Variant("  "), Variant()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetNodeAttribute(c.element, c.attribute), c.expected);
  }

  SetNodeAttribute(row, Variant("cName"), Variant(std::int32_t{12}));
  SetNodeAttribute(row, Variant("iQty"), Variant(2.5));
  SetNodeAttribute(row, Variant("empty"), Variant::Null());
  SetNodeAttribute(row, Variant(), Variant("ignored"));
  SetNodeAttribute(row, Variant("obj"), Variant(std::make_shared<Object>()));  // no text: nothing set
  SetNodeAttribute(pugi::xml_node(), Variant("x"), Variant("y"));
  EXPECT_EQ(xml::Text(row), "<z:row cName=\"12\" empty=\"\" iQty=\"2.5\"/>");
}

TEST(AppendToSection, FindsOrCreatesTheSection) {
  auto doc = xml::LoadNew("<xml><rs:data><z:row a='1'/></rs:data><free/></xml>");
  ASSERT_TRUE(doc);
  auto other = xml::LoadNew("<z:row a='2'/>");

  pugi::xml_node copied = AppendToSection(doc, "rs:data", other->document_element());
  EXPECT_STREQ(copied.attribute("a").value(), "2");
  EXPECT_TRUE(other->document_element());  // the other document keeps its node

  pugi::xml_node moved = AppendToSection(doc, "deleted", doc->document_element().child("free"));
  EXPECT_EQ(moved.parent().name(), std::string("deleted"));
  EXPECT_EQ(xml::Text(*doc),
            "<xml><rs:data><z:row a=\"1\"/><z:row a=\"2\"/></rs:data><deleted><free/></deleted></xml>");

  auto empty = NewDom();
  EXPECT_TRUE(AppendToSection(empty, "root", other->document_element()));
  EXPECT_EQ(xml::Text(*empty), "<root><z:row a=\"2\"/></root>");

  EXPECT_FALSE(AppendToSection(DomPtr(), "rs:data", other->document_element()));
  EXPECT_FALSE(AppendToSection(doc, "rs:data", pugi::xml_node()));
}

TEST(PrintHelpers, ColoursTwipsAndFontParts) {
  const std::pair<std::int32_t, const char*> colours[] = {
      {255, "#FF0000"},           {255 * 65536, "#0000FF"},       {0x00FF00, "#00FF00"},
      {0x123456, "#563412"},      {0, "#000000"},                 {static_cast<std::int32_t>(0x80000005u), "#050000"},
  };
  for (const auto& [colour, html] : colours) {
    SCOPED_TRACE(colour);
    EXPECT_EQ(ColorToHtml(colour), html);
  }

  const std::pair<std::int32_t, const char*> twips[] = {
      {0, "0"}, {567, "100"}, {1440, "254"}, {-567, "-100"}, {5, "1"}, {2, "0"},
  };
  for (const auto& [twip, units] : twips) {
    SCOPED_TRACE(twip);
    EXPECT_EQ(TwipToPrintUnit(twip), units);
  }

  struct FontCase {
    const char* text;
    std::int32_t index;
    Variant expected;
  };
  const FontCase fonts[] = {
      {"10@2@黑体,12,0,0,2@1", 0, Variant("10")},
      {"10@2@黑体,12,0,0,2@1", 2, Variant("黑体,12,0,0,2")},
      {"10@2@黑体,12,0,0,2@1", 3, Variant("1")},
      {"10@2@x", 1, Variant("1")},  // three parts: the default
      {"10@2@x@y@z", 0, Variant("783")},
      {"", 2, Variant("宋体,9,0,0,1")},
      {"", 3, Variant("0")},
      {"a@b@c@d", 4, Variant()},
      {"a@b@c@d", -1, Variant()},
  };
  for (const FontCase& c : fonts) {
    SCOPED_TRACE(std::string(c.text) + " #" + std::to_string(c.index));
    EXPECT_EQ(GetFontStringPart(c.text, c.index), c.expected);
  }
}

TEST(TextHelpers, LinesAndXmlEncoding) {
  const std::tuple<const char*, std::int32_t, const char*> lines[] = {
      {"first\r\nsecond\rthird", 0, "first"}, {"first\r\nsecond\rthird", 1, "second"},
      {"first\r\nsecond\rthird", 2, "third"}, {"first\r\nsecond\rthird", 3, ""},
      {"first\r\nsecond\rthird", -1, ""},     {"a\nb", 0, "ab"},
      {"", 0, ""},
  };
  for (const auto& [text, index, expected] : lines) {
    SCOPED_TRACE(std::to_string(index) + ":" + text);
    EXPECT_EQ(GetTextLine(text, index), expected);
  }

  const std::pair<const char*, const char*> encoded[] = {
      {"a<b & 'c'", "a&lt;b &amp; &apos;c&apos;"},
      {"&amp;", "&amp;amp;"},
      {"x>\"y\"", "x&gt;\"y\""},
      {"数量<5", "数量&lt;5"},
  };
  for (const auto& [text, expected] : encoded) {
    SCOPED_TRACE(text);
    EXPECT_EQ(XmlEncode(text), expected);
  }
}

TEST(ArraysEqual, ComparesBoundsAndElements) {
  const VariantArray abc{Variant("a"), Variant(std::int32_t{1}), Variant::Null()};
  struct Case {
    const char* name;
    Variant a, b;
    bool expected;
  };
  const Case cases[] = {
      {"same", Variant(abc), Variant(abc), true},
      {"numbers of other types", Variant(VariantArray{Variant(std::int16_t{1})}), Variant(VariantArray{Variant(1.0)}),
       true},
      {"number and its text", Variant(VariantArray{Variant(std::int32_t{1})}), Variant(VariantArray{Variant("1")}),
       false},
      {"other element", Variant(abc), Variant(VariantArray{Variant("a"), Variant(std::int32_t{2}), Variant::Null()}),
       false},
      {"null against empty", Variant(VariantArray{Variant::Null()}), Variant(VariantArray{Variant()}), false},
      {"other bound", Variant(abc), Variant(VariantArray{Variant("a"), Variant(std::int32_t{1})}), false},
      {"both empty", Variant(VariantArray{}), Variant(VariantArray{}), true},
      {"bytes and longs", Variant(Bytes{1, 2}), Variant(VariantArray{Variant(std::int32_t{1}), Variant(2.0)}), true},
      {"not an array", Variant("abc"), Variant("abc"), false},
      {"one array", Variant(abc), Variant(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ArraysEqual(c.a, c.b), c.expected);
    EXPECT_EQ(ArraysEqual(c.b, c.a), c.expected);
  }
}

TEST(CollectionHelpers, AddAndGetWithoutRaising) {
  Collection<std::string> coll;
  EXPECT_TRUE(CollectionAdd(coll, std::string("one"), "Key"));
  EXPECT_FALSE(CollectionAdd(coll, std::string("two"), "KEY"));
  EXPECT_TRUE(CollectionAdd(coll, std::string("unkeyed")));
  EXPECT_EQ(coll.Count(), 2);

  std::string found = "unchanged";
  EXPECT_FALSE(CollectionGet(coll, found, "missing"));
  EXPECT_EQ(found, "unchanged");
  EXPECT_TRUE(CollectionGet(coll, found, "key"));
  EXPECT_EQ(found, "one");
}

TEST(ObjectFromPointer, GivesACountedReferenceOnlyForSharedObjects) {
  auto shared = std::make_shared<Object>();
  ObjectPtr again = ObjectFromPointer(ObjPtr(shared.get()));
  EXPECT_EQ(again, shared);
  EXPECT_EQ(shared.use_count(), 2);
  EXPECT_EQ(ObjectFromPointer(0), nullptr);
  Object unowned;
  EXPECT_EQ(ObjectFromPointer(ObjPtr(&unowned)), nullptr);
}

TEST(TempDirectory, IsTheSystemFolderWithATrailingSeparator) {
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path());
  EXPECT_EQ(GetTempDirectory(), dir.path().string() + "/");
}

class LowerCasing : public ::testing::Test {
 protected:
  ~LowerCasing() override { Thread().traceLog = false; }
  void SetUp() override {
    WriteFile(dir_ / "Ordra_Platform_Voucher.ini", "");
    RefreshTraceLogSwitch();
  }
  std::string Log() { return ReadFile(dir_ / "Ordra_Platform_Voucher.log"); }

  ScratchDir dir_;
  ScopedEnv component_{"CAVRA_COMPONENT_DIR", dir_.path()};
};

TEST_F(LowerCasing, NamesLoseTheirCaseValuesAndTextKeepIt) {
  struct Case {
    const char* name;
    const char* input;
    bool escape_amp;
    const char* expected;
  };
  const Case cases[] = {
      {"root", "<A B='X'>T</A>", false, "<a b=\"X\">T</a>"},
      {"nested", "<?xml version='1.0'?><RowLayout><Row ID='R1'><Cell FontState='宋体,9'>数量</Cell></Row></RowLayout>",
       false, "<rowlayout><row id=\"R1\"><cell fontstate=\"宋体,9\">数量</cell></row></rowlayout>"},
      {"comments and instructions go", "<A><!-- c --><?pi x?><B/></A>", false, "<a><b/></a>"},
      {"cdata becomes text", "<A><![CDATA[x<y]]></A>", false, "<a>x&lt;y</a>"},
      {"a repeated name keeps the later value", "<A n='1' N='2'/>", false, "<a n=\"2\"/>"},
      {"ampersands escaped first", "<A T='x&y'>a&b</A>", true, "<a t=\"x&amp;y\">a&amp;b</a>"},
      {"only ascii letters", "<ÄB ÖC='1'/>", false, "<Äb Öc=\"1\"/>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string xml = c.input;
    UTLCase(xml, c.escape_amp);
    EXPECT_EQ(xml, c.expected);
  }
  EXPECT_EQ(Log().find("ErrNumber:99"), std::string::npos);
}

TEST_F(LowerCasing, TextThatDoesNotParseStaysAndIsLoggedOnce) {
  for (const char* input : {"<A><B></A>", "", "<!-- no element -->"}) {
    SCOPED_TRACE(input);
    std::filesystem::remove(dir_ / "Ordra_Platform_Voucher.log");
    std::string xml = input;
    UTLCase(xml, false);
    EXPECT_EQ(xml, input);
    const std::string log = Log();
    const std::string error = "】ModuleName:clsOther,FunctionName:UTLCase,ErrNumber:99,sXML=" + xml + "\r\n错误原因：";
    const auto at = log.find(error);
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(log.find(error, at + 1), std::string::npos);
    // The markers around it, in order.
    const auto replace = log.find("开始 替换特殊字符\r\n");
    const auto start = log.find("开始 转换大小写\r\n");
    const auto done = log.find("完成 转换大小写\r\n");
    EXPECT_LT(replace, start);
    EXPECT_LT(start, at);
    EXPECT_LT(at, done);
    EXPECT_NE(done, std::string::npos);
  }
}

TEST(XslTemplate, IsTheLowerCasingStyleSheetBuiltOncePerThread) {
  DomPtr xsl = GetXslTemplateDom();
  ASSERT_TRUE(xsl);
  pugi::xml_node sheet = xsl->document_element();
  EXPECT_STREQ(sheet.name(), "xsl:stylesheet");
  EXPECT_STREQ(sheet.attribute("version").value(), "1.0");
  EXPECT_STREQ(sheet.attribute("xmlns:xsl").value(), "http://www.w3.org/1999/XSL/Transform");
  EXPECT_STREQ(sheet.child("xsl:output").attribute("encoding").value(), "iso-8859-1");
  EXPECT_STREQ(sheet.find_child_by_attribute("xsl:variable", "name", "ucase").child_value(),
               "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  EXPECT_STREQ(sheet.find_child_by_attribute("xsl:variable", "name", "lcase").child_value(),
               "abcdefghijklmnopqrstuvwxyz");
  pugi::xml_node element = sheet.child("xsl:template").child("xsl:element");
  EXPECT_STREQ(element.attribute("name").value(), "{translate(name(),$ucase,$lcase)}");
  EXPECT_STREQ(element.child("xsl:for-each").child("xsl:attribute").child("xsl:value-of").attribute("select").value(),
               ".");
  EXPECT_TRUE(element.child("xsl:apply-templates"));

  EXPECT_EQ(GetXslTemplateDom(), xsl);
  DomPtr other;
  std::thread([&] { other = GetXslTemplateDom(); }).join();
  EXPECT_NE(other, xsl);
}

}  // namespace
}  // namespace cavra
