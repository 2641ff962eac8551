// IM contacts and the voucher summary against a data source that answers
// only the exact SQL texts a test expects and records every text it gets.
#include "business/im_contacts.h"

#include <gtest/gtest.h>

#include <map>

#include "business/voucher_summary.h"
#include "core/trace_log.h"
#include "fakes/fakes.h"
#include "fakes/hostile_values.h"
#include "fakes/scratch.h"
#include "fakes/trace_log_on.h"
#include "fakes/template_xml.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

using testing::MakeRecordset;

const std::string kJointColumns =
    "select JQ.JointQuery_ID,JQ.[SourceID],JQ.TargetID,JQC.SourceField1,JQC.SourceField2,"
    "JQ.QueryConditionExpression, JQ.VoucherFields  from  tolmmeta_001..Cavra_JointQuery as JQ inner join "
    "tolmmeta_001..Cavra_JointQuery_Condition as JQC on JQ.JointQuery_ID = JQC.JointQuery_ID  where "
    "JQ.SourceID='17'  and JQC.SourceField1='";

std::string JointQuery(const std::string& field) { return kJointColumns + field + "' and JQ.JointType = 0 "; }

using testing::Doubled;

RecordsetPtr JointRows(std::vector<std::vector<Variant>> rows) {
  return MakeRecordset({"JointQuery_ID", "SourceID", "TargetID", "SourceField1", "SourceField2",
                        "QueryConditionExpression", "VoucherFields"},
                       std::move(rows));
}

// One joint-query row for field F without a condition.
RecordsetPtr OneJoint(const std::string& field, const std::string& target, const Variant& key = Variant("")) {
  return JointRows({{Variant("JQ1"), Variant("17"), Variant(target), Variant(field), key, Variant(""),
                     Variant("")}});
}

// Two customer rows for cCusCode, both with this condition over these fields.
RecordsetPtr TwoConditional(const std::string& condition, const std::string& fields) {
  const std::vector<Variant> r{Variant("A"), Variant("17"), Variant("customer"), Variant("cCusCode"),
                               Variant(""), Variant(condition), Variant(fields)};
  return JointRows({r, r});
}

RecordsetPtr User(const Variant& id) { return MakeRecordset({"cUser_Id"}, {{id}}); }

struct Target {
  const char* target;
  const char* lookup;
  const char* query;  // up to the archive code's literal
  bool info_log;
};

// The lookups' texts, as they must reach the data source.
const Target kTargets[] = {
    {"hr_hi_person", "GetHRPersonInfo",
     "SELECT top 1 p.cPsn_Num ,p.cPsn_Name ,u.cUser_Id,u.cUser_Name,p.cPsnEmail,p.cPsnMobilePhone FROM "
     "hr_hi_person p left join (select b.cPsn_Num,a.cUser_Id,a.cUser_Name from UA_User a, "
     "UserHRPersonContro b where a.cUser_Id = b.cUser_Id) u on u.cPsn_Num = p.cPsn_Num  where p.cPsn_Num=N'",
     false},
    {"vendor", "GetIMVendorInfo",
     "select top 1 a.cVenCode,a.cVenName,a.cVenAbbName,a.cVenPerson,a.cVenEmail,a.cVenPhone,b.cPersonCode "
     ",b.cPersonName,c.cUser_Id from  vendor a left join Person b on a.cVenPerson =b.cPersonName left join "
     "UserHrPersonContro c on b.cPersonCode =c.cPsn_Num  where a.cVenCode=N'",
     false},
    {"department", "GetIMDepartmentInfo",
     "select top 1 a.cDepCode ,a.cDepName ,a.cDepPhone ,a.cDepEmail ,a.cDepType,b.cPsn_Num as cPersonCode "
     ",b.cPsn_Name as cPersonName,c.cUser_Id   from  Department a  left join  Hr_hi_person b on b.cPsn_Num "
     "=a.cDepPerson  left join UserHrPersonContro c on b.cPsn_Num =c.cPsn_Num where  a.cDepCode =N'",
     true},
    {"customer", "GetIMCustomerInfo",
     "select top 1 a.cCusCode,a.cCusName ,a.cCusPhone,a.cCusEmail,b.cPersonCode ,b.cPersonName "
     ",a.cCusAbbName,c.cUser_Id  from  Customer a left join  Person b on a.cCusPerson =b.cPersonName  left "
     "join UserHrPersonContro c on b.cPersonCode =c.cPsn_Num  where a.cCusCode =N'",
     true},
    {"person", "GetIMPersonInfo",
     "select top 1 a.cPersonCode,a.cPersonName ,a.cPersonEmail ,a.cPersonPhone,b.cUser_Id  from  Person a  "
     "left join UserHrPersonContro b on a.cPersonCode =b.cPsn_Num  where a.cPersonCode =N'",
     true},
    {"ua_user", "GetIMUAUserInfo",
     "select top 1 cUser_Id,cUser_Name ,cUserEmail ,cUserHand  from  TolmSystem..UA_User where "
     "cUser_Name =N'",
     true},
};

