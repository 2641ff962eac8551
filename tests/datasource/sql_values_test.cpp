// Values that try to break out of SQL text, through every data-source
// member that takes one, on SQLite and (with CAVRA_TEST_PG) on PostgreSQL. The
// PostgreSQL database is configured with standard_conforming_strings off,
// where a backslash before a quote would end a literal if the connection
// did not turn the standard reading back on.
#include <gtest/gtest.h>

#include "cavra/datasource.h"
#include "cavra/host.h"
#include "cavra/sql_text.h"
#include "datasource/data_source.h"
#include "fakes/expect_error.h"
#include "fakes/fakes.h"
#include "fakes/hostile_values.h"
#include "fakes/result_assertions.h"
#include "fakes/scratch_database.h"

namespace cavra {
namespace {

using testing::HostileValues;

class SqlValuesTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!db_.ds) GTEST_SKIP() << "CAVRA_TEST_PG is not set";
    ds_ = db_.ds;
  }

  static void Exec(SqlDataSource& ds, const std::string& sql, const VariantArray& params = {}) {
    ASSERT_OK(ds.ExecuteSql(sql, params)) << sql;
  }
  // The first column of the only row sql gives.
  std::string Only(const std::string& sql) {
    std::string err;
    RecordsetPtr rs = ds_->GetRsBySql(sql, err);
    EXPECT_EQ(err, "") << sql;
    if (!rs || rs->RecordCount() != 1) {
      ADD_FAILURE() << sql << ": " << (rs ? rs->RecordCount() : -1) << " rows";
      return "";
    }
    return CStr(rs->Fields(0).Value());
  }

  testing::ScratchDatabase db_{GetParam(), "ALTER DATABASE $DB SET standard_conforming_strings = off"};
  std::shared_ptr<datasource::SqlDataSourceImpl> ds_;
};

TEST_P(SqlValuesTest, LiteralsAndParametersReachTheDatabaseIntact) {
  int n = 0;
  for (const auto& [name, value] : HostileValues()) {
    SCOPED_TRACE(name);
    const std::string other = "row" + std::to_string(++n);  // a row the value must not reach
    Exec(*ds_, "insert into VoucherFieldAuth (cardnumber, cAuthString) values (?, ?), (?, ?)",
         {Variant(value), Variant("auth of " + value), Variant(other), Variant("other")});
    Exec(*ds_,
         "insert into VoucherAuditFlow (cardnumber, vchid, iSeq, cAction, cOperator) values (?, ?, 1, '1', ?)",
         {Variant(value), Variant(value), Variant(value)});

    // Through the builder, as the service's own texts carry values.
    EXPECT_EQ(Only("select cAuthString from VoucherFieldAuth where cardnumber=" + SqlLiteral(value)),
              "auth of " + value);
    EXPECT_EQ(Only("select count(*) from VoucherFieldAuth where cardnumber = " + SqlNLiteral(value)), "1");
    EXPECT_EQ(Only("select " + SqlNLiteral(value) + " as v"), value);

    // As parameters.
    EXPECT_EQ(ds_->GetAuthString(value), "auth of " + value);
    std::string err;
    pugi::xml_document audit;
    ASSERT_TRUE(audit.load_string(ds_->GetAuditString(value, value, err).c_str()));
    EXPECT_EQ(std::string(audit.document_element().attribute("vchid").value()), value);
    EXPECT_EQ(std::string(audit.select_node("//History/Record/@operator").attribute().value()), value);
    EXPECT_EQ(err, "");

    // A customer-info record whose voucher type, template and content hold the value.
    std::string record = CustomerInfoRecord("kind", value, value, value);
    ds_->SaveCustomerInfo(record, err);
    EXPECT_EQ(err, "");
    std::string request = CustomerInfoRecord("kind", value, value, "");
    EXPECT_EQ(ds_->GetCustomerInfo(request, err), Variant(value));
    EXPECT_EQ(err, "");
  }
  EXPECT_EQ(Only("select count(*) from VoucherFieldAuth"), std::to_string(2 * HostileValues().size()));
}

