// clsVoucherService: printing, export and e-mail. These members come with
// the printing subsystem; until then they report error 445.
#include "cavra/voucher_service.h"
#include "service/impl.h"

namespace cavra {

Variant clsVoucherService::PreParePrint(const RecordsetPtr&, const RecordsetPtr&, std::string&, std::string&, bool) {
  if (impl_->ctx.RefuseInPass("PreParePrint")) return {};
  ReportNotImplemented(impl_->ctx, "PreParePrint");
  return {};
}
Variant clsVoucherService::PreParePrintWeb(Variant&, Variant&, Variant&, Variant&) {
  if (impl_->ctx.RefuseInPass("PreParePrintWeb")) return {};
  ReportNotImplemented(impl_->ctx, "PreParePrintWeb");
  return {};
}
Variant clsVoucherService::PrintVoucher(const Variant&, const Variant&, bool, bool, bool) {
  if (impl_->ctx.RefuseInPass("PrintVoucher")) return {};
  ReportNotImplemented(impl_->ctx, "PrintVoucher");
  return {};
}
std::int32_t clsVoucherService::PrintVoucherEx(const Variant&, const Variant&, bool) {
  if (impl_->ctx.RefuseInPass("PrintVoucherEx")) return 0;
  ReportNotImplemented(impl_->ctx, "PrintVoucherEx");
  return 0;
}
bool clsVoucherService::ExportToFile(const Variant&, const Variant&, bool, Variant*, std::int16_t) {
  if (impl_->ctx.RefuseInPass("ExportToFile")) return false;
  ReportNotImplemented(impl_->ctx, "ExportToFile");
  return false;
}
bool clsVoucherService::ExportToFile2(const Variant&, const Variant&, bool, Variant*, const Variant&) {
  if (impl_->ctx.RefuseInPass("ExportToFile2")) return false;
  ReportNotImplemented(impl_->ctx, "ExportToFile2");
  return false;
}
bool clsVoucherService::EmailFile(const Variant&) {
  if (impl_->ctx.RefuseInPass("EmailFile")) return false;
  ReportNotImplemented(impl_->ctx, "EmailFile");
  return false;
}

bool clsVoucherService::StopPrintControl() const { return impl_->stop_print_control; }
void clsVoucherService::StopPrintControl(bool b) {
  if (!impl_->ctx.RefuseInPass("StopPrintControl")) impl_->stop_print_control = b;
}
std::string clsVoucherService::CardnumAndValueForPrintControl() const { return impl_->cardnum_and_value; }
void clsVoucherService::CardnumAndValueForPrintControl(const std::string& s) {
  if (!impl_->ctx.RefuseInPass("CardnumAndValueForPrintControl")) impl_->cardnum_and_value = s;
}
void clsVoucherService::PrintControlObj(ObjectPtr control) {
  if (!impl_->ctx.RefuseInPass("PrintControlObj")) impl_->print_control = std::move(control);
}

}  // namespace cavra
