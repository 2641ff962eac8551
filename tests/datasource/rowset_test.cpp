#include "cavra/rowset.h"

#include <gtest/gtest.h>

#include "cavra/error.h"
#include "fakes/fakes.h"
#include "platform/xml.h"

namespace cavra {
namespace {

void ExpectSameRows(const Recordset& a, const Recordset& b) {
  ASSERT_EQ(a.Rows().size(), b.Rows().size());
  for (std::size_t r = 0; r < a.Rows().size(); ++r)
    for (std::size_t c = 0; c < a.Rows()[r].size(); ++c)
      EXPECT_TRUE(a.Rows()[r][c] == b.Rows()[r][c]) << "row " << r << ", " << a.FieldNames()[c];
}

TEST(Rowset, RoundTripKeepsEveryValueTypeAndNull) {
  RecordsetPtr rs = testing::MakeRecordset(
      {"cCode", "iQty", "fPrice", "bOk", "dDate", "Picture", "my col", "untyped"},
      {{"A'<&>\"", 3, 0.1, true, "2026-12-01 09:30:12", Variant(Bytes{0, 255, 10}), "x", 2.5},
       {Variant::Null(), Variant::Null(), Variant::Null(), false, Variant::Null(), Variant(Bytes{}), "",
        Variant::Null()},
       {"", -2147483647 - 1, 1e300, Variant::Null(), "2026-12-02", Variant::Null(), Variant::Null(),
        Variant::Null()}});
  const char* types[] = {"string", "int", "float", "boolean", "dateTime", "bin.base64", "string", ""};
  for (int i = 0; i < 8; ++i) rs->SetFieldType(i, types[i]);

  DomPtr doc = RecordsetToRowset(*rs);
  RecordsetPtr back = RowsetToRecordset(*doc).value();
  EXPECT_EQ(back->FieldNames(), rs->FieldNames());
  ExpectSameRows(*back, *rs);
  EXPECT_EQ(back->FieldType(7), "float");  // taken from the first value
  EXPECT_EQ(back->FieldType(4), "dateTime");

  // The document as the service reads it: Null is a missing attribute.
  pugi::xml_node row = xml::SelectSingleNode(*doc, "//z:row[2]");
  EXPECT_FALSE(row.attribute("cCode"));
  EXPECT_STREQ(row.attribute("bOk").value(), "False");
  EXPECT_STREQ(xml::SelectSingleNode(*doc, "//z:row[1]").attribute("dDate").value(), "2026-12-01T09:30:12");
  EXPECT_STREQ(xml::SelectSingleNode(*doc, "//z:row[1]").attribute("Picture").value(), "AP8K");
}

TEST(Rowset, TextKeepsEveryCharacterAValueCanHold) {
  const std::string hostile[] = {"tab\there", "line\nbreak\r\n", "quote\" apos' a&b<c>d &amp;", "中文",
                                 "\x01\x1f", std::string("cut\0here", 8), " lead and trail "};
  RecordsetPtr rs = testing::MakeRecordset({"cMemo", "dt"}, {});
  rs->SetFieldType(0, "string");
  rs->SetFieldType(1, "dateTime");
  for (const std::string& value : hostile) rs->AddRow({Variant(value), Variant("2026-12-01 09:30:12")});

  DomPtr doc = RecordsetToRowset(*rs);
  RecordsetPtr back = RowsetToRecordset(*doc).value();
  ASSERT_EQ(back->RecordCount(), 7);
  for (std::size_t r = 0; r < 7; ++r) {
    const std::string expected = r == 5 ? "cut" : hostile[r];  // a document's value ends at a NUL
    EXPECT_EQ(back->Rows()[r][0].AsString(), expected) << "row " << r;
  }
  EXPECT_STREQ(xml::SelectSingleNode(*doc, "//z:row").attribute("dt").value(), "2026-12-01T09:30:12");

  // The text is the document: parsed by the library's own loader, it reads the same.
  DomPtr reparsed = xml::LoadNew(RecordsetToRowsetText(*rs));
  ASSERT_TRUE(reparsed);
  ExpectSameRows(*RowsetToRecordset(*reparsed).value(), *back);
  EXPECT_EQ(xml::Text(*reparsed), xml::Text(*doc));
}

TEST(Rowset, WritesDisplayNamesHiddenColumnsAndEncodedNames) {
  RecordsetPtr rs = testing::MakeRecordset({"cInvCode", "AutoID", "a b"}, {{"I1", 7, "v"}});
  RowsetOptions options;
  options.displayNames["cInvCode"] = "存货编码";
  options.hidden.insert("autoid");
  DomPtr doc = RecordsetToRowset(*rs, options);
  auto at = [&](const char* name) {
    return xml::SelectSingleNode(*doc, std::string("//s:AttributeType[@name='") + name + "']");
  };
  EXPECT_STREQ(at("cInvCode").attribute("rs:name").value(), "存货编码");
  EXPECT_STREQ(at("AutoID").attribute("rs:hidden").value(), "true");
  EXPECT_FALSE(at("AutoID").attribute("rs:name"));
  EXPECT_STREQ(at("a_x0020_b").attribute("rs:name").value(), "a b");
  EXPECT_STREQ(xml::SelectSingleNode(*doc, "//z:row").attribute("a_x0020_b").value(), "v");
  EXPECT_EQ(RowsetToRecordset(*doc).value()->FieldNames(), rs->FieldNames());
}

TEST(Rowset, ReadsTheTypesOfDocumentsWrittenElsewhere) {
  DomPtr doc = xml::LoadNew(R"(<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'
      xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' xmlns:rs='urn:schemas-microsoft-com:rowset'
      xmlns:z='#RowsetSchema'><s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>
      <s:AttributeType name='ID' rs:number='1'><s:datatype dt:type='i4' dt:maxLength='4'/></s:AttributeType>
      <s:AttributeType name='iSum'><s:datatype dt:type='number' rs:precision='19'/></s:AttributeType>
      <s:AttributeType name='iRate'><s:datatype dt:type='r8'/></s:AttributeType>
      <s:AttributeType name='blob'><s:datatype dt:type='bin.hex'/></s:AttributeType>
      <s:AttributeType name='cMemo'/>
      <s:extends type='rs:rowbase'/></s:ElementType></s:Schema>
      <rs:data><z:row ID='12' iSum='1234.5600' iRate='0.5' blob='00FF' cMemo='m' editprop='M'/>
      </rs:data></xml>)");
  ASSERT_TRUE(doc);
  RecordsetPtr rs = RowsetToRecordset(*doc).value();
  ASSERT_EQ(rs->FieldCount(), 5);  // editprop is a row state, not a field
  EXPECT_EQ(rs->Value("ID"), Variant(12));
  EXPECT_EQ(rs->Value("iSum"), Variant(1234.56));
  EXPECT_EQ(rs->FieldType(1), "number");
  EXPECT_EQ(rs->Value("blob"), Variant(Bytes{0, 255}));
  EXPECT_EQ(rs->Value("cMemo"), Variant("m"));
  EXPECT_EQ(rs->FieldType(4), "string");
}

TEST(Rowset, RefusesDocumentsItCannotRead) {
  struct Case {
    const char* name;
    const char* xml;
    std::int32_t error;
  };
  static constexpr Case kCases[] = {
      {"no schema", "<xml><rs:data/></xml>", err::kInvalidCall},
      {"not a whole number",
       "<xml><s:Schema><s:ElementType><s:AttributeType name='n'><s:datatype dt:type='int'/></s:AttributeType>"
       "</s:ElementType></s:Schema><rs:data><z:row n='1.5'/></rs:data></xml>",
       err::kTypeMismatch},
      {"bad Base64",
       "<xml><s:Schema><s:ElementType><s:AttributeType name='b'><s:datatype dt:type='bin.base64'/>"
       "</s:AttributeType></s:ElementType></s:Schema><rs:data><z:row b='@@'/></rs:data></xml>",
       err::kTypeMismatch},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    pugi::xml_document doc;
    doc.load_string(c.xml);
    const Result<RecordsetPtr> rs = RowsetToRecordset(doc);
    ASSERT_FALSE(rs.ok()) << "read";
    EXPECT_EQ(rs.error().number(), c.error);
  }
  RecordsetPtr with_object =
      testing::MakeRecordset({"o"}, {{Variant(std::make_shared<Recordset>(std::vector<std::string>{}))}});
  EXPECT_THROW(RecordsetToRowset(*with_object), VbError);
}

}  // namespace
}  // namespace cavra