TEST_P(SqlValuesTest, TheTemplateQueryTakesAnyVoucherType) {
  auto recording = std::make_shared<testing::RecordingDataSource>(ds_);
  for (const auto& [name, value] : HostileValues()) {
    SCOPED_TRACE(name);
    Exec(*ds_, "insert into vouchers_base (CardNumber, Name) values (?, ?)", {Variant(value), Variant(name)});
    Exec(*ds_, "insert into vouchertemplates_base (vt_cardnumber, VT_ID, VT_Name) values (?, 7, 'std')",
         {Variant(value)});
    Exec(*ds_,
         "insert into vouchertemplates_items (tmpl_cardnumber, tmpl_id, item_order, cardsection, fieldname) "
         "values (?, 7, 1, 'T', 'cCode')",
         {Variant(value)});
    Result<RecordsetPtr> loaded = LoadTemplateRecordset(*recording, value, 7);
    ASSERT_OK(loaded);
    RecordsetPtr rs = *loaded;
    EXPECT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(CStr(rs->Value("CardNumber")), value);
    EXPECT_EQ(CStr(rs->Value("Name")), name);
  }
  // The benign voucher type, as the text carries it.
  const std::string where = " where i.tmpl_cardnumber = N'O''Brien' and i.tmpl_id = 7 order by ";
  EXPECT_NE(recording->queries.front().find(where), std::string::npos)
      << recording->queries.front();

  const std::size_t sent = recording->queries.size();
  const Result<RecordsetPtr> refused = LoadTemplateRecordset(*recording, testing::ValueWithNul(), 7);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(testing::ErrorText(refused).find("NUL"), std::string::npos) << testing::ErrorText(refused);
  EXPECT_EQ(recording->queries.size(), sent);  // nothing was run
}

TEST_P(SqlValuesTest, ANulIsKeptOrRefusedNeverCut) {
  const std::string value = testing::ValueWithNul();
  const Result<std::int64_t> inserted =
      ds_->ExecuteSql("insert into VoucherFieldAuth (cardnumber, cAuthString) values (?, ?)",
                      {Variant("nul"), Variant(value)});
  const std::string err = testing::ErrorText(inserted);
  if (GetParam() == "sqlite") {
    EXPECT_EQ(err, "");
    EXPECT_EQ(ds_->GetAuthString("nul"), value);
  } else {
    EXPECT_NE(err.find("NUL"), std::string::npos) << err;
    EXPECT_EQ(ds_->GetAuthString("nul"), "1=2");  // nothing stored
  }
}

TEST_P(SqlValuesTest, PostgresSessionsKeepStandardStringsWhateverTheServerSays) {
  if (GetParam() != "postgresql") GTEST_SKIP() << "PostgreSQL only";
  // The database's own default is off; the session is on.
  EXPECT_EQ(Only("select reset_val from pg_settings where name = 'standard_conforming_strings'"), "off");
  EXPECT_EQ(Only("select setting from pg_settings where name = 'standard_conforming_strings'"), "on");
  // A host's statement switching it off does not outlive that statement.
  Exec(*ds_, "set standard_conforming_strings = off");
  EXPECT_EQ(Only("select " + SqlLiteral("a\\'b") + " as v"), "a\\'b");
  EXPECT_EQ(Only("select setting from pg_settings where name = 'standard_conforming_strings'"), "on");
}

TEST_P(SqlValuesTest, DatabaseNamesThatAreNotPlainAreRefused) {
  for (const char* name : {"x; drop table vouchers_base", "x--", "../x", "x y"}) {
    SCOPED_TRACE(name);
    EXPECT_VB_ERROR(ds_->connection().UseDatabases({name}, true), err::kInvalidCall, "not a plain SQL name");
  }
  EXPECT_EQ(Only("select count(*) from vouchers_base"), "0");
}

INSTANTIATE_TEST_SUITE_P(Backends, SqlValuesTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& param_info) { return param_info.param; });

}  // namespace
}  // namespace cavra
