#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cavra/components.h"
#include "cavra/datasource.h"
#include "cavra/error.h"
#include "cavra/rowset.h"
#include "datasource/data_source.h"
#include "fakes/expect_error.h"
#include "fakes/fakes.h"
#include "fakes/result_assertions.h"
#include "fakes/scratch.h"
#include "platform/xml.h"

namespace cavra {
namespace {

namespace fs = std::filesystem;

class SqliteFileTest : public ::testing::Test {
 protected:
  testing::ScratchDir dir_;
};

TEST_F(SqliteFileTest, AMissingOrForeignFileIsAClearError) {
  EXPECT_VB_ERROR((void)OpenSqliteDataSource(dir_ / "missing.db").value(), err::kConnection, "not found");
  EXPECT_FALSE(fs::exists(dir_ / "missing.db"));

  std::ofstream(dir_ / "garbage.db")
      << "this is not a database, just some text that is long enough to matter";
  EXPECT_VB_ERROR((void)OpenSqliteDataSource(dir_ / "garbage.db", true).value(), err::kConnection,
                  "not a database");

  const Result<SqlDataSourcePtr> folder = OpenSqliteDataSource(dir_.path);
  ASSERT_FALSE(folder.ok());
  EXPECT_EQ(folder.error().number(), err::kConnection);
}

TEST_F(SqliteFileTest, CreationPlacesTheDatabaseAndItsAttachedFilesOrNothing) {
  const fs::path db = dir_ / "sub" / "v.db";
  auto ds = OpenSqliteDataSource(db, true).value();
  EXPECT_TRUE(fs::exists(db));
  EXPECT_TRUE(fs::exists(dir_ / "sub" / "v.tolmmeta_001.db"));
  EXPECT_TRUE(fs::exists(dir_ / "sub" / "v.tolmsystem.db"));
  ds.reset();
  EXPECT_OK(OpenSqliteDataSource(db));  // reopens without creating

  // A seed file that fails leaves no file at all.
  const std::vector<datasource::SeedFile> bad = {
      {"x/template.xml", "<template CardNumber='A' VT_ID='1' Bogus='1'/>"}};
  for (const char* fragment : {"examples/x/template.xml", "Bogus"})
    EXPECT_VB_ERROR(datasource::OpenSqlite(dir_ / "bad.db", true, bad), err::kConnection, fragment);
  for (const auto& entry : fs::directory_iterator(dir_.path))
    EXPECT_EQ(entry.path().filename(), "sub") << "left behind: " << entry.path();
}

TEST_F(SqliteFileTest, SeedFilesAreCheckedAttributeByAttribute) {
  struct Case {
    const char* name;
    const char* file;
    const char* content;
    const char* reason;
  };
  static constexpr Case kCases[] = {
      {"unknown item attribute", "template.xml",
       "<template CardNumber='A' VT_ID='1'><item fieldname='x' colour='red'/></template>", "colour"},
      {"not a number", "template.xml", "<template CardNumber='A' VT_ID='1'><item showit='yes'/></template>",
       "showit"},
      {"no template id", "template.xml", "<template CardNumber='A'/>", "VT_ID"},
      {"number rule without a rule", "template.xml",
       "<template CardNumber='A' VT_ID='1'><numberrule>text</numberrule></template>", "holds no rule"},
      {"two number rules", "template.xml",
       "<template CardNumber='A' VT_ID='1'><numberrule><r/><r/></numberrule></template>", "more than one"},
      {"unknown relation attribute", "template.xml",
       "<template CardNumber='A' VT_ID='1'><customrelation ItemKey='k' Archive='x'/></template>", "Archive"},
      {"unknown column type", "voucher.xml",
       "<voucher-data><table name='T'><column name='a' type='money'/></table></voucher-data>", "money"},
      {"unsafe table name", "voucher.xml",
       "<voucher-data><table name='T;drop'><column name='a' type='int'/></table></voucher-data>", "T;drop"},
      {"row with an unknown column", "voucher.xml",
       "<voucher-data><table name='T'><column name='a' type='int'/><row b='1'/></table></voucher-data>", "b"},
      {"rows for a table the schema lacks", "voucher.xml",
       "<voucher-data><table name='Nowhere'><row a='1'/></table></voucher-data>", "Nowhere"},
      {"unsafe qualified name", "voucher.xml",
       "<voucher-data><table name='tolmmeta_001..x;drop'><row a='1'/></table></voucher-data>", "x;drop"},
      {"schema table row with an unknown column", "voucher.xml",
       "<voucher-data><table name='tolmmeta_001..Cavra_JointQuery'><row Colour='red'/></table>"
       "</voucher-data>",
       "Colour"},
      {"neither kind", "readme.xml", "<x/>", "neither"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_VB_ERROR(datasource::OpenSqlite(dir_ / "s.db", true, {{std::string("e/") + c.file, c.content}}),
                    err::kConnection, c.reason);
    EXPECT_FALSE(fs::exists(dir_ / "s.db"));
  }
}

TEST(DataSourceOpen, APostgresServerThatIsDownIsAClearError) {
  const Result<SqlDataSourcePtr> ds =
      OpenPostgresDataSource("host=/nonexistent-cavra-socket port=1 dbname=x connect_timeout=2");
  ASSERT_FALSE(ds.ok()) << "connected";
  EXPECT_EQ(ds.error().number(), err::kConnection);
  EXPECT_NE(ds.error().description().find("PostgreSQL"), std::string::npos) << ds.error().description();
}

TEST(DataSourceOpen, DefaultDatabasePathFollowsTheEnvironment) {
  struct Case {
    const char* cavra_db;
    const char* xdg;
    const char* home;
    const char* expected;
  };
  static constexpr Case kCases[] = {
      {"/srv/v.db", "/xdg", "/home/u", "/srv/v.db"},
      {nullptr, "/xdg", "/home/u", "/xdg/cavra/cavra.db"},
      {nullptr, "relative", "/home/u", "/home/u/.local/share/cavra/cavra.db"},
      {nullptr, nullptr, "/home/u", "/home/u/.local/share/cavra/cavra.db"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.expected);
    testing::ScopedEnv db("CAVRA_DB", c.cavra_db), xdg("XDG_DATA_HOME", c.xdg), home("HOME", c.home);
    EXPECT_EQ(DefaultDatabasePath(), fs::path(c.expected));
  }
}

TEST_F(SqliteFileTest, TheRegisteredDefaultDataSourceCreatesItsDatabase) {
  testing::ScopedEnv db("CAVRA_DB", dir_ / "default.db");
  RegisterDataSourceComponents();
  auto ds = ComponentRegistry::CreateAs<SqlDataSource>("DataSourceKit.DefaultDataSource");
  EXPECT_TRUE(fs::exists(dir_ / "default.db"));
  EXPECT_EQ(ds->Backend(), "sqlite");
  EXPECT_EQ(ds->GetLogin()->cSub_Id(), "AA");
  // Every template compiled into the library loads from the new database.
  for (const auto& file : datasource::EmbeddedExamples()) {
    if (file.name.find("template") == std::string::npos) continue;
    SCOPED_TRACE(file.name);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_buffer(file.content.data(), file.content.size()));
    const pugi::xml_node t = doc.child("template");
    Result<RecordsetPtr> rs =
        LoadTemplateRecordset(*ds, t.attribute("CardNumber").value(), t.attribute("VT_ID").as_int());
    ASSERT_OK(rs);
    EXPECT_EQ(static_cast<std::size_t>((*rs)->RecordCount()),
              std::distance(t.children("item").begin(), t.children("item").end()));
  }
}

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
