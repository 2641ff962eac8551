#include "workflow/customer_info.h"

#include "cavra/host.h"
#include "core/resources.h"
#include "core/trace_log.h"

namespace cavra {
CustomerInfo::CustomerInfo(ServiceContext& context, TemplateModel& model) : ctx_(context), model_(model) {}

// The operator stays the placeholder "#cUserName#": the data source puts in
// the user.
void CustomerInfo::Save(const std::string& record, const char* procedure) {
  if (!ctx_.DataSourceObject()) return;
  std::string text = record;
  std::string error;
  try {
    ctx_.DataSourceObject()->SaveCustomerInfo(text, error);
  } catch (...) {
    error = CurrentErrorInfo().second;
  }
  if (!error.empty()) Trace(procedure, " -- XXXX", GetResString("Ordra.AA.VCH.050"), error);
}

void CustomerInfo::SaveCustomerInfo(const std::string& content) {
  try {
    const clsBillInformation& bill = model_.Bill();
    Save(CustomerInfoRecord("voucherAggregate", bill.sCardName, std::to_string(bill.nID), content),
         "SaveCustomerInfo");
  } catch (...) {
    Trace("SaveCustomerInfo -- XXXX", CurrentErrorInfo().second);
  }
}

void CustomerInfo::SaveCustomerInfoEx(const std::string& content, const std::string& kind) {
  try {
    const clsBillInformation& bill = model_.Bill();
    Save(CustomerInfoRecord(kind, bill.sBillNo, std::to_string(bill.nID), content), "SaveCustomerInfoEx");
  } catch (...) {
    Trace("SaveCustomerInfoEx -- XXXX", CurrentErrorInfo().second);
  }
}

Variant CustomerInfo::GetCustomerInfo(std::string& sType, std::string& sTemplateID) {
  try {
    const clsBillInformation& bill = model_.Bill();
    std::string voucher_type;
    if (sType.empty()) {
      sType = "voucherAggregate";
      sTemplateID = std::to_string(bill.nID);
      voucher_type = bill.sCardName;
    } else {
      voucher_type = bill.sBillNo;
    }
    if (!ctx_.DataSourceObject()) return {};
    std::string request = CustomerInfoRecord(sType, voucher_type, sTemplateID, "");
    std::string error;
    Trace("m_oDataSource-GetCustomerInfo---begin--strXML:", request);
    Variant result = ctx_.DataSourceObject()->GetCustomerInfo(request, error);
    Trace("m_oDataSource-GetCustomerInfo---end");
    if (!error.empty()) {
      Trace("GetCustomerInfo -- XXXX", GetResString("Ordra.AA.VCH.050"), error);
      return {};
    }
    return result;
  } catch (...) {
    Trace("GetCustomerInfo -- XXXX", GetResString("Ordra.AA.VCH.050"), CurrentErrorInfo().second);
    return {};
  }
}

}  // namespace cavra
