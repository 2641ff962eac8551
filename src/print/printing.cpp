#include "print/printing.h"

#include "core/service_context.h"

namespace cavra {
Variant Printing::PreParePrint(const RecordsetPtr&, const RecordsetPtr&, std::string&, std::string&, bool) {
  ctx_.ReportNotImplemented("PreParePrint");
  return {};
}
Variant Printing::PreParePrintWeb(Variant&, Variant&, Variant&, Variant&) {
  ctx_.ReportNotImplemented("PreParePrintWeb");
  return {};
}
Variant Printing::PrintVoucher(const Variant&, const Variant&, bool, bool, bool) {
  ctx_.ReportNotImplemented("PrintVoucher");
  return {};
}
std::int32_t Printing::PrintVoucherEx(const Variant&, const Variant&, bool) {
  ctx_.ReportNotImplemented("PrintVoucherEx");
  return 0;
}
bool Printing::ExportToFile(const Variant&, const Variant&, bool, Variant*, std::int16_t) {
  ctx_.ReportNotImplemented("ExportToFile");
  return false;
}
bool Printing::ExportToFile2(const Variant&, const Variant&, bool, Variant*, const Variant&) {
  ctx_.ReportNotImplemented("ExportToFile2");
  return false;
}
bool Printing::EmailFile(const Variant&) {
  ctx_.ReportNotImplemented("EmailFile");
  return false;
}

}  // namespace cavra