std::string LookupSql(const char* target, const std::string& code) {
  for (const Target& t : kTargets)
    if (std::string(t.target) == target) return t.query + Doubled(code) + "'";
  return "?";
}

const char* kTwoImFields =
    "<item cardsection='T' fieldname='cCusCode' carditemname='客户编码' imfld='1' showit='1'/>"
    "<item cardsection='T' fieldname='cPersonCode' carditemname='业务员' cardformula1='销售员' imfld='2' "
    "showit='1'/>"
    "<item cardsection='T' fieldname='cDepCode' carditemname=' 部门 ' showit='1'/>"
    "<item cardsection='T' fieldname='cBusType' carditemname='类型' showit='1'/>";

class IMContactsTest : public ::testing::Test {
 public:  // the failure cases arrange the fixture from outside
  void SetUp() override {
    ds_->strict_sql = true;
    ctx_.SetDataSource(ds_);
    ctx_.SetLogin(login_);
    ctx_.AddSink(sink_);
    Load(kTwoImFields);
    header_ = {{"cCusCode", "C001"}, {"cPersonCode", "P0012"}, {"cDepCode", "0301"}, {"cBusType", "01"}};
  }

  // A new strict data source: the answers of earlier steps are gone.
  void Reset() {
    ds_ = std::make_shared<testing::FakeDataSource>();
    ds_->strict_sql = true;
    ctx_.SetDataSource(ds_);
  }
  void Load(const std::string& items) {
    model_.setTemplateData(testing::TemplateRecordset(items));
    ASSERT_TRUE(sink_->errors.empty()) << sink_->errors.front().second;
  }
  VoucherHeader Header() {
    auto read = [this](const std::string& f) {
      read_.push_back(f);
      auto it = header_.find(f);
      return it == header_.end() ? Variant() : Variant(it->second);
    };
    return {read, read, [] { return std::string(); }};
  }
  std::string Users() { return IMContacts(ctx_, model_, Header()).GetAllIMUsers(); }
  IMContacts::Contact Query(const std::string& field) {
    return IMContacts(ctx_, model_, Header()).GetIMMsgQuery(field);
  }
  std::string Log() const { return trace_.Text(); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  testing::TraceLogOn trace_;
  std::shared_ptr<testing::FakeDataSource> ds_ = std::make_shared<testing::FakeDataSource>();
  std::shared_ptr<testing::FakeLogin> login_ = std::make_shared<testing::FakeLogin>();
  std::shared_ptr<testing::RecordingSink> sink_ = std::make_shared<testing::RecordingSink>();
  ServiceContext ctx_;
  FieldRights rights_;
  TemplateModel model_{ctx_, rights_, nullptr};
  std::map<std::string, std::string> header_;
  std::vector<std::string> read_;  // header fields read, in order
};

TEST_F(IMContactsTest, EachTargetRunsItsLookupTextAndGivesTheLinkedUser) {
  Load("<item cardsection='T' fieldname='cCusCode' carditemname='客户编码' imfld='1' showit='1'/>");
  for (const Target& t : kTargets) {
    SCOPED_TRACE(t.target);
    Reset();
    // The target is matched without regard to case.
    ds_->ExpectSql(JointQuery("cCusCode"), OneJoint("cCusCode", vb::UCase(t.target)));
    ds_->ExpectSql(LookupSql(t.target, "C001"), User(Variant("u7")));
    EXPECT_EQ(Users(), "<ToUsers><UserID Description='客户编码'>u7</UserID></ToUsers>");
    EXPECT_EQ(ds_->unexpected_sql, std::vector<std::string>{});
    EXPECT_EQ(ds_->queries.size(), 2u);
    const std::string info =
        std::string("此处不是错误~！") + t.lookup + "：--strSql：" + LookupSql(t.target, "C001");
    EXPECT_EQ(Logged(info), t.info_log);
  }
  EXPECT_TRUE(Logged("<ToUsers><UserID Description='客户编码'>u7</UserID></ToUsers>---UTU--GETAllIMUsers--"));
  EXPECT_TRUE(Logged("IM发消息--取得的用户描述--客户编码"));
}

TEST_F(IMContactsTest, FieldsResolveInListOrderDescribedByTheirArchiveKey) {
  ds_->ExpectSql(JointQuery("cCusCode"), OneJoint("cCusCode", "customer", Variant::Null()));
  ds_->ExpectSql(LookupSql("customer", "C001"), User(Variant("u<1>&'\"")));
  // The person field is looked up by the department code and described by that field.
  ds_->ExpectSql(JointQuery("cPersonCode"), OneJoint("cPersonCode", "department", Variant("cDepCode")));
  ds_->ExpectSql(LookupSql("department", "0301"), User(Variant("u4")));
  EXPECT_EQ(Users(),
            "<ToUsers><UserID Description='客户编码'>u&lt;1&gt;&amp;&apos;\"</UserID>"
            "<UserID Description=' 部门 '>u4</UserID></ToUsers>");
  EXPECT_EQ(ds_->unexpected_sql, std::vector<std::string>{});

  // A blank archive key is the IM field itself; its formula caption wins over its name.
  Reset();
  ds_->ExpectSql(JointQuery("cPersonCode"), OneJoint("cPersonCode", "person", Variant("  ")));
  ds_->ExpectSql(LookupSql("person", "P0012"), User(Variant("u2")));
  const IMContacts::Contact c = Query("cPersonCode");
  EXPECT_EQ(c.userId, "u2");
  EXPECT_EQ(c.description, "销售员");
  EXPECT_EQ(ds_->unexpected_sql, std::vector<std::string>{});
}

TEST_F(IMContactsTest, NoImFieldsGiveAnEmptyList) {
  Load("<item cardsection='T' fieldname='cCusCode' showit='1'/>");
  EXPECT_EQ(Users(), "<ToUsers></ToUsers>");
  EXPECT_TRUE(ds_->queries.empty());
  // A name that splits into more than two parts at "*" is not looked up.
  Load("<item cardsection='T' fieldname='c*x' imfld='1' showit='1'/>");
  EXPECT_EQ(Users(), "<ToUsers></ToUsers>");
  EXPECT_TRUE(ds_->queries.empty());
  model_.Release();
  EXPECT_EQ(Users(), "<ToUsers></ToUsers>");
}

TEST_F(IMContactsTest, TheRowWhoseConditionHoldsWinsAndRowsWithoutFieldsAreNeverTried) {
  const auto row = [](const char* id, const char* target, const char* condition, const char* fields) {
    return std::vector<Variant>{Variant(id), Variant("17"), Variant(target), Variant("cPersonCode"),
                                Variant(""), Variant(condition), Variant(fields)};
  };
  // The first row would hold, but names no fields; the second does not hold;
  // the third holds. A data rule of one field has no comma.
  ds_->ExpectSql(JointQuery("cPersonCode"),
                 JointRows({row("A", "vendor", "1=1", ""),
                            row("B", "hr_hi_person", "[cBusType] = N'02'", "cBusType"),
                            row("C", "person", "[cBusType] = N'01' and [cDepCode]<>N''", "cBusType,cDepCode"),
                            row("D", "customer", "1=1", "cBusType")}));
  ds_->ExpectSql(" if (   N'01' = N'02' ) select 1 else select 0", MakeRecordset({"x"}, {{Variant(0)}}));
  ds_->ExpectSql(" if (   N'01' = N'01' and N'0301'<>N'' ) select 1 else select 0",
                 MakeRecordset({"x"}, {{Variant(1)}}));
  ds_->ExpectSql(LookupSql("person", "P0012"), User(Variant("u2")));
  EXPECT_EQ(Query("cPersonCode").userId, "u2");
  EXPECT_EQ(ds_->unexpected_sql, std::vector<std::string>{});
  EXPECT_EQ(ds_->queries.size(), 4u);  // joint, two conditions, the lookup

  // A single row is taken as it is: its condition is not asked.
  Reset();
  ds_->ExpectSql(JointQuery("cPersonCode"),
                 JointRows({row("B", "person", "[cBusType] = N'02'", "cBusType")}));
  ds_->ExpectSql(LookupSql("person", "P0012"), User(Variant("u2")));
  EXPECT_EQ(Query("cPersonCode").userId, "u2");
  EXPECT_EQ(ds_->unexpected_sql, std::vector<std::string>{});
}

// Every way a lookup can fail leaves that field without a user, writes the
// line saying why, and lets the next field resolve.
TEST_F(IMContactsTest, AFailingFieldIsLoggedAndSkipped) {
  struct Case {
    const char* name;
    std::function<void(IMContactsTest&)> arrange;
    std::string log;
  };
  const std::string no_row_log =
      " ModuleName:ctlVoucher,Function:GetIMMsgQuery,ErrDescription:IM消息--ShowIMQuery-- "
      "strQueryID is null or strTargetID is Null or sArchiveKey is Null";
  const std::vector<Case> cases = {
      {"joint query fails",
       [](IMContactsTest& t) { t.ds_->ExpectSql(JointQuery("cCusCode"), nullptr); },
       "ModuleName:ctlVoucher,Function:GetIMMsgQuery,ErrDescription:未执行成功SQL，SQL:" + JointQuery("cCusCode") +
           ",错误信息："},
      {"no joint row", [](IMContactsTest& t) { t.ds_->ExpectSql(JointQuery("cCusCode"), JointRows({})); },
       no_row_log},
      {"no target",
       [](IMContactsTest& t) { t.ds_->ExpectSql(JointQuery("cCusCode"), OneJoint("cCusCode", "")); },
       no_row_log},
      {"no condition holds",
       [](IMContactsTest& t) {
         t.ds_->ExpectSql(JointQuery("cCusCode"), TwoConditional("[cBusType]=N'9'", "cBusType"));
         t.ds_->ExpectSql(" if (   N'01'=N'9' ) select 1 else select 0",
                          MakeRecordset({"x"}, {{Variant("0")}}));
       },
       no_row_log},
      {"condition does not evaluate",
       [](IMContactsTest& t) {
         t.ds_->ExpectSql(JointQuery("cCusCode"), TwoConditional("[cBusType] ==", "cBusType"));
       },
       "ModuleName:ctlVoucher,Function:GetIMMsgQuery,ErrDescription: condition not evaluated: unexpected "
       "SQLErrNumber:91"},
      {"condition gives no row",
       [](IMContactsTest& t) {
         t.ds_->ExpectSql(JointQuery("cCusCode"), TwoConditional("[cBusType]=N'9'", "cBusType"));
         t.ds_->ExpectSql(" if (   N'01'=N'9' ) select 1 else select 0", MakeRecordset({"x"}, {}));
       },
       "ErrNumber:3021"},
      {"archive code empty",
       [](IMContactsTest& t) {
         t.header_.erase("cCusCode");
         t.ds_->ExpectSql(JointQuery("cCusCode"), OneJoint("cCusCode", "customer"));
       },
       " ModuleName:ctlVoucher,Function:GetIMMsgQuery,ErrDescription:IM消息--字段 cCusCode "
       "在headdom里面没有取到值，估计是大小写拼写错误，请业务组人员检查"},
      {"lookup fails",
       [](IMContactsTest& t) {
         t.ds_->ExpectSql(JointQuery("cCusCode"), OneJoint("cCusCode", "customer"));
         t.ds_->ExpectSql(LookupSql("customer", "C001"), nullptr);
       },
       "ModuleName:ctlVoucher,Function:GetIMCustomerInfo,ErrDescription:未执行成功SQL，SQL:" +
           LookupSql("customer", "C001") + ","},
      {"lookup finds no row",
       [](IMContactsTest& t) {
         t.ds_->ExpectSql(JointQuery("cCusCode"), OneJoint("cCusCode", "customer"));
         t.ds_->ExpectSql(LookupSql("customer", "C001"), MakeRecordset({"cUser_Id"}, {}));
       },
       "ModuleName:ctlVoucher,Function:GetIMMsgQuery,ErrDescription: "},
      {"customer without a system user",
       [](IMContactsTest& t) {
         t.ds_->ExpectSql(JointQuery("cCusCode"), OneJoint("cCusCode", "customer"));
         t.ds_->ExpectSql(LookupSql("customer", "C001"), User(Variant::Null()));
       },
       "IM发消息--取得的用户描述--客户编码"},
      {"unknown target",
       [](IMContactsTest& t) { t.ds_->ExpectSql(JointQuery("cCusCode"), OneJoint("cCusCode", "warehouse")); },
       "IM发消息--取得的用户描述--客户编码"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    header_["cCusCode"] = "C001";
    testing::WriteFile(trace_.dir / std::string(kTraceLogFile), "");
    c.arrange(*this);
    ds_->ExpectSql(JointQuery("cPersonCode"), OneJoint("cPersonCode", "person"));
    ds_->ExpectSql(LookupSql("person", "P0012"), User(Variant("u2")));
    EXPECT_EQ(Users(), "<ToUsers><UserID Description='销售员'>u2</UserID></ToUsers>");
    EXPECT_TRUE(Logged(c.log)) << Log();
    // Nothing but the expected texts was sent (the failing condition aside).
    const std::size_t unexpected = std::string(c.name) == "condition does not evaluate" ? 1 : 0;
    EXPECT_EQ(ds_->unexpected_sql.size(), unexpected);
  }
}

TEST_F(IMContactsTest, ALoginWithoutAnAccountSendsNothing) {
  login_->acc_id = "";
  EXPECT_EQ(Users(), "<ToUsers></ToUsers>");
  EXPECT_TRUE(ds_->queries.empty());
  EXPECT_TRUE(Logged("ModuleName:ctlVoucher,Function:GetIMMsgQuery,ErrDescription:未取得Login中的帐套号信息"));
  ctx_.SetLogin(nullptr);
  EXPECT_EQ(Users(), "<ToUsers></ToUsers>");
  EXPECT_TRUE(ds_->queries.empty());

  // An account is part of a database name: one that is not a plain name never reaches SQL.
  ctx_.SetLogin(login_);
  login_->acc_id = "001..x; drop table Customer --";
  EXPECT_EQ(Users(), "<ToUsers></ToUsers>");
  EXPECT_TRUE(ds_->queries.empty());
  EXPECT_TRUE(Logged("ErrNumber:5"));
  EXPECT_TRUE(sink_->errors.empty());
}

// Header values reach SQL only inside literals they cannot end, whatever they hold.
TEST_F(IMContactsTest, HostileHeaderValuesStayInsideTheirLiterals) {
  for (const auto& [name, value] : testing::HostileValues()) {
    SCOPED_TRACE(name);
    Reset();
    header_["cCusCode"] = value;
    header_["cBusType"] = value;
    ds_->ExpectSql(JointQuery("cCusCode"), TwoConditional("[cBusType] <> N''", "cBusType"));
    ds_->ExpectSql(" if (   N'" + Doubled(value) + "' <> N'' ) select 1 else select 0",
                   MakeRecordset({"x"}, {{Variant(1)}}));
    ds_->ExpectSql(LookupSql("customer", value), User(Variant("u1")));
    EXPECT_EQ(Query("cCusCode").userId, "u1");
    EXPECT_EQ(ds_->unexpected_sql, std::vector<std::string>{});
  }

  // A value holding another field's "[name]" is not substituted again.
  Reset();
  header_["cBusType"] = "[cDepCode]";
  header_["cDepCode"] = "x' or 1=1 --";
  ds_->ExpectSql(JointQuery("cCusCode"),
                 TwoConditional("[cBusType] = N'a' or [cDepCode] = N'b'", "cBusType,cDepCode"));
  ds_->ExpectSql(" if (   N'[cDepCode]' = N'a' or N'x'' or 1=1 --' = N'b' ) select 1 else select 0",
                 MakeRecordset({"x"}, {{Variant(0)}}));
  header_["cCusCode"] = "C001";
  EXPECT_EQ(Query("cCusCode").userId, "");
  EXPECT_EQ(ds_->unexpected_sql, std::vector<std::string>{});

  // A value no literal can carry runs no lookup.
  Reset();
  header_["cCusCode"] = testing::ValueWithNul();
  ds_->ExpectSql(JointQuery("cCusCode"), OneJoint("cCusCode", "customer"));
  EXPECT_EQ(Query("cCusCode").userId, "");
  EXPECT_EQ(ds_->queries.size(), 1u);
}

// ---------------------------------------------------------------- summary

class VoucherSummaryTest : public IMContactsTest {
 protected:
  std::string Summary() { return VoucherSummary(model_, Header()).GetVoucherSummaryInfo(); }
};

TEST_F(VoucherSummaryTest, ListsTheFirstFiveShownHeaderFields) {
  Load("<item cardsection='B' fieldname='iQuantity' carditemname='数量' showit='1'/>"
       "<item cardsection='T' fieldname='ID' carditemname='主键' showit='0'/>"
       "<item cardsection='T' fieldname='cSOCode' carditemname='订单号' cardformula1='  单号 ' showit='1'/>"
       "<item cardsection='T' fieldname='cMemo' carditemname=' 备注 ' cardformula1='  ' showit='1'/>"
       "<item cardsection='T' fieldname='cCusName' carditemname='客户&amp;名称' showit='1'/>"
       "<item cardsection='T' fieldname='cHidden' carditemname='隐藏' showit='0'/>"
       "<item cardsection='T' fieldname='dDate' carditemname='日期' showit='1'/>"
       "<item cardsection='T' fieldname='cDepCode' carditemname='部门' showit='1'/>"
       "<item cardsection='T' fieldname='cPersonCode' carditemname='业务员' showit='1'/>"
       "<item cardsection='T' fieldname='cMaker' carditemname='制单人' showit='1'/>");
  header_ = {
      {"cSOCode", "SO1"}, {"cMemo", "a & b <c> 'd' \"e\""}, {"cCusName", "华东"}, {"dDate", "2026-12-01"}};
  EXPECT_EQ(Summary(),
            "<Summary><Field Name='cSOCode' DisplayName='单号' Value='SO1' />"
            "<Field Name='cMemo' DisplayName='备注' Value='a &amp; b &lt;c&gt; &apos;d&apos; \"e\"' />"
            "<Field Name='cCusName' DisplayName='客户&amp;名称' Value='华东' />"
            "<Field Name='dDate' DisplayName='日期' Value='2026-12-01' />"
            "<Field Name='cDepCode' DisplayName='部门' Value='' /></Summary>");
  EXPECT_EQ(read_, (std::vector<std::string>{"cSOCode", "cMemo", "cCusName", "dDate", "cDepCode"}));
  EXPECT_TRUE(Logged("IM开始取的摘要信息--"));
  EXPECT_TRUE(Logged("<Field Name='cDepCode' DisplayName='部门' Value='' /></Summary>IM结束取的摘要信息--"));

  model_.Release();
  EXPECT_EQ(Summary(), "<Summary></Summary>");
}

}  // namespace
}  // namespace cavra
