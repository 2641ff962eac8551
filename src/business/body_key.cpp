#include "business/body_key.h"

#include "cavra/sql_text.h"
#include "core/trace_log.h"
#include "platform/error_flow.h"

namespace cavra {

BodyKeyCache& BodyKeyCache::Process() {
  static BodyKeyCache cache;
  return cache;
}

std::string BodyKeyCache::Find(const std::string& voucherType) const {
  std::lock_guard lock(mutex_);
  auto it = names_.find(voucherType);
  return it == names_.end() ? std::string() : it->second;
}

void BodyKeyCache::Add(const std::string& voucherType, const std::string& name) {
  std::lock_guard lock(mutex_);
  names_.emplace(voucherType, name);
}

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
