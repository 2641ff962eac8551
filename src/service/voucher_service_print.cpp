// clsVoucherService: printing, export and e-mail.
#include "cavra/voucher_service.h"
#include "print/printing.h"
#include "service/impl.h"

namespace cavra {

Variant clsVoucherService::PreParePrint(const RecordsetPtr& rs, const RecordsetPtr& rsFixel,
                                        std::string& sStyle, std::string& sData, bool bHorzTile) {
  return impl_->printing.PreParePrint(rs, rsFixel, sStyle, sData, bHorzTile);
}
Variant clsVoucherService::PreParePrintWeb(Variant& rs, Variant& rsFixel, Variant& sStyle, Variant& sData) {
  return impl_->printing.PreParePrintWeb(rs, rsFixel, sStyle, sData);
}
Variant clsVoucherService::PrintVoucher(const Variant& rsTemplate, const Variant& rsField,
                                        bool bShowPrintViewDlg, bool bHorzTile, bool DisableOutput) {
  return impl_->printing.PrintVoucher(rsTemplate, rsField, bShowPrintViewDlg, bHorzTile, DisableOutput);
}
std::int32_t clsVoucherService::PrintVoucherEx(const Variant& rsTemplate, const Variant& rsField,
                                               bool bshowPrintDlg) {
  return impl_->printing.PrintVoucherEx(rsTemplate, rsField, bshowPrintDlg);
}
bool clsVoucherService::ExportToFile(const Variant& rsTemplate, const Variant& rsField, bool blnEmail,
                                     Variant* OutputFileName, std::int16_t sFileType) {
  return impl_->printing.ExportToFile(rsTemplate, rsField, blnEmail, OutputFileName, sFileType);
}
bool clsVoucherService::ExportToFile2(const Variant& rsTemplate, const Variant& rsField, bool blnEmail,
                                      Variant* OutputFileName, const Variant& sFileType) {
  return impl_->printing.ExportToFile2(rsTemplate, rsField, blnEmail, OutputFileName, sFileType);
}
bool clsVoucherService::EmailFile(const Variant& sFileName) { return impl_->printing.EmailFile(sFileName); }

bool clsVoucherService::StopPrintControl() const { return impl_->printing.StopPrintControl(); }
void clsVoucherService::StopPrintControl(bool b) {
  if (!impl_->ctx.RefuseInPass("StopPrintControl")) impl_->printing.SetStopPrintControl(b);
}
std::string clsVoucherService::CardnumAndValueForPrintControl() const {
  return impl_->printing.CardnumAndValue();
}
void clsVoucherService::CardnumAndValueForPrintControl(const std::string& s) {
  if (!impl_->ctx.RefuseInPass("CardnumAndValueForPrintControl")) impl_->printing.SetCardnumAndValue(s);
}
void clsVoucherService::PrintControlObj(PrintControlPtr control) {
  if (!impl_->ctx.RefuseInPass("PrintControlObj")) impl_->printing.SetPrintControl(std::move(control));
}
std::string clsVoucherService::m_sPrintEntir() const { return impl_->printing.PrintEntir(); }
void clsVoucherService::m_sPrintEntir(const std::string& s) {
  if (!impl_->ctx.RefuseInPass("m_sPrintEntir")) impl_->printing.SetPrintEntir(s);
}
std::string clsVoucherService::LogoPictureDataString() const { return impl_->printing.LogoPicture(); }
void clsVoucherService::LogoPictureDataString(const std::string& s) {
  if (!impl_->ctx.RefuseInPass("LogoPictureDataString")) impl_->printing.SetLogoPicture(s);
}

}  // namespace cavra
