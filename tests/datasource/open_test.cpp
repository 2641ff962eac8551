#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cavra/components.h"
#include "cavra/datasource.h"
#include "datasource/data_source.h"
#include "fakes/expect_error.h"
#include "fakes/result_assertions.h"
#include "fakes/scratch.h"

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

}  // namespace
}  // namespace cavra
