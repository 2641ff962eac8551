// One suite, run against SQLite and, when CAVRA_TEST_PG holds a conninfo
// (tests/datasource/pg_test_server.sh start), against PostgreSQL.
#include "datasource/data_source.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cavra/datasource.h"
#include "cavra/rowset.h"
#include "cavra/template_layout.h"
#include "fakes/fakes.h"
#include "fakes/result_assertions.h"
#include "fakes/rowset_xml.h"
#include "fakes/scratch_database.h"
#include "platform/xml.h"

namespace cavra {
namespace {

namespace fs = std::filesystem;
using datasource::SeedFile;
using datasource::SqlDataSourceImpl;
using testing::ErrorText;
using testing::PgConninfo;

// Header items listed first on purpose: the recordset puts the body first.
constexpr std::string_view kTemplateXml = R"(<template CardNumber="SO" VT_ID="12" Name="Sales order"
    cCardName="SO" HaveBodyGrid="1" VT_Name="standard" VT_BodyTop="2700" AuditDisplayFlag="@1R#1R1#1R#1R#">
  <item carditemnum="1" cardsection="T" fieldname="cSOCode" fieldtype="1" isnull="1" showit="1"/>
  <item carditemnum="2" cardsection="T" fieldname="dDate" fieldtype="5" catalog="25.5"/>
  <item carditemnum="3" cardsection="B" fieldname="cInvCode" carditemname="存货编码"/>
  <item carditemnum="4" cardsection="T" fieldname="cCusCode"/>
  <item carditemnum="5" cardsection="b" fieldname="iQuantity" fieldtype="4" numpoint="2"/>
</template>)";

constexpr std::string_view kVoucherXml = R"(<voucher-data>
  <table name="SO_Main" primary-key="ID">
    <column name="ID" type="int"/><column name="cCode" type="string" size="30"/>
    <column name="iRate" type="float"/><column name="dDate" type="date"/>
    <column name="dMade" type="datetime"/><column name="bClosed" type="boolean"/>
    <row ID="1" cCode="SO-1" iRate="0.13" dDate="2026-12-01" dMade="2026-12-01T09:30:12" bClosed="false"/>
    <row ID="2" cCode="O'Neil &amp; Co"/>
  </table>
</voucher-data>)";

std::vector<SeedFile> Seeds() { return {{"t/template.xml", kTemplateXml}, {"t/voucher.xml", kVoucherXml}}; }

// A seeded PostgreSQL database to copy for every test (CREATE DATABASE ...
// TEMPLATE is a file copy, far faster than building the schema again).
bool pg_template_built = false;

std::string PgTemplateDatabase() {
  static const std::string name = [] {
    const std::string db = "cavra_tmpl_" + std::to_string(getpid());
    auto admin = datasource::OpenPostgres(PgConninfo(), false, {});
    (void)admin->ExecuteSql("DROP DATABASE IF EXISTS " + db, {});
    EXPECT_OK(admin->ExecuteSql("CREATE DATABASE " + db, {}));
    pg_template_built = true;
    datasource::OpenPostgres(std::string(PgConninfo()) + " dbname=" + db, true, Seeds());
    return db;
  }();
  return name;
}

// Drops this process's template database when the tests end (ctest runs
// every test in a process of its own).
class PgTemplateCleanup : public ::testing::Environment {
 public:
  void TearDown() override {
    if (!PgConninfo() || !pg_template_built) return;
    (void)datasource::OpenPostgres(PgConninfo(), false, {})
        ->ExecuteSql("DROP DATABASE IF EXISTS cavra_tmpl_" + std::to_string(getpid()) + " WITH (FORCE)", {});
  }
};
[[maybe_unused]] ::testing::Environment* const kPgCleanup =
    ::testing::AddGlobalTestEnvironment(new PgTemplateCleanup);

class DataSourceTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "sqlite") {
      ds_ = datasource::OpenSqlite(dir_ / "test.db", true, Seeds());
      return;
    }
    if (!PgConninfo())
      GTEST_SKIP() << "CAVRA_TEST_PG is not set: run tests/datasource/pg_test_server.sh start";
    admin_ = datasource::OpenPostgres(PgConninfo(), false, {});
    pg_db_ = testing::UniqueName("cavra_t_");
    Exec(*admin_, "CREATE DATABASE " + pg_db_ + " TEMPLATE " + PgTemplateDatabase());
    ds_ = datasource::OpenPostgres(std::string(PgConninfo()) + " dbname=" + pg_db_, false, {});
  }
  void TearDown() override {
    ds_.reset();
    if (admin_) (void)admin_->ExecuteSql("DROP DATABASE IF EXISTS " + pg_db_ + " WITH (FORCE)", {});
  }

  static void Exec(SqlDataSource& ds, const std::string& sql, const VariantArray& params = {}) {
    ASSERT_OK(ds.ExecuteSql(sql, params)) << sql;
  }
  void Exec(const std::string& sql, const VariantArray& params = {}) { Exec(*ds_, sql, params); }
  RecordsetPtr Query(const std::string& sql) {
    std::string err;
    RecordsetPtr rs = ds_->GetRsBySql(sql, err);
    EXPECT_EQ(err, "") << sql;
    EXPECT_TRUE(rs) << sql;
    return rs;
  }

  testing::ScratchDir dir_;
  std::string pg_db_;
  std::shared_ptr<SqlDataSourceImpl> admin_;
  std::shared_ptr<SqlDataSourceImpl> ds_;
};

