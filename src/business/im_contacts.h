// IMContacts: the system users an instant message about the voucher goes to.
// Each IM field of the template (TemplateModel::IMFields) is linked by the
// account's joint-query metadata ("tolmmeta_<account>..Cavra_JointQuery")
// to a master-data table; the field's value is looked up there and the
// linked user's cUser_Id is the addressee.
//
// Nothing raises to the caller: every failure is written to the trace log
// and leaves that field without a user. Values read from the voucher reach
// SQL only as literals they cannot end (cavra/sql_text.h).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cavra/variant.h"
#include "core/service_context.h"
#include "template/template_model.h"

namespace cavra {

// The voucher's header as the service's public members read it.
struct VoucherHeader {
  std::function<Variant(const std::string&)> headerText;
  std::function<Variant(const std::string&)> headerDisplayText;
  std::function<std::string()> VoucherType;
};

class IMContacts {
 public:
  IMContacts(ServiceContext& context, TemplateModel& model, VoucherHeader header)
      : ctx_(context), model_(model), header_(std::move(header)) {}

  // "<ToUsers>" + one "<UserID Description='...'>id</UserID>" per IM field
  // that resolves to a user + "</ToUsers>".
  std::string GetAllIMUsers();

  struct Contact {
    std::string userId;
    std::string description;
  };
  // The user behind IM field `field`; both texts empty when there is none.
  Contact GetIMMsgQuery(const std::string& field);

  // The master-data lookups, by their target: the cUser_Id linked to the
  // archive code `code` in `keyColumn`. Raise when the query finds no row.
  std::string GetHRPersonInfo(const std::string& keyColumn, const std::string& code);
  std::string GetIMVendorInfo(const std::string& keyColumn, const std::string& code);
  std::string GetIMDepartmentInfo(const std::string& keyColumn, const std::string& code);
  std::string GetIMCustomerInfo(const std::string& keyColumn, const std::string& code);
  std::string GetIMPersonInfo(const std::string& keyColumn, const std::string& code);
  std::string GetIMUAUserInfo(const std::string& keyColumn, const std::string& code);

  // expression with each "[name]" of the names replaced, in one pass, by
  // the header value of name as an N'...' literal. Text inserted is never
  // scanned again, so a value holding "[other]" stays inside its literal.
  std::string BindCondition(const std::string& expression, const std::vector<std::string>& names);

 private:
  // Runs head + keyColumn + comparison + code literal and reads cUser_Id.
  std::string Lookup(const char* name, const char* head, const std::string& keyColumn,
                     const char* comparison, const std::string& code, bool infoLog);
  // Whether the condition of a joint-query row holds for the current header.
  bool ConditionHolds(const std::string& expression, const std::string& voucherFields);

  ServiceContext& ctx_;
  TemplateModel& model_;
  VoucherHeader header_;
};

}  // namespace cavra
