#include "print/printing.h"

#include "core/service_context.h"

namespace cavra {

Variant Printing::PreParePrint(const RecordsetPtr&, const RecordsetPtr&, std::string&, std::string&, bool) {
  if (ctx_.RefuseInPass("PreParePrint")) return {};
  ctx_.ReportNotImplemented("PreParePrint");
  return {};
}
Variant Printing::PreParePrintWeb(Variant&, Variant&, Variant&, Variant&) {
  if (ctx_.RefuseInPass("PreParePrintWeb")) return {};
  ctx_.ReportNotImplemented("PreParePrintWeb");
  return {};
}
Variant Printing::PrintVoucher(const Variant&, const Variant&, bool, bool, bool) {
  if (ctx_.RefuseInPass("PrintVoucher")) return {};
  ctx_.ReportNotImplemented("PrintVoucher");
  return {};
}
std::int32_t Printing::PrintVoucherEx(const Variant&, const Variant&, bool) {
  if (ctx_.RefuseInPass("PrintVoucherEx")) return 0;
  ctx_.ReportNotImplemented("PrintVoucherEx");
  return 0;
}
bool Printing::ExportToFile(const Variant&, const Variant&, bool, Variant*, std::int16_t) {
  if (ctx_.RefuseInPass("ExportToFile")) return false;
  ctx_.ReportNotImplemented("ExportToFile");
  return false;
}
bool Printing::ExportToFile2(const Variant&, const Variant&, bool, Variant*, const Variant&) {
  if (ctx_.RefuseInPass("ExportToFile2")) return false;
  ctx_.ReportNotImplemented("ExportToFile2");
  return false;
}
bool Printing::EmailFile(const Variant&) {
  if (ctx_.RefuseInPass("EmailFile")) return false;
  ctx_.ReportNotImplemented("EmailFile");
  return false;
}

}  // namespace cavra