TEST_P(DataSourceTest, SchemaHoldsEveryTableTheServiceNames) {
  for (const char* table : {"AccInformation",
                            "vouchers_base",
                            "vouchertemplates_base",
                            "vouchertemplates_lang",
                            "VoucherCustomerInfo",
                            "PrintPolicy_VCH",
                            "AA_Picture",
                            "inventory",
                            "VouchersExInfo",
                            "hr_hi_person",
                            "UA_User",
                            "UserHRPersonContro",
                            "vendor",
                            "Person",
                            "Department",
                            "Customer",
                            "tolmmeta_001..Cavra_JointQuery",
                            "tolmmeta_001..Cavra_JointQuery_Condition",
                            "TolmSystem..UA_User",
                            "VoucherFieldAuth",
                            "VoucherWorkflowAuth",
                            "VoucherAuditFlow",
                            "VoucherTotalTitle",
                            "vouchertemplates_items",
                            "SO_Main"}) {
    SCOPED_TRACE(table);
    Query(std::string("select count(*) as n from ") + table);
  }
  auto rs = Query("select cValue from AccInformation where csysid='AA' and cName='AuditSelectCols'");
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Value("cValue"), Variant("1R#1R11111111#1R#1R#"));
}

TEST_P(DataSourceTest, HostMembersAnswerTheirDefaultsThenTheStoredTexts) {
  std::string pk = "1001", receipt = "SO-1", err;
  EXPECT_EQ(ds_->GetAuthString("SO"), "1=2");
  EXPECT_EQ(ds_->GetWorkflowAuthString(pk, receipt, "SO"), "NotInFlow");
  EXPECT_EQ(ds_->GetAuditString(pk, "SO", err), "");
  EXPECT_EQ(ds_->GetCustomerizeTotalTitle("en-US"), "");
  EXPECT_EQ(ds_->WebRootURL(), "");

  Exec(
      "insert into VoucherFieldAuth (cardnumber, cAuthString) values ('SO', "
      "'T;cCode{##}B;iPrice[####]True')");
  Exec("insert into VoucherWorkflowAuth (cardnumber, vchid, cAuthString) values ('SO', '1001', 'T;cMemo')");
  Exec("insert into VoucherTotalTitle (localeid, cTitles) values ('en-US', 'Page{##}Sub{##}No.{##}Total')");
  Exec("insert into DataSourceSettings (cName, cValue) values ('WebRootURL', 'http://localhost/cavra/')");
  EXPECT_EQ(ds_->GetAuthString("SO"), "T;cCode{##}B;iPrice[####]True");
  EXPECT_EQ(ds_->GetWorkflowAuthString(pk, receipt, "SO"), "T;cMemo");
  EXPECT_EQ(ds_->GetCustomerizeTotalTitle("EN-us"), "Page{##}Sub{##}No.{##}Total");
  EXPECT_EQ(ds_->WebRootURL(), "http://localhost/cavra/");
  EXPECT_EQ(err, "");
}

TEST_P(DataSourceTest, LoginIsTheDefaultUntilOneIsSet) {
  LoginPtr login = ds_->GetLogin();
  ASSERT_TRUE(login);
  EXPECT_EQ(login->cSub_Id(), "AA");
  EXPECT_EQ(login->cAcc_Id(), "001");
  auto mine = std::make_shared<testing::FakeLogin>();
  mine->user_name = "李雷";
  ds_->setLogin(mine);
  EXPECT_EQ(ds_->GetLogin(), mine);
  EXPECT_EQ(ds_->GetUserName(), "李雷");
}

