#include "print/printing.h"

#include "core/service_context.h"
#include "print/print_preparation.h"

namespace cavra {

Variant Printing::PreParePrint(const RecordsetPtr& rs, const RecordsetPtr& rsFixel, std::string& sStyle,
                               std::string& sData, bool bHorzTile) {
  sStyle.clear();
  sData.clear();
  if (ctx_.RefuseInPass("PreParePrint")) return {};
  ctx_.Guard([&] {
    if (!preparation_) throw VbError::Standard(err::kObjectNotSet);
    PrintRequest request;
    request.horzTile = bHorzTile;
    request.printEntir = print_entir_;
    request.cardnumAndValue = cardnum_and_value_;
    request.logoPicture = logo_picture_;
    preparation_->Prepare(rs, rsFixel, request, sStyle, sData);
  });
  return {};
}
Variant Printing::PreParePrintWeb(Variant& rs, Variant& rsFixel, Variant& sStyle, Variant& sData) {
  if (ctx_.RefuseInPass("PreParePrintWeb")) return {};
  std::string style, data;
  const Variant result = PreParePrint(rs.As<Recordset>(), rsFixel.As<Recordset>(), style, data, false);
  sStyle = Variant(std::move(style));
  sData = Variant(std::move(data));
  return result;
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
