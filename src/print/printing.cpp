#include "print/printing.h"

#include "business/mailer.h"
#include "business/print_policy.h"
#include "cavra/components.h"
#include "core/service_context.h"
#include "print/default_print_control.h"
#include "print/print_preparation.h"

namespace cavra {

void RegisterPrintComponents() {
  auto add = [](const char* id, ComponentFactory factory) {
    if (!ComponentRegistry::IsRegistered(id)) ComponentRegistry::Register(id, std::move(factory));
  };
  add(kDefaultPrintControlId, [] { return std::make_shared<DefaultPrintControl>(); });
  add(kPrintPolicyId, [] { return std::make_shared<PrintPolicy>(); });
  add(kMailerId, [] { return std::make_shared<VoucherMailer>(); });
}

IPrintControl& Printing::Control() {
  if (print_control_) return *print_control_;
  if (!default_control_) default_control_ = ctx_.Components().CreateAs<IPrintControl>(kDefaultPrintControlId);
  return *default_control_;
}

PrintFlow Printing::Flow() {
  PrintFlow flow(ctx_, Control(), access_.voucher ? access_.voucher() : PrintedVoucher{}, access_.headerText);
  flow.stopPrintControl = stop_print_control_;
  flow.cardnumAndValue = cardnum_and_value_;
  flow.columnLists = LastColumnLists();
  return flow;
}

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

// Each member prepares the documents, then hands them to the flow; the pass
// keeps event handlers from changing the service meanwhile.
Variant Printing::PrintVoucher(const Variant& rsTemplate, const Variant& rsField, bool bShowPrintViewDlg,
                               bool bHorzTile, bool DisableOutput) {
  if (ctx_.RefuseInPass("PrintVoucher")) return {};
  return ctx_.Guard(Variant(), [&] {
    std::string sStyle, sData;
    PreParePrint(rsTemplate.As<Recordset>(), rsField.As<Recordset>(), sStyle, sData, bHorzTile);
    ServiceContext::Pass pass(ctx_);
    return Flow().PrintVoucher(std::move(sStyle), std::move(sData), bShowPrintViewDlg, DisableOutput);
  });
}
std::int32_t Printing::PrintVoucherEx(const Variant& rsTemplate, const Variant& rsField, bool bshowPrintDlg) {
  if (ctx_.RefuseInPass("PrintVoucherEx")) return 0;
  return ctx_.Guard(std::int32_t{0}, [&] {
    std::string sStyle, sData;
    PreParePrint(rsTemplate.As<Recordset>(), rsField.As<Recordset>(), sStyle, sData, false);
    ServiceContext::Pass pass(ctx_);
    return Flow().PrintVoucherEx(std::move(sStyle), std::move(sData), bshowPrintDlg);
  });
}
bool Printing::ExportToFile(const Variant& rsTemplate, const Variant& rsField, bool blnEmail,
                            Variant* OutputFileName, std::int16_t sFileType) {
  if (ctx_.RefuseInPass("ExportToFile")) return false;
  return ctx_.Guard(false, [&] {
    std::string sStyle, sData;
    PreParePrint(rsTemplate.As<Recordset>(), rsField.As<Recordset>(), sStyle, sData, false);
    ServiceContext::Pass pass(ctx_);
    return Flow().ExportToFile(std::move(sStyle), std::move(sData), blnEmail, OutputFileName, sFileType);
  });
}
bool Printing::ExportToFile2(const Variant& rsTemplate, const Variant& rsField, bool blnEmail,
                             Variant* OutputFileName, const Variant& sFileType) {
  if (ctx_.RefuseInPass("ExportToFile2")) return false;
  return ctx_.Guard(false, [&] {
    return ExportToFile(rsTemplate, rsField, blnEmail, OutputFileName, PrintFlow::FileTypeCode(sFileType));
  });
}
bool Printing::EmailFile(const Variant& sFileName) {
  if (ctx_.RefuseInPass("EmailFile")) return false;
  return ctx_.Guard(false, [&] {
    ServiceContext::Pass pass(ctx_);
    return Flow().EmailFile(sFileName);
  });
}

}  // namespace cavra