TEST_P(DataSourceTest, CustomerInfoIsStoredUnderTheLoginsUserAndReturnedAsWritten) {
  auto login = std::make_shared<testing::FakeLogin>();
  login->user_name = "wang";
  ds_->setLogin(login);
  const std::string head =
      "<Data fchrOperator='#cUserName#' fchrType='VoucherSorterCommand' "
      "fchrVoucherType='SO' fchrVoucherTemplateType='12' >";
  std::string request = head + "</Data>", err;
  EXPECT_TRUE(ds_->GetCustomerInfo(request, err).IsEmpty());
  for (const char* content : {"first", "cCode,ascending;<x a='1'/> it's & <"}) {
    std::string record = head + content + "</Data>";
    ds_->SaveCustomerInfo(record, err);
    ASSERT_EQ(err, "");
    EXPECT_EQ(ds_->GetCustomerInfo(request, err), Variant(content));
  }
  auto rs = Query("select fchrOperator from VoucherCustomerInfo where fchrType=N'VoucherSorterCommand'");
  ASSERT_EQ(rs->RecordCount(), 1);  // saved twice, stored once
  EXPECT_EQ(rs->Value("fchrOperator"), Variant("wang"));

  std::string broken = "no record here";
  ds_->SaveCustomerInfo(broken, err);
  EXPECT_NE(err, "");
}

// The SQL texts the service sends, as it sends them.
TEST_P(DataSourceTest, RunsTheServiceQueriesAsTheyStand) {
  Exec("insert into VoucherCustomerInfo values ('MultiTableHeader', '#systemprinter#', 'SO', '12', '<h/>')");
  Exec("insert into AA_Picture (cGUID, Picture) values ('G1', ?)", {Variant(Bytes{0, 1, 2, 255})});
  Exec("insert into inventory (cInvCode, PictureGUID) values ('A1', 'G1')");
  Exec("insert into vouchertemplates_lang values ('SO', 12, 'zh-CN', 'std', '<voucher/>')");
  Exec("insert into PrintPolicy_VCH values ('SO_12', 'SO-1', 2, '2026-12-01 10:00:00', 'wang')");
  Exec("insert into VouchersExInfo values ('SO', 'cCusCode', 2, 1)");
  Exec("insert into vouchers_base (CardNumber, vchBodyPKName) values ('SA', 'AutoID')");
  Exec(
      "insert into tolmmeta_001..Cavra_JointQuery values ('Q1', 'SO01', 'customer', '[cCusCode] = N''C1''', "
      "'cCusCode', 0)");
  Exec("insert into tolmmeta_001..Cavra_JointQuery_Condition values ('Q1', 'cCusCode', '')");
  Exec("insert into Customer (cCusCode, cCusName, cCusPerson) values ('C1', 'East', 'Li')");
  Exec("insert into Person (cPersonCode, cPersonName) values ('P1', 'Li')");
  Exec("insert into UserHRPersonContro values ('u1', 'P1')");
  Exec("insert into hr_hi_person (cPsn_Num, cPsn_Name) values ('P1', 'Li')");
  Exec("insert into UA_User (cUser_Id, cUser_Name) values ('u1', 'Li')");
  Exec("insert into TolmSystem..UA_User (cUser_Id, cUser_Name) values ('u9', 'O''Hara')");

  struct Case {
    const char* sql;
    const char* column;
    const char* text;  // first row's value as text
  };
  static constexpr Case kCases[] = {
      {"select cValue,cName from AccInformation where csysid='AA' and cName in('bDisplayInventoryPic',"
       "'AuditSelectCols','nDisableColor','nNeedColor','bPrintTemplatePointLength','bDescendAuditTime') "
       "and cName = 'nNeedColor'",
       "cValue", "0"},
      {"select top 1 fchrXmlInfo from VoucherCustomerInfo where fchrType=N'MultiTableHeader' and "
       "fchrOperator "
       "=N'#systemprinter#' and fchrVoucherType=N'SO' and fchrVoucherTemplateType=N'12'",
       "fchrXmlInfo", "<h/>"},
      {"select p.Picture,i.cinvcode from dbo.AA_Picture p inner join  (select pictureguid ,cinvcode from "
       "inventory where cinvcode in ('A1','B2')) i  on i.pictureguid = p.cGUID",
       "cinvcode", "A1"},
      {" select vt_RowLayoutXML from  vouchertemplates_lang  where  vt_id='12' and vt_cardNUmber='SO' and "
       "localeid='zh-CN'",
       "vt_RowLayoutXML", "<voucher/>"},
      {"select sum(total) as total,max(lastprintTime) as  lastprintTime,GetDate() as CurrentServerDate from "
       "PrintPolicy_VCH where  vchid='SO-1' and PolicyID like 'SO_%'",
       "total", "2"},
      {"select FieldName,CatalogType from VouchersExInfo where cardnumber ='SO'  and IsUsed=1 order by "
       "CatalogType",
       "FieldName", "cCusCode"},
      {"select isnull(AuditDisplayFlag,'') as AuditDisplayFlag   from vouchertemplates_base where "
       "vt_cardnumber='SO' and vt_id='12'",
       "AuditDisplayFlag", "@1R#1R1#1R#1R#"},
      {"select JQ.JointQuery_ID,JQ.[SourceID],JQ.TargetID,JQC.SourceField1,JQC.SourceField2,"
       "JQ.QueryConditionExpression, JQ.VoucherFields  from  tolmmeta_001..Cavra_JointQuery as JQ inner join "
       "tolmmeta_001..Cavra_JointQuery_Condition as JQC on JQ.JointQuery_ID = JQC.JointQuery_ID  where "
       "JQ.SourceID='SO01'  and JQC.SourceField1='cCusCode' and JQ.JointType = 0 ",
       "TargetID", "customer"},
      {" if (   N'C1' = N'C1' ) select 1 else select 0", nullptr, "1"},
      {" if (   N'C1' = N'C2' ) select 1 else select 0", nullptr, "0"},
      {"select top 1 a.cCusCode,a.cCusName ,a.cCusPhone,a.cCusEmail,b.cPersonCode ,b.cPersonName ,"
       "a.cCusAbbName,c.cUser_Id  from  Customer a left join  Person b on a.cCusPerson =b.cPersonName  left "
       "join "
       "UserHrPersonContro c on b.cPersonCode =c.cPsn_Num  where a.cCusCode =N'C1'",
       "cUser_Id", "u1"},
      {"SELECT top 1 p.cPsn_Num ,p.cPsn_Name ,u.cUser_Id,u.cUser_Name,p.cPsnEmail,p.cPsnMobilePhone FROM "
       "hr_hi_person p left join (select b.cPsn_Num,a.cUser_Id,a.cUser_Name from UA_User a, "
       "UserHRPersonContro "
       "b where a.cUser_Id = b.cUser_Id) u on u.cPsn_Num = p.cPsn_Num  where p.cPsn_Num=N'P1'",
       "cUser_Id", "u1"},
      {"select top 1 cUser_Id,cUser_Name ,cUserEmail ,cUserHand  from  TolmSystem..UA_User where cUser_Name "
       "=N'O''Hara'",
       "cUser_Id", "u9"},
      {"select vchBodyPKName from vouchers_base where cardnumber='SA'", "vchBodyPKName", "AutoID"},
      {"Select * From AA_Picture where cGUID='G1'", "cGUID", "G1"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.sql);
    RecordsetPtr rs = Query(c.sql);
    ASSERT_TRUE(rs);
    ASSERT_FALSE(rs->Eof());
    const Field& f = c.column ? rs->Fields(c.column) : rs->Fields(0);
    if (c.column) {
      EXPECT_EQ(f.Name(), c.column);  // the letter case as written, in both databases
    }
    EXPECT_EQ(CStr(f.Value()), c.text);
  }

  auto policy = Query(
      "select sum(total) as total,max(lastprintTime) as  lastprintTime,GetDate() as "
      "CurrentServerDate from PrintPolicy_VCH where  vchid='nothing' and PolicyID like 'SO_%'");
  EXPECT_TRUE(policy->Value("total").IsNull());
  EXPECT_EQ(CStr(policy->Value("CurrentServerDate")).size(), 19u);  // YYYY-MM-DD hh:mm:ss
  auto picture = Query("Select * From AA_Picture where cGUID='G1'");
  EXPECT_EQ(picture->Value("Picture"), Variant(Bytes{0, 1, 2, 255}));
  EXPECT_EQ(picture->FieldType(2), "bin.base64");
}

