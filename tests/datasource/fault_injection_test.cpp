// Fails the Nth call a data source makes on its connection, for every N an
// operation makes, and checks that the operation fails with that fault and
// leaves the database (or the folder) as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cavra/datasource.h"
#include "cavra/rowset.h"
#include "datasource/connection.h"
#include "datasource/data_source.h"
#include "datasource/embedded.h"
#include "fakes/result_assertions.h"
#include "fakes/scratch.h"
#include "fakes/scratch_database.h"
#include "platform/xml.h"

namespace cavra {
namespace {

namespace fs = std::filesystem;
using datasource::Connection;
using datasource::SqlDataSourceImpl;
using testing::ErrorText;

constexpr char kInjected[] = "injected fault";
constexpr int kMaxCalls = 5000;  // a loop that never succeeds stops here

// Fails its fail_at-th call (from 1) without passing it on; every statement,
// attach and catalog read counts. Zero never fails.
class FaultyConnection final : public Connection {
 public:
  FaultyConnection(std::unique_ptr<Connection> inner, int fail_at, int* calls)
      : inner_(std::move(inner)), fail_at_(fail_at), calls_(calls) {}

  sql::Dialect dialect() const override { return inner_->dialect(); }
  std::string Backend() const override { return inner_->Backend(); }
  datasource::ResultSet Run(const std::string& sql, const VariantArray& params) override {
    Step(sql);
    return inner_->Run(sql, params);
  }
  void UseDatabases(const std::vector<std::string>& names, bool create) override {
    Step("use databases");
    inner_->UseDatabases(names, create);
  }
  std::vector<datasource::ColumnInfo> Columns(const std::string& table) override {
    Step("columns of " + table);
    return inner_->Columns(table);
  }

 private:
  void Step(const std::string& what) {
    if (++*calls_ == fail_at_)
      throw VbError(err::kConnection,
                    std::string(kInjected) + " at call " + std::to_string(fail_at_) + ": " + what);
  }

  std::unique_ptr<Connection> inner_;
  int fail_at_;
  int* calls_;
};

datasource::ConnectionWrapper FailAt(int n, int* calls) {
  return [n, calls](std::unique_ptr<Connection> c) -> std::unique_ptr<Connection> {
    return std::make_unique<FaultyConnection>(std::move(c), n, calls);
  };
}

// What the queries give, as text.
std::string Dump(SqlDataSource& ds, const std::vector<std::string>& queries) {
  std::string out;
  for (const auto& sql : queries) {
    Result<RecordsetPtr> rs = ds.QuerySql(sql, {});
    if (!rs.ok()) return sql + ": " + rs.error().description();
    out += RecordsetToRowsetText(**rs) + "\n";
  }
  return out;
}

// A database with two tables for the rowset writer, on either backend.
class WriteFaultTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "sqlite") {
      path_ = dir_ / "w.db";
      admin_ = datasource::OpenSqlite(path_, true, {});
    } else {
      if (!testing::PgConninfo()) GTEST_SKIP() << "CAVRA_TEST_PG is not set";
      server_ = datasource::OpenPostgres(testing::PgConninfo(), false, {});
      pg_db_ = testing::UniqueName("cavra_fault_");
      server_->Exec("CREATE DATABASE " + pg_db_);
      admin_ = datasource::OpenPostgres(Conninfo(), false, {});
    }
    for (const char* sql :
         {"create table F_Main (ID int primary key, cCode varchar(20), iRate float)",
          "create table F_Lines (AutoID int primary key, ID int, cInv varchar(20), iQty float)",
          "insert into F_Main values (1, 'one', 0.5), (2, 'two', 1.5)",
          "insert into F_Lines values (11, 1, 'a', 1), (12, 1, 'b', 2), (21, 2, 'c', 3)"})
      ASSERT_OK(admin_->ExecuteSql(sql, {})) << sql;
  }
  void TearDown() override {
    admin_.reset();
    if (server_) (void)server_->ExecuteSql("DROP DATABASE IF EXISTS " + pg_db_ + " WITH (FORCE)", {});
  }
  std::string Conninfo() const { return std::string(testing::PgConninfo()) + " dbname=" + pg_db_; }

  std::shared_ptr<SqlDataSourceImpl> Open(int fail_at, int* calls) {
    if (GetParam() == "sqlite") return datasource::OpenSqlite(path_, false, {}, FailAt(fail_at, calls));
    return datasource::OpenPostgres(Conninfo(), false, {}, FailAt(fail_at, calls));
  }

  testing::ScratchDir dir_;
  fs::path path_;
  std::string pg_db_;
  std::shared_ptr<SqlDataSourceImpl> server_, admin_;
};

