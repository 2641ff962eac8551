#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cavra/components.h"
#include "cavra/datasource.h"
#include "datasource/data_source.h"
#include "fakes/result_assertions.h"

namespace cavra {
namespace {

namespace fs = std::filesystem;

class SqliteFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("cavra_open_" + std::to_string(getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::int32_t ErrorOf(const std::function<void()>& f, std::string* text = nullptr) {
    try {
      f();
    } catch (const VbError& e) {
      if (text) *text = e.description();
      return e.number();
    }
    return 0;
  }

  fs::path dir_;
};

TEST_F(SqliteFileTest, AMissingOrForeignFileIsAClearError) {
  std::string text;
  EXPECT_EQ(ErrorOf([&] { (void)OpenSqliteDataSource(dir_ / "missing.db").value(); }, &text),
            err::kConnection);
  EXPECT_NE(text.find("not found"), std::string::npos) << text;
  EXPECT_FALSE(fs::exists(dir_ / "missing.db"));

  std::ofstream(dir_ / "garbage.db")
      << "this is not a database, just some text that is long enough to matter";
  EXPECT_EQ(ErrorOf([&] { (void)OpenSqliteDataSource(dir_ / "garbage.db", true).value(); }, &text),
            err::kConnection);
  EXPECT_NE(text.find("not a database"), std::string::npos) << text;

  const Result<SqlDataSourcePtr> folder = OpenSqliteDataSource(dir_);
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
  const fs::path bad = dir_ / "bad.db";
  std::string text;
  EXPECT_EQ(ErrorOf(
                [&] {
                  datasource::OpenSqlite(
                      bad, true, {{"x/template.xml", "<template CardNumber='A' VT_ID='1' Bogus='1'/>"}});
                },
                &text),
            err::kConnection);
  EXPECT_NE(text.find("examples/x/template.xml"), std::string::npos) << text;
  EXPECT_NE(text.find("Bogus"), std::string::npos) << text;
  for (const auto& entry : fs::directory_iterator(dir_))
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
      {"unknown column type", "voucher.xml",
       "<voucher-data><table name='T'><column name='a' type='money'/></table></voucher-data>", "money"},
      {"unsafe table name", "voucher.xml",
       "<voucher-data><table name='T;drop'><column name='a' type='int'/></table></voucher-data>", "T;drop"},
      {"row with an unknown column", "voucher.xml",
       "<voucher-data><table name='T'><column name='a' type='int'/><row b='1'/></table></voucher-data>", "b"},
      {"neither kind", "readme.xml", "<x/>", "neither"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string text;
    ErrorOf(
        [&] {
          datasource::OpenSqlite(dir_ / "s.db", true, {{std::string("e/") + c.file, c.content}});
        },
        &text);
    EXPECT_NE(text.find(c.reason), std::string::npos) << text;
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
  auto keep = [](const char* name) {
    const char* v = std::getenv(name);
    return std::make_pair(std::string(name), v ? std::optional<std::string>(v) : std::nullopt);
  };
  const auto saved = {keep("CAVRA_DB"), keep("XDG_DATA_HOME"), keep("HOME")};
  auto put = [](const char* name, const char* value) {
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.expected);
    put("CAVRA_DB", c.cavra_db);
    put("XDG_DATA_HOME", c.xdg);
    put("HOME", c.home);
    EXPECT_EQ(DefaultDatabasePath(), fs::path(c.expected));
  }
  for (const auto& [name, value] : saved) put(name.c_str(), value ? value->c_str() : nullptr);
}

TEST_F(SqliteFileTest, TheRegisteredDefaultDataSourceCreatesItsDatabase) {
  const char* before = std::getenv("CAVRA_DB");
  const std::string saved = before ? before : "";
  setenv("CAVRA_DB", (dir_ / "default.db").c_str(), 1);
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
  if (before) {
    setenv("CAVRA_DB", saved.c_str(), 1);
  } else {
    unsetenv("CAVRA_DB");
  }
}

}  // namespace
}  // namespace cavra