TEST_P(DataSourceTest, RefusesASecondStatementAndReportsErrorsAsText) {
  std::string err;
  EXPECT_FALSE(ds_->GetRsBySql("select 1 as a; delete from AccInformation", err));
  EXPECT_NE(err.find("only one SQL statement"), std::string::npos) << err;
  EXPECT_EQ(Query("select count(*) as n from AccInformation")->Value("n"), Variant(6));

  err.clear();
  EXPECT_FALSE(ds_->GetRsBySql("select x from nowhere", err));
  EXPECT_NE(err.find("nowhere"), std::string::npos) << err;
  err.clear();
  EXPECT_FALSE(ds_->GetRsBySql("select 1 from tolmmeta_002..Cavra_JointQuery", err));
  EXPECT_NE(err.find("tolmmeta_002"), std::string::npos) << err;
}

TEST_P(DataSourceTest, AQuoteInAValueNeverEndsTheLiteral) {
  Exec("insert into Customer (cCusCode, cCusName) values (?, ?)",
       {Variant("C'9"), Variant("x'); drop table x; --")});
  auto rs = Query("select cCusName from Customer where cCusCode = N'C''9'");
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Value("cCusName"), Variant("x'); drop table x; --"));
  auto seeded = Query("select cCode from SO_Main where ID = 2");
  EXPECT_EQ(seeded->Value("cCode"), Variant("O'Neil & Co"));
}

