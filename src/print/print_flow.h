// PrintFlow: what printing, export and e-mail do once the two print
// documents are prepared: the print events, the print control, the
// print-policy client, the registry values around export, the recipients of
// a mail and the mail component. It takes the documents as texts, so a test
// can drive it with hand-written ones.
//
// Each member follows the error convention itself (a failure becomes the last
// error and controlError, then the failed value), except where the print
// control's code or the export's error state decide the result:
//  - a non-zero code of SetDataStyleXML only sets the last error;
//  - an export without OutputFileName (to the control's own file, or to an
//    attachment for mail) reports its error as the last error only and gives
//    False (error 3021 is also logged); with OutputFileName an error follows
//    the convention, and the "VoucherEmailFileType" value is restored first;
//  - EmailFile logs its error, sets it as the last error and gives False.
//
// Decisions:
//  - DestInfo values (field value and CatalogType) are XML-escaped (XmlEncode:
//    & < > and '; the attributes are single-quoted), so a value holding a
//    quote cannot end the attribute and the mailer reads a well-formed text.
//  - The recipient field is read quietly: a field the template does not hold
//    adds no Person and raises no controlError.
//  - The policy identifier is sBillNo + "_" + nID of the loaded template.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cavra/outside.h"
#include "cavra/variant.h"

namespace cavra {

class ServiceContext;

// What the flow reads of the loaded template.
struct PrintedVoucher {
  std::string sBillNo;
  std::string sReceiptNO;
  std::string sTitle;
  std::int32_t nID = 0;
};

// Registry key and value names the flow reads and writes.
inline constexpr const char* kPortalKey = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\Portal";
inline constexpr const char* kLoginKey = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\login";
inline constexpr const char* kPrintPolicyId = "PrintGuard.ISvr";
inline constexpr const char* kMailerId = "VoucherMailer.ClassFullEMail";

class PrintFlow {
 public:
  // Header value of a field, "" when the template has no such field.
  using HeaderReader = std::function<std::string(const std::string& fieldName)>;

  PrintFlow(ServiceContext& ctx, IPrintControl& control, PrintedVoucher voucher, HeaderReader header);

  // The service's print-count switches and the remembered column lists
  // ("types{##}sizes{##}names", empty when nothing was prepared).
  bool stopPrintControl = false;
  std::string cardnumAndValue;
  std::string columnLists;

  // sStyle and sData as preparation gave them; an empty style prints nothing.
  Variant PrintVoucher(std::string sStyle, std::string sData, bool bShowPrintViewDlg, bool DisableOutput);
  std::int32_t PrintVoucherEx(std::string sStyle, std::string sData, bool bshowPrintDlg);
  bool ExportToFile(std::string sStyle, std::string sData, bool blnEmail, Variant* OutputFileName,
                    std::int16_t sFileType);
  bool EmailFile(const Variant& sFileName);

  // The file type of ExportToFile2: missing, Null or not numeric gives 0.
  static std::int16_t FileTypeCode(const Variant& sFileType);

 private:
  void RaisePrintEvents(std::string& sStyle, std::string& sData, bool twice);
  void AttachPolicy(const std::string& sData);
  bool ExportSteps(const std::string& sData, bool blnEmail, Variant* OutputFileName, std::string& types,
                   std::string& sizes, std::string& names);

  ServiceContext& ctx_;
  IPrintControl& control_;
  PrintedVoucher voucher_;
  HeaderReader header_;
};

}  // namespace cavra
