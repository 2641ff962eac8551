// clsVoucherService: field rights, user settings, portal properties and the
// business services. The numbering rule, custom relations and IM contacts
// come with the business-services subsystem; until then they report error
// 445 (or, where the member never raises, log it).
#include <map>
#include <mutex>

#include "business/body_key.h"
#include "cavra/voucher_service.h"
#include "platform/error_flow.h"
#include "service/impl.h"
#include "workflow/customer_info.h"
#include "workflow/field_auth.h"

namespace cavra {

bool clsVoucherService::SetVoucherAuth(const std::string& sAuth) {
  if (impl_->ctx.RefuseInPass("SetVoucherAuth")) return false;
  ServiceContext::Pass pass(impl_->ctx);
  return impl_->auth->SetVoucherAuth(sAuth);
}

void clsVoucherService::SaveCustomerInfo(const std::string& strInfo) {
  if (impl_->ctx.RefuseInPass("SaveCustomerInfo")) return;
  ServiceContext::Pass pass(impl_->ctx);
  impl_->customer_info->SaveCustomerInfo(strInfo);
}
Variant clsVoucherService::GetCustomerInfo() {
  std::string type, id;
  return impl_->customer_info->GetCustomerInfo(type, id);
}
Variant clsVoucherService::GetCustomerInfo(std::string& sType, std::string& sTemplateID) {
  return impl_->customer_info->GetCustomerInfo(sType, sTemplateID);
}

// ---------------------------------------------------------------- portal properties

ObjectPtr clsVoucherService::PortalBusinessObject() const { return impl_->portal.BusinessObject(); }
void clsVoucherService::PortalBusinessObject(const Variant& value) {
  if (!impl_->ctx.RefuseInPass("PortalBusinessObject")) impl_->portal.SetBusinessObject(value);
}
std::string clsVoucherService::PortalBizGUID() const { return impl_->portal.BizGUID(); }
void clsVoucherService::PortalBizGUID(const std::string& s) {
  if (!impl_->ctx.RefuseInPass("PortalBizGUID")) impl_->portal.SetBizGUID(s);
}
std::string clsVoucherService::GetAggregateParameters() { return {}; }

std::string clsVoucherService::GetSelectedRows() { return impl_->lines.GetSelectedRows(); }

std::string clsVoucherService::GetBodyPKName() { return BodyKey(impl_->ctx).Name(impl_->model); }

// ---------------------------------------------------------------- audit flow and pictures

std::string clsVoucherService::ExamineFlowAuditInfo() { return impl_->audit.ExamineFlowAuditInfo(); }
void clsVoucherService::ExamineFlowAuditInfo(const std::string& value) {
  if (impl_->ctx.RefuseInPass("ExamineFlowAuditInfo")) return;
  impl_->audit.SetExamineFlowAuditInfo(value);
}
void clsVoucherService::BlobToFile(Field& fld, const std::string& FName, std::int32_t FieldSize,
                                   std::int32_t Threshold) {
  impl_->ctx.Guard([&] { Pictures::BlobToFile(fld, FName, FieldSize, Threshold); });
}
void clsVoucherService::WriteFromBinary(std::ostream& F, Field& fld, std::int32_t FieldSize) {
  impl_->ctx.Guard([&] { Pictures::WriteFromBinary(F, fld, FieldSize); });
}

// ---------------------------------------------------------------- not yet implemented

bool clsVoucherService::SetBillNumberRule(const std::string&) {
  if (impl_->ctx.RefuseInPass("SetBillNumberRule")) return false;
  impl_->ctx.ReportNotImplemented("SetBillNumberRule");
  return false;
}
bool clsVoucherService::SetCustomRelation(const Variant&) {
  if (impl_->ctx.RefuseInPass("SetCustomRelation")) return false;
  impl_->ctx.ReportNotImplemented("SetCustomRelation");
  return false;
}
bool clsVoucherService::IsAutoFillBackFillCustomField(const Variant&, Variant&) {
  impl_->ctx.ReportNotImplemented("IsAutoFillBackFillCustomField");
  return false;
}
void clsVoucherService::CallAutoFillBackEvent(const std::string&, std::int32_t) {
  if (impl_->ctx.RefuseInPass("CallAutoFillBackEvent")) return;
  impl_->ctx.ReportNotImplemented("CallAutoFillBackEvent");
}
std::string clsVoucherService::GetAllIMUsers() {
  impl_->ctx.ReportNotImplemented("GetAllIMUsers");
  return {};
}
std::string clsVoucherService::GetVoucherSummaryInfo() {
  impl_->ctx.ReportNotImplemented("GetVoucherSummaryInfo");
  return {};
}

}  // namespace cavra
