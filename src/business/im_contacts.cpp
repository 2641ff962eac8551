#include "business/im_contacts.h"

#include "cavra/sql_text.h"
#include "core/global_helpers.h"
#include "core/trace_log.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

constexpr const char* kModule = "ModuleName:ctlVoucher,Function:";

std::string Text(Recordset& rs, std::string_view column) { return Null2Str(rs.Value(column)); }

// A failed query: the data source gave no rows or said why not.
bool Failed(const RecordsetPtr& rs, const std::string& error) { return !rs || !error.empty(); }

}  // namespace

std::string IMContacts::GetAllIMUsers() {
  std::string result = "<ToUsers>";
  try {
    if (const auto& fields = model_.IMFields()) {
      for (const std::string& entry : *fields) {
        const std::vector<std::string> parts = vb::Split(entry, "*");
        if (parts.size() != 2) continue;
        const Contact contact = GetIMMsgQuery(parts[0]);
        if (vb::Trim(contact.userId).empty()) continue;
        result += "<UserID Description='" + XmlEncode(contact.description) + "'>" +
                  XmlEncode(contact.userId) + "</UserID>";
      }
    }
    result += "</ToUsers>";
    Trace(result, "---UTU--GETAllIMUsers--");
  } catch (...) {
    Trace(" ", kModule, "GetAllIMUsers,ErrDescription: ", CurrentErrorInfo().second);
  }
  return result;
}

IMContacts::Contact IMContacts::GetIMMsgQuery(const std::string& field) {
  const char* self = "GetIMMsgQuery";
  try {
    const LoginPtr& login = ctx_.LoginObject();
    const std::string account = login ? login->cAcc_Id() : std::string();
    if (account.empty()) {
      Trace(kModule, self, ",ErrDescription:未取得Login中的帐套号信息");
      return {};
    }
    // The account names a database: SqlName refuses one that is not a plain name.
    const std::string meta = "tolmmeta_" + account;
    const std::string query =
        "select JQ.JointQuery_ID,JQ.[SourceID],JQ.TargetID,JQC.SourceField1,JQC.SourceField2,"
        "JQ.QueryConditionExpression, JQ.VoucherFields  from  " +
        SqlName(meta + "..Cavra_JointQuery") + " as JQ inner join " +
        SqlName(meta + "..Cavra_JointQuery_Condition") +
        " as JQC on JQ.JointQuery_ID = JQC.JointQuery_ID  where JQ.SourceID=" +
        SqlLiteral(model_.Bill().sBillNo + header_.VoucherType()) + "  and JQC.SourceField1=" +
        SqlLiteral(field) + " and JQ.JointType = 0 ";
    std::string error;
    RecordsetPtr rs = ctx_.DataSource().GetRsBySql(query, error);
    if (Failed(rs, error)) {
      Trace(kModule, self, ",ErrDescription:未执行成功SQL，SQL:", query, ",错误信息：", error);
      return {};
    }

    bool chosen = rs->RecordCount() == 1 && !rs->Eof();
    for (; !chosen && !rs->Eof(); rs->MoveNext()) {
      const std::string fields = Text(*rs, "VoucherFields");
      if (fields.empty()) continue;
      chosen = ConditionHolds(Text(*rs, "QueryConditionExpression"), fields);
      if (chosen) break;
    }
    std::string query_id, target, key;
    if (chosen) {
      query_id = Text(*rs, "JointQuery_ID");
      target = Text(*rs, "TargetID");
      key = Text(*rs, "SourceField2");
    }
    if (query_id.empty() || target.empty()) {
      Trace(" ", kModule, self,
            ",ErrDescription:IM消息--ShowIMQuery-- strQueryID is null or strTargetID is Null or "
            "sArchiveKey is Null");
      return {};
    }

    if (vb::Trim(key).empty()) key = field;
    const std::string code = CStr(header_.headerText(key));
    Contact contact;
    if (const ItemPtr item = model_.ItemState(Variant(key), siHeader)) {
      contact.description =
          vb::Trim(item->sCardFormula1).empty() ? item->sCardItemName : item->sCardFormula1;
    }
    Trace("IM发消息--取得的用户描述--", contact.description);
    if (code.empty()) {
      Trace(" ", kModule, self, ",ErrDescription:IM消息--字段 ", field,
            " 在headdom里面没有取到值，估计是大小写拼写错误，请业务组人员检查");
      return {};
    }

    const std::string kind = vb::LCase(target);
    if (kind == "hr_hi_person") {
      contact.userId = GetHRPersonInfo("cPsn_Num", code);
    } else if (kind == "vendor") {
      contact.userId = GetIMVendorInfo("cVenCode", code);
    } else if (kind == "department") {
      contact.userId = GetIMDepartmentInfo("cDepCode", code);
    } else if (kind == "customer") {
      contact.userId = GetIMCustomerInfo("cCusCode", code);
    } else if (kind == "person") {
      contact.userId = GetIMPersonInfo("cPersonCode", code);
    } else if (kind == "ua_user") {
      contact.userId = GetIMUAUserInfo("cUser_Name", code);
    }
    return contact;
  } catch (...) {
    auto [number, description] = CurrentErrorInfo();
    Trace(kModule, self, ",ErrDescription: ", description, "ErrNumber:", std::to_string(number));
    return {};
  }
}

