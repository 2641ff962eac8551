// clsVoucherService: field rights, user settings, portal properties and the
// business services.
#include <map>
#include <mutex>

#include "business/body_key.h"
#include "business/im_contacts.h"
#include "business/voucher_summary.h"
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

// ---------------------------------------------------------------- IM contacts and summary

namespace {
// The header through the service's own members, as a host would read it.
VoucherHeader HeaderOf(clsVoucherService& svc) {
  return {[&svc](const std::string& f) { return svc.headerText(Variant(f)); },
          [&svc](const std::string& f) { return svc.headerDisplayText(Variant(f)); },
          [&svc] { return svc.VoucherType(); }};
}
}  // namespace

std::string clsVoucherService::GetAllIMUsers() {
  return IMContacts(impl_->ctx, impl_->model, HeaderOf(*this)).GetAllIMUsers();
}
std::string clsVoucherService::GetVoucherSummaryInfo() {
  return VoucherSummary(impl_->model, HeaderOf(*this)).GetVoucherSummaryInfo();
}

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

// ---------------------------------------------------------------- numbering rule and custom relations

bool clsVoucherService::SetBillNumberRule(const std::string& sXML) {
  if (impl_->ctx.RefuseInPass("SetBillNumberRule")) return false;
  ServiceContext::Pass pass(impl_->ctx);
  return impl_->bill_rule.SetBillNumberRule(sXML);
}
BillNumberRuleRecord clsVoucherService::GetBillNumberRule() const { return impl_->bill_rule.Record(); }
bool clsVoucherService::SetCustomRelation(const Variant& vtRecordSet) {
  if (impl_->ctx.RefuseInPass("SetCustomRelation")) return false;
  ServiceContext::Pass pass(impl_->ctx);
  return impl_->custom_relation.SetCustomRelation(vtRecordSet);
}
bool clsVoucherService::IsAutoFillBackFillCustomField(const Variant& vtIndex, Variant& oResult) {
  return impl_->custom_relation.IsAutoFillBackFillCustomField(vtIndex, oResult);
}
void clsVoucherService::CallAutoFillBackEvent(const std::string& sFieldName, std::int32_t Row) {
  if (impl_->ctx.RefuseInPass("CallAutoFillBackEvent")) return;
  ServiceContext::Pass pass(impl_->ctx);
  impl_->custom_relation.CallAutoFillBackEvent(sFieldName, Row);
}

}  // namespace cavra