TEST_P(WriteFaultTest, AFailedStatementOfTheRowsetWriterWritesNothing) {
  const std::vector<std::string> tables = {"select * from F_Main order by ID",
                                           "select * from F_Lines order by AutoID"};
  const std::string before = Dump(*admin_, tables);
  // Read as a writer would, then: edit a head column; in the body update,
  // delete and add a line.
  DomPtr head = RecordsetToRowset(*admin_->QuerySql("select * from F_Main order by ID", {}).value());
  DomPtr body = RecordsetToRowset(*admin_->QuerySql("select * from F_Lines order by AutoID", {}).value());
  DomPtr head_edit = xml::Clone(*head), body_edit = xml::Clone(*body);
  pugi::xml_node h = xml::DocumentElement(*head_edit).child("rs:data").child("z:row");
  h.attribute("cCode") = "ONE";
  h.append_attribute("editprop") = "M";
  pugi::xml_node lines = xml::DocumentElement(*body_edit).child("rs:data");
  pugi::xml_node line = lines.child("z:row");
  line.attribute("iQty") = "10";
  line.append_attribute("editprop") = "M";
  line.next_sibling().append_attribute("editprop") = "D";
  pugi::xml_node added = lines.append_copy(line);
  added.attribute("AutoID") = "13";
  added.attribute("editprop") = "A";
  const std::vector<RowsetWrite> writes = {{"F_Main", {"ID"}, head_edit.get(), head.get()},
                                           {"F_Lines", {"AutoID"}, body_edit.get(), body.get()}};

  int n = 1;
  for (; n < kMaxCalls; ++n) {
    SCOPED_TRACE("failing call " + std::to_string(n));
    int calls = 0;
    auto ds = Open(n, &calls);
    calls = 0;  // opening is not the write's
    const Result<void> written = ds->WriteRowsets(writes);
    if (written.ok()) break;
    EXPECT_EQ(written.error().number(), err::kConnection);
    EXPECT_NE(ErrorText(written).find(kInjected), std::string::npos) << ErrorText(written);
    EXPECT_EQ(Dump(*admin_, tables), before);
    // The failed write left no transaction open behind it: the writer's own
    // connection sees nothing of it either, and can begin another.
    EXPECT_EQ(Dump(*ds, tables), before);
    EXPECT_OK(ds->ExecuteSql("BEGIN", {}));
    EXPECT_OK(ds->ExecuteSql("ROLLBACK", {}));
  }
  EXPECT_GE(n, 8) << "the write made too few calls for the loop to test anything";
  EXPECT_LT(n, kMaxCalls);
  const std::string after = Dump(*admin_, tables);
  EXPECT_NE(after, before);
  EXPECT_NE(after.find("ONE"), std::string::npos) << after;
  Result<RecordsetPtr> count = admin_->QuerySql("select count(*) from F_Lines", {});
  ASSERT_OK(count);
  EXPECT_EQ(CStr((*count)->Fields(0).Value()), "3");  // one deleted, one added
}

INSTANTIATE_TEST_SUITE_P(Backends, WriteFaultTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& param_info) { return param_info.param; });

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) out.push_back(e.path().lexically_relative(dir));
  return out;
}

// Creates a database with its Nth connection call failing, for N = 1, 2, ...
// until creating succeeds, checking each failure and then what it left
// behind (after_failure). Returns the N that succeeded.
template <typename Create, typename Check>
int FailEachCallOfCreating(const Create& create, const Check& after_failure, const char* message = "") {
  const auto examples = datasource::EmbeddedExamples();
  int n = 1;
  for (; n < kMaxCalls; ++n) {
    SCOPED_TRACE("failing call " + std::to_string(n));
    int calls = 0;
    try {
      create(examples, FailAt(n, &calls));
      break;
    } catch (const VbError& e) {
      EXPECT_EQ(e.number(), err::kConnection);
      EXPECT_NE(e.description().find(message), std::string::npos) << e.description();
      EXPECT_NE(e.description().find(kInjected), std::string::npos) << e.description();
    }
    after_failure();
  }
  EXPECT_GE(n, 50) << "creation made too few calls for the loop to test anything";
  EXPECT_LT(n, kMaxCalls);
  return n;
}

TEST(CreateFaultTest, AFailedStatementOfCreatingTheSqliteDatabaseLeavesNoFile) {
  testing::ScratchDir dir;
  const fs::path db = dir / "new" / "cavra.db";
  FailEachCallOfCreating(
      [&](const auto& examples, auto wrapper) { datasource::OpenSqlite(db, true, examples, wrapper); },
      [&] { EXPECT_EQ(FilesIn(dir.path), std::vector<std::string>{"new"}); },
      "cannot create the SQLite database");
  // The run that got through made a whole database.
  Result<SqlDataSourcePtr> ds = OpenSqliteDataSource(db);
  ASSERT_OK(ds);
  EXPECT_OK(LoadTemplateRecordset(**ds, "17", 12));
}

TEST(CreateFaultTest, AFailedStatementOfCreatingThePostgresSchemaLeavesTheDatabaseEmpty) {
  if (!testing::PgConninfo()) GTEST_SKIP() << "CAVRA_TEST_PG is not set";
  auto server = datasource::OpenPostgres(testing::PgConninfo(), false, {});
  const std::string name = testing::UniqueName("cavra_create_fault_");
  server->Exec("CREATE DATABASE " + name);
  struct Drop {
    std::shared_ptr<SqlDataSourceImpl> server;
    std::string name;
    ~Drop() { (void)server->ExecuteSql("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)", {}); }
  } drop{server, name};
  const std::string conninfo = std::string(testing::PgConninfo()) + " dbname=" + name;
  auto contents = [&] {
    auto ds = datasource::OpenPostgres(conninfo, false, {});
    return Dump(*ds, {"select schema_name from information_schema.schemata where schema_name not like 'pg_%' "
                      "order by 1",
                      "select table_schema, table_name from information_schema.tables "
                      "where table_schema not in ('pg_catalog', 'information_schema') order by 1, 2"});
  };
  const std::string before = contents();
  FailEachCallOfCreating(
      [&](const auto& examples, auto wrap) { datasource::OpenPostgres(conninfo, true, examples, wrap); },
      [&] { ASSERT_EQ(contents(), before); });
  EXPECT_NE(contents(), before);
}

}  // namespace
}  // namespace cavra
