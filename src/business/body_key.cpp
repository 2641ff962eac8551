#include "business/body_key.h"

#include "cavra/sql_text.h"
#include "core/trace_log.h"
#include "platform/error_flow.h"

namespace cavra {

std::string BodyKey::Name(const TemplateModel& model) {
  std::string voucher_type;
  SkipErrors([&] { voucher_type = model.Bill().sBillNo; });
  return Name(voucher_type);
}

std::string BodyKey::Name(const std::string& voucherType) {
  std::string name;
  SkipErrors([&] { name = cache_.Find(voucherType); });
  if (!name.empty()) return name;
  try {
    // The literal is built first: a type it cannot carry runs no query.
    const std::string sql =
        "select vchBodyPKName from vouchers_base where cardnumber=" + SqlLiteral(voucherType);
    std::string error;
    RecordsetPtr rs = ctx_.DataSource().GetRsBySql(sql, error);
    if (rs && !rs->Eof()) {
      const Variant& v = rs->Value("vchBodyPKName");
      name = v.IsNull() ? std::string() : CStr(v);
      if (!name.empty()) cache_.Add(voucherType, name);
    }
  } catch (...) {
    auto [number, description] = CurrentErrorInfo();
    Trace("Error ", std::to_string(number), " (", description,
          ") in procedure GetBodyPKName of User Control ctlVoucher");
    return {};
  }
  return name;
}

}  // namespace cavra