bool IMContacts::ConditionHolds(const std::string& expression, const std::string& voucherFields) {
  const std::string sql =
      " if (   " + BindCondition(expression, vb::Split(voucherFields, ",")) + " ) select 1 else select 0";
  std::string error;
  RecordsetPtr rs = ctx_.DataSource().GetRsBySql(sql, error);
  // A condition that does not evaluate ends the lookup (the caller logs it):
  // reading the answer of a failed statement is an error.
  if (Failed(rs, error)) throw VbError(err::kObjectNotSet, "condition not evaluated: " + error);
  const Variant& answer = rs->Fields(0).Value();  // error 3021 when there is no row
  return IsNumeric(answer) && CDbl(answer) == 1;
}

std::string IMContacts::BindCondition(const std::string& expression, const std::vector<std::string>& names) {
  std::string out;
  std::size_t at = 0;
  while (at < expression.size()) {
    // The earliest "[name]" of the list from here; the first listed wins a tie.
    std::size_t best = std::string::npos;
    const std::string* name_found = nullptr;
    for (const std::string& name : names) {
      const std::size_t p = expression.find("[" + name + "]", at);
      if (p < best) {
        best = p;
        name_found = &name;
      }
    }
    if (!name_found) break;
    out.append(expression, at, best - at);
    out += SqlNLiteral(CStr(header_.headerText(*name_found)));
    at = best + name_found->size() + 2;
  }
  if (at < expression.size()) out.append(expression, at, std::string::npos);
  return out;
}

std::string IMContacts::Lookup(const char* name, const char* head, const std::string& keyColumn,
                               const char* comparison, const std::string& code, bool infoLog) {
  const std::string query = head + keyColumn + comparison + SqlNLiteral(code);
  if (infoLog) Trace("此处不是错误~！", name, "：--strSql：", query);
  std::string error;
  RecordsetPtr rs = ctx_.DataSource().GetRsBySql(query, error);
  if (Failed(rs, error)) {
    Trace(kModule, name, ",ErrDescription:未执行成功SQL，SQL:", query, ",", error);
    return {};
  }
  // No row: error 3021, which the caller logs. A row without a linked user
  // (the left join's Null) gives no user.
  return Text(*rs, "cUser_Id");
}

std::string IMContacts::GetHRPersonInfo(const std::string& keyColumn, const std::string& code) {
  return Lookup("GetHRPersonInfo",
                "SELECT top 1 p.cPsn_Num ,p.cPsn_Name ,u.cUser_Id,u.cUser_Name,p.cPsnEmail,p.cPsnMobilePhone "
                "FROM hr_hi_person p left join (select b.cPsn_Num,a.cUser_Id,a.cUser_Name from UA_User a, "
                "UserHRPersonContro b where a.cUser_Id = b.cUser_Id) u on u.cPsn_Num = p.cPsn_Num  where p.",
                keyColumn, "=", code, false);
}

std::string IMContacts::GetIMVendorInfo(const std::string& keyColumn, const std::string& code) {
  return Lookup("GetIMVendorInfo",
                "select top 1 a.cVenCode,a.cVenName,a.cVenAbbName,a.cVenPerson,a.cVenEmail,a.cVenPhone,"
                "b.cPersonCode ,b.cPersonName,c.cUser_Id from  vendor a left join Person b on a.cVenPerson "
                "=b.cPersonName left join UserHrPersonContro c on b.cPersonCode =c.cPsn_Num  where a.",
                keyColumn, "=", code, false);
}

std::string IMContacts::GetIMDepartmentInfo(const std::string& keyColumn, const std::string& code) {
  return Lookup("GetIMDepartmentInfo",
                "select top 1 a.cDepCode ,a.cDepName ,a.cDepPhone ,a.cDepEmail ,a.cDepType,b.cPsn_Num as "
                "cPersonCode ,b.cPsn_Name as cPersonName,c.cUser_Id   from  Department a  left join  "
                "Hr_hi_person b on b.cPsn_Num =a.cDepPerson  left join UserHrPersonContro c on b.cPsn_Num "
                "=c.cPsn_Num where  a.",
                keyColumn, " =", code, true);
}

std::string IMContacts::GetIMCustomerInfo(const std::string& keyColumn, const std::string& code) {
  return Lookup("GetIMCustomerInfo",
                "select top 1 a.cCusCode,a.cCusName ,a.cCusPhone,a.cCusEmail,b.cPersonCode ,b.cPersonName "
                ",a.cCusAbbName,c.cUser_Id  from  Customer a left join  Person b on a.cCusPerson "
                "=b.cPersonName  left join UserHrPersonContro c on b.cPersonCode =c.cPsn_Num  where a.",
                keyColumn, " =", code, true);
}

std::string IMContacts::GetIMPersonInfo(const std::string& keyColumn, const std::string& code) {
  return Lookup("GetIMPersonInfo",
                "select top 1 a.cPersonCode,a.cPersonName ,a.cPersonEmail ,a.cPersonPhone,b.cUser_Id  from  "
                "Person a  left join UserHrPersonContro b on a.cPersonCode =b.cPsn_Num  where a.",
                keyColumn, " =", code, true);
}

std::string IMContacts::GetIMUAUserInfo(const std::string& keyColumn, const std::string& code) {
  return Lookup("GetIMUAUserInfo",
                "select top 1 cUser_Id,cUser_Name ,cUserEmail ,cUserHand  from  TolmSystem..UA_User where ",
                keyColumn, " =", code, true);
}

}  // namespace cavra