TEST_P(DataSourceTest, FieldTypesFollowTheDeclaredColumnTypes) {
  auto rs = Query("select ID, cCode, iRate, dDate, dMade, bClosed from SO_Main order by ID");
  const char* kTypes[] = {"int", "string", "float", "dateTime", "dateTime", "boolean"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(rs->FieldType(i), kTypes[i]) << i;
  EXPECT_EQ(rs->Value("ID"), Variant(1));
  EXPECT_EQ(rs->Value("iRate"), Variant(0.13));
  EXPECT_EQ(rs->Value("dDate"), Variant("2026-12-01"));
  EXPECT_EQ(rs->Value("dMade"), Variant("2026-12-01 09:30:12"));
  EXPECT_EQ(rs->Value("bClosed"), Variant(false));
  rs->MoveNext();
  EXPECT_TRUE(rs->Value("iRate").IsNull());
  EXPECT_TRUE(rs->Value("bClosed").IsNull());
}

TEST_P(DataSourceTest, TemplateRecordsetIsPositionalWithTheBodyFirst) {
  Result<RecordsetPtr> loaded = LoadTemplateRecordset(*ds_, "SO", 12);
  ASSERT_OK(loaded);
  RecordsetPtr rs = *loaded;
  ASSERT_EQ(rs->FieldCount(),
            static_cast<std::int32_t>(kTemplateItemColumnCount + std::size(kTemplateColumns)));
  EXPECT_EQ(rs->Fields(127).Name(), "CardNumber");
  std::vector<std::string> order;
  for (const auto& row : rs->GetRows()) order.push_back(CStr(row[13]) + CStr(row[9]));
  EXPECT_EQ(order, (std::vector<std::string>{"BcInvCode", "biQuantity", "TcSOCode", "TdDate", "TcCusCode"}));

  rs->MoveFirst();
  EXPECT_EQ(rs->Fields(0).Value(), Variant(12));  // vt_id defaults to the template's
  EXPECT_EQ(rs->Fields(54).Value(), Variant("存货编码"));
  EXPECT_TRUE(rs->Fields(42).Value().IsNull());
  EXPECT_EQ(rs->Value("VT_Name"), Variant("standard"));
  EXPECT_EQ(rs->Value("Name"), Variant("Sales order"));
  EXPECT_EQ(rs->Value("VT_BodyTop"), Variant(2700));
  rs->MoveNext();
  rs->MoveNext();
  EXPECT_EQ(rs->Fields(18).Value(), Variant(1));  // isnull
  rs->MoveNext();
  EXPECT_EQ(rs->Fields(119).Value(), Variant(25.5));

  Result<RecordsetPtr> none = LoadTemplateRecordset(*ds_, "SO", 99);
  ASSERT_FALSE(none.ok());
  EXPECT_EQ(none.error().number(), err::kNoCurrentRecord);
  EXPECT_NE(none.error().description().find("no items"), std::string::npos) << ErrorText(none);
}

DomPtr RowsetDoc(const std::string& rows) {
  return testing::Rowset("ID:int,cCode,dMade:dateTime,bClosed:boolean,shown", rows);
}

TEST_P(DataSourceTest, WritesRowsetsBackByEditprop) {
  DomPtr doc = RowsetDoc(
      "<z:row ID='1' cCode='SO-1b' dMade='2026-12-02T08:00:00' editprop='M' shown='x'/>"
      "<z:row ID='2' editprop='D'/>"
      "<z:row ID='3' cCode='new' bClosed='True' editprop='A'/>"
      "<z:row ID='4' cCode='untouched' editprop=''/>");
  ASSERT_OK(ds_->WriteRowset("SO_Main", {"ID"}, *doc));
  auto rs = Query("select ID, cCode, dMade, bClosed, iRate from SO_Main order by ID");
  ASSERT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->Value("cCode"), Variant("SO-1b"));
  EXPECT_EQ(rs->Value("dMade"), Variant("2026-12-02 08:00:00"));
  EXPECT_TRUE(rs->Value("bClosed").IsNull());    // a missing attribute writes Null
  EXPECT_EQ(rs->Value("iRate"), Variant(0.13));  // not in the document: left alone
  rs->MoveNext();
  EXPECT_EQ(rs->Value("ID"), Variant(3));
  EXPECT_EQ(rs->Value("bClosed"), Variant(true));
}

