// The host's data-source and login objects. The service never opens a
// database or a login itself; it calls these members, by these names, with
// these arguments. Every member's default implementation fails with error
// 438 (the object does not support it), so an object implements only what
// its host needs.
//
// An "out text" is a text passed by reference, empty on entry; a non-empty
// text after the call means the call failed.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "cavra/export.h"
#include "cavra/object.h"
#include "cavra/recordset.h"
#include "cavra/variant.h"

namespace cavra {

class CAVRA_EXPORT ILogin : public Object {
 public:
  virtual std::string cSub_Id();
  virtual std::string cUserName();
  // The account number; the metadata database is "tolmmeta_" + this.
  virtual std::string cAcc_Id();
  virtual std::string getistallpath();
};

using LoginPtr = std::shared_ptr<ILogin>;

class CAVRA_EXPORT IDataSource : public Object {
 public:
  // The query's rows, or null (and a reason in errText) on failure.
  virtual RecordsetPtr GetRsBySql(const std::string& sql, std::string& errText);
  // The field-right text of a voucher type; "1=2" means no list.
  virtual std::string GetAuthString(const std::string& billNo);
  // Fields writable at the voucher's workflow step; "NotInFlow" or "" when
  // the voucher is in no workflow, "1=2" when nothing is writable.
  virtual std::string GetWorkflowAuthString(std::string& primaryKeys, std::string& receiptNo,
                                            const std::string& billNo);
  // The audit-flow XML of a voucher.
  virtual std::string GetAuditString(const std::string& primaryKeys, const std::string& billNo,
                                     std::string& errText);
  // Stores a customer-info record (a "Data" element).
  virtual void SaveCustomerInfo(std::string& record, std::string& errText);
  // The stored content for a request (the same element without content);
  // Empty when there is none.
  virtual Variant GetCustomerInfo(std::string& request, std::string& errText);
  // Page subtotal, subtotal, row-number and total captions joined by "{##}";
  // "" when the host has none.
  virtual std::string GetCustomerizeTotalTitle();
  virtual std::string GetCustomerizeTotalTitle(const std::string& languageId);
  virtual std::string GetUserName();
  virtual std::string WebRootURL();
  virtual LoginPtr GetLogin();
  virtual void setLogin(LoginPtr login);
};

using DataSourcePtr = std::shared_ptr<IDataSource>;

// The "Data" element of a customer-info record or request, as SaveCustomerInfo
// and GetCustomerInfo take it: "<Data fchrOperator='#cUserName#' fchrType='"
// kind "' fchrVoucherType='" voucherType "' fchrVoucherTemplateType='"
// templateId "' >" content "</Data>". The three values are escaped for an
// attribute in single quotes (& < > ' " become entities, so a benign value
// stands as it is); content goes in as given.
CAVRA_EXPORT std::string CustomerInfoRecord(std::string_view kind, std::string_view voucherType,
                                            std::string_view templateId, std::string_view content);

}  // namespace cavra
