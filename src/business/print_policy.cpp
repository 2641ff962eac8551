#include "business/print_policy.h"

#include "cavra/error.h"
#include "cavra/sql_text.h"

namespace cavra {
namespace {

RecordsetPtr Run(IDataSource& source, const std::string& sql) {
  std::string err;
  RecordsetPtr rs = source.GetRsBySql(sql, err);
  if (!rs && !err.empty()) throw VbError(err::kInvalidCall, err);
  return rs;
}

}  // namespace

void PrintPolicy::Printed() {
  if (!source_) throw VbError::Standard(err::kObjectNotSet);
  std::string user;
  try {
    user = source_->GetUserName();
  } catch (...) {
  }
  for (const std::string& id : ids_) {
    const std::string vchid = id.substr(0, id.find("{##}"));
    if (vchid.empty()) continue;
    const std::string where =
        " where PolicyID = " + SqlLiteral(policy_) + " and vchid = " + SqlLiteral(vchid);
    RecordsetPtr rs = Run(*source_, "select total from PrintPolicy_VCH" + where);
    if (rs && !rs->Eof()) {
      Run(*source_,
          "update PrintPolicy_VCH set total = isnull(total, 0) + 1, lastprintTime = GetDate(), lastprintUser "
          "= " +
              SqlLiteral(user) + where);
    } else {
      Run(*source_,
          "insert into PrintPolicy_VCH (PolicyID, vchid, total, lastprintTime, lastprintUser) values (" +
              SqlLiteral(policy_) + ", " + SqlLiteral(vchid) + ", 1, GetDate(), " + SqlLiteral(user) + ")");
    }
  }
}

}  // namespace cavra