TEST_P(DataSourceTest, AFailingRowUndoesTheWholeWrite) {
  struct Case {
    const char* name;
    const char* rows;
    const char* reason;
  };
  static constexpr Case kCases[] = {
      {"update of a missing row", "<z:row ID='7' editprop='A'/><z:row ID='99' editprop='M'/>", "no row"},
      {"delete without its key", "<z:row ID='7' editprop='A'/><z:row cCode='SO-1' editprop='D'/>",
       "key column"},
      {"unknown row state", "<z:row ID='7' editprop='A'/><z:row ID='1' editprop='X'/>", "editprop"},
      {"a value that is no number", "<z:row ID='7' editprop='A'/><z:row ID='x8' editprop='A'/>", "'x8'"},
      {"a duplicate key", "<z:row ID='7' editprop='A'/><z:row ID='1' editprop='A'/>", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    DomPtr head = RowsetDoc("<z:row ID='1' cCode='changed' editprop='M'/>");
    DomPtr body = RowsetDoc(c.rows);
    const Result<void> written =
        ds_->WriteRowsets({{"SO_Main", {"ID"}, head.get()}, {"SO_Main", {"ID"}, body.get()}});
    EXPECT_FALSE(written.ok());
    EXPECT_NE(ErrorText(written).find(c.reason), std::string::npos) << ErrorText(written);
    auto rs = Query("select cCode, (select count(*) from SO_Main) as n from SO_Main where ID = 1");
    EXPECT_EQ(rs->Value("cCode"), Variant("SO-1"));
    EXPECT_EQ(CStr(rs->Value("n")), "2");
  }
}

// A writer's view of SO_Main: the rows as it read them, and its edited copy.
struct Reading {
  DomPtr original, edited;
  RowsetWrite Write(RowsetWriteCounts* counts = nullptr) const {
    return {"SO_Main", {"ID"}, edited.get(), original.get(), counts};
  }
};

Reading Read(SqlDataSource& ds) {
  Result<RecordsetPtr> rs =
      ds.QuerySql("select ID, cCode, iRate, dDate, dMade, bClosed from SO_Main order by ID", {});
  EXPECT_OK(rs);
  Reading r{RecordsetToRowset(**rs), nullptr};
  r.edited = xml::Clone(*r.original);
  return r;
}

void SetAttribute(pugi::xml_node row, const char* name, const char* value) {
  pugi::xml_attribute a = row.attribute(name);
  if (!a) a = row.append_attribute(name);
  a = value;
}

// Sets a column of the row with that ID (null value: Null) and marks the row "M".
void Set(Reading& r, const char* id, const char* column, const char* value) {
  for (pugi::xml_node row : r.edited->document_element().child("rs:data").children("z:row")) {
    if (std::string_view(row.attribute("ID").value()) != id) continue;
    if (value)
      SetAttribute(row, column, value);
    else
      row.remove_attribute(column);
    SetAttribute(row, "editprop", "M");
    return;
  }
  ADD_FAILURE() << "no row " << id;
}

std::string Cell(SqlDataSource& ds, const std::string& column, int id) {
  Result<RecordsetPtr> result = ds.QuerySql("select " + column + " from SO_Main where ID = ?", {Variant(id)});
  EXPECT_OK(result);
  RecordsetPtr rs = result.value_or(nullptr);
  EXPECT_TRUE(rs && !rs->Eof());
  return rs && !rs->Eof() && !rs->Fields(0).Value().IsNull() ? CStr(rs->Fields(0).Value()) : "<null>";
}

TEST_P(DataSourceTest, ConcurrentWritersOfDifferentColumnsBothLand) {
  Reading a = Read(*ds_), b = Read(*ds_);
  Set(a, "1", "cCode", "by a");
  Set(b, "1", "iRate", "0.25");
  Set(b, "2", "dDate", "2026-12-24");  // was Null
  ASSERT_OK(ds_->WriteRowsets({a.Write()}));
  ASSERT_OK(ds_->WriteRowsets({b.Write()}));
  EXPECT_EQ(Cell(*ds_, "cCode", 1), "by a");
  EXPECT_EQ(Cell(*ds_, "iRate", 1), "0.25");
  EXPECT_EQ(Cell(*ds_, "dDate", 2).substr(0, 10), "2026-12-24");
}

TEST_P(DataSourceTest, ASecondWriterOfTheSameColumnFailsAndWritesNothing) {
  struct Case {
    const char* name;
    const char* id;
    const char* column;
    const char* first;
    const char* second;
  };
  static constexpr Case kCases[] = {
      {"text", "1", "cCode", "by a", "by b"},
      {"number read as Null", "2", "iRate", "1.5", "2.5"},
      {"date", "1", "dDate", "2026-12-24", "2026-12-31"},
      {"set to Null", "1", "cCode", nullptr, "by b"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Reading a = Read(*ds_), b = Read(*ds_);
    Set(a, c.id, c.column, c.first);
    Set(b, c.id, c.column, c.second);
    // b's other edit, in a table written before the failing one, is undone too.
    Reading other = Read(*ds_);
    Set(other, "2", "cCode", "by b too");
    ASSERT_OK(ds_->WriteRowsets({a.Write()}));
    const std::string after_a = Cell(*ds_, c.column, std::stoi(c.id));
    const std::string row2_after_a = Cell(*ds_, "cCode", 2);
    const Result<void> written = ds_->WriteRowsets({other.Write(), b.Write()});
    EXPECT_FALSE(written.ok());
    EXPECT_NE(ErrorText(written).find("changed by another user"), std::string::npos)
        << ErrorText(written);
    EXPECT_EQ(Cell(*ds_, c.column, std::stoi(c.id)), after_a);
    EXPECT_EQ(Cell(*ds_, "cCode", 2), row2_after_a);
  }
}

TEST_P(DataSourceTest, OnlyRowsWithChangedValuesAreWritten) {
  Exec("BEGIN");
  for (int id = 100; id < 400; ++id) Exec("insert into SO_Main (ID, iRate) values (?, 1.5)", {Variant(id)});
  Exec("COMMIT");
  Reading r = Read(*ds_);
  // Every row marked "M", most of them with a number only written another way.
  for (pugi::xml_node row : r.edited->document_element().child("rs:data").children("z:row")) {
    if (row.attribute("iRate").as_double() == 1.5) SetAttribute(row, "iRate", "1.50");
    SetAttribute(row, "editprop", "M");
  }
  Set(r, "150", "cCode", "edited");
  // Someone else's edit of a row this writer did not change must survive.
  Exec("update SO_Main set cCode = 'theirs' where ID = 200");
  RowsetWriteCounts counts;
  ASSERT_OK(ds_->WriteRowsets({r.Write(&counts)}));
  EXPECT_EQ(counts.updated, 1);
  EXPECT_EQ(counts.unchanged, 301);
  EXPECT_EQ(Cell(*ds_, "cCode", 150), "edited");
  EXPECT_EQ(Cell(*ds_, "cCode", 200), "theirs");
}

TEST_P(DataSourceTest, ARowIsMatchedByTheKeyItWasReadWith) {
  struct Case {
    const char* name;
    const char* new_key;
    const char* reason;
  };
  static constexpr Case kCases[] = {
      {"the key of another row", "2", "same key"},
      {"a key that was not read", "5", "cannot change"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Reading r = Read(*ds_);
    Set(r, "1", "cCode", "copied");
    r.edited->document_element().child("rs:data").first_child().attribute("ID") = c.new_key;
    const Result<void> written = ds_->WriteRowsets({r.Write()});
    EXPECT_FALSE(written.ok());
    EXPECT_NE(ErrorText(written).find(c.reason), std::string::npos) << ErrorText(written);
    EXPECT_EQ(Cell(*ds_, "cCode", 1), "SO-1");
    EXPECT_EQ(Cell(*ds_, "cCode", 2), "O'Neil & Co");
  }
}

TEST_P(DataSourceTest, AWriterWaitsForAnotherWritersTransaction) {
  std::shared_ptr<SqlDataSourceImpl> other =
      GetParam() == "sqlite"
          ? datasource::OpenSqlite(dir_ / "test.db", false, {})
          : datasource::OpenPostgres(std::string(PgConninfo()) + " dbname=" + pg_db_, false, {});
  Exec(*other, GetParam() == "sqlite" ? "BEGIN IMMEDIATE" : "BEGIN");
  Exec(*other, "update SO_Main set cCode = 'theirs' where ID = 1");
  std::thread commit([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Exec(*other, "COMMIT");
  });
  Reading r = Read(*ds_);
  Set(r, "1", "iRate", "0.5");
  const Result<void> written = ds_->WriteRowsets({r.Write()});
  commit.join();
  EXPECT_OK(written);
  EXPECT_EQ(Cell(*ds_, "iRate", 1), "0.5");
  EXPECT_EQ(Cell(*ds_, "cCode", 1), "theirs");
}

TEST_P(DataSourceTest, RowsetRoundTripKeepsQueriedValuesAndNulls) {
  RecordsetPtr rs = Query("select ID, cCode, iRate, dDate, dMade, bClosed from SO_Main order by ID");
  RecordsetPtr back = RowsetToRecordset(*RecordsetToRowset(*rs)).value();
  ASSERT_EQ(back->FieldCount(), rs->FieldCount());
  for (int i = 0; i < rs->FieldCount(); ++i) EXPECT_EQ(back->FieldType(i), rs->FieldType(i)) << i;
  EXPECT_EQ(back->Rows(), rs->Rows());
}

// The names of a result's columns, in order.
std::vector<std::string> Names(Recordset& rs) {
  std::vector<std::string> out;
  for (std::int32_t i = 0; i < rs.FieldCount(); ++i) out.push_back(rs.Fields(i).Name());
  return out;
}

// As SQLite names them: a table's column as declared, a column of a subquery
// in FROM as the subquery writes it (see RunsTheServiceQueriesAsTheyStand).
TEST_P(DataSourceTest, ColumnNamesComeBackAsDeclared) {
  EXPECT_EQ(Names(*Query("select * from SO_Main")),
            (std::vector<std::string>{"ID", "cCode", "iRate", "dDate", "dMade", "bClosed"}));
  EXPECT_EQ(Names(*Query("select m.* from SO_Main m where m.ID = 1")),
            (std::vector<std::string>{"ID", "cCode", "iRate", "dDate", "dMade", "bClosed"}));
  EXPECT_EQ(Names(*Query("select ccode, IRATE as Rate, id from SO_Main")),
            (std::vector<std::string>{"cCode", "Rate", "ID"}));
  // A schema table: vt_id is declared in lower case there, VT_ID elsewhere.
  EXPECT_EQ(Names(*Query("select * from vouchertemplates_lang")),
            (std::vector<std::string>{"vt_cardnumber", "vt_id", "localeid", "vt_name", "vt_RowLayoutXML"}));

  // A table the host makes later, with defaults, comments and constraints in
  // the way, then altered.
  Exec("CREATE TABLE Host_Notes (NoteID INTEGER NOT NULL, cNote VARCHAR(20) DEFAULT 'a, (b)' -- x, yZ\n"
       ", dWhen DATE, \"Quoted Name\" TEXT, CONSTRAINT pk_Notes PRIMARY KEY (NoteID), CHECK (NoteID > 0))");
  Exec("ALTER TABLE Host_Notes ADD COLUMN iCount INTEGER");
  Exec("ALTER TABLE Host_Notes ADD fPrice DOUBLE PRECISION");
  Exec("insert into Host_Notes (NoteID, cNote, iCount, fPrice) values (1, 'n', 2, 1.5)");
  auto notes = Query("select * from Host_Notes");
  EXPECT_EQ(Names(*notes),
            (std::vector<std::string>{"NoteID", "cNote", "dWhen", "Quoted Name", "iCount", "fPrice"}));
  EXPECT_EQ(notes->Value("cNote"), Variant("n"));
  Exec("ALTER TABLE Host_Notes RENAME COLUMN icount TO nItemCount");
  EXPECT_EQ(Names(*Query("select * from Host_Notes")),
            (std::vector<std::string>{"NoteID", "cNote", "dWhen", "Quoted Name", "nItemCount", "fPrice"}));

  // Made again with other names: the old spelling is gone.
  Exec("DROP TABLE Host_Notes");
  Exec("CREATE TABLE Host_Notes (noteid INTEGER, CNOTE TEXT)");
  EXPECT_EQ(Names(*Query("select * from Host_Notes")), (std::vector<std::string>{"noteid", "CNOTE"}));
}

// Recording names inside a transaction the host then rolls back must not
// break the host's next transaction.
TEST_P(DataSourceTest, ARolledBackTableLeavesTheNextTransactionWhole) {
  if (GetParam() == "postgresql") Exec("DROP SCHEMA cavra_meta CASCADE");  // as in an older database
  Exec("BEGIN");
  Exec("CREATE TABLE Host_Gone (cA INTEGER)");
  Exec("ROLLBACK");
  Exec("BEGIN");
  Query("select * from SO_Main");
  Exec("insert into SO_Main (ID, cCode) values (3, 'kept')");
  Exec("COMMIT");
  EXPECT_EQ(Query("select cCode from SO_Main where ID = 3")->Value("cCode"), Variant("kept"));
}

// A row read with "*" and written back: every column must find its column
// (a name in the wrong case left the edit behind and still counted the row).
TEST_P(DataSourceTest, ARowReadWithEveryColumnIsWrittenBackWithTheEdit) {
  RecordsetPtr rs = Query("select * from SO_Main where ID = 1");
  DomPtr doc = RecordsetToRowset(*rs);
  pugi::xml_node row = doc->document_element().child("rs:data").child("z:row");
  ASSERT_TRUE(row.attribute("cCode")) << "no attribute cCode";
  row.attribute("cCode") = "SO-1 edited";
  row.attribute("iRate") = "0.09";
  row.append_attribute("editprop") = "M";
  ASSERT_OK(ds_->WriteRowset("SO_Main", {"ID"}, *doc));
  auto back = Query("select cCode, iRate from SO_Main where ID = 1");
  EXPECT_EQ(back->Value("cCode"), Variant("SO-1 edited"));
  EXPECT_EQ(back->Value("iRate"), Variant(0.09));

  row.attribute("ID") = "42";  // no such row
  const Result<void> written = ds_->WriteRowset("SO_Main", {"ID"}, *doc);
  EXPECT_FALSE(written.ok());
  EXPECT_NE(ErrorText(written).find("no row has its key"), std::string::npos) << ErrorText(written);
}

INSTANTIATE_TEST_SUITE_P(Backends, DataSourceTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& param_info) { return param_info.param; });

}  // namespace
}  // namespace cavra
