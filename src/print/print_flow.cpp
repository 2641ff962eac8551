#include "print/print_flow.h"

#include <utility>

#include "cavra/ini_file.h"
#include "cavra/sql_text.h"
#include "core/global_helpers.h"
#include "core/resources.h"
#include "core/service_context.h"
#include "core/thread_state.h"
#include "core/trace_log.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra {
namespace {

constexpr const char* kEmailFileType = "VoucherEmailFileType";

// The text of an element: its character data, descendants included.
std::string NodeText(const pugi::xml_node& node) {
  std::string text;
  for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
      text += n.value();
    else if (n.type() == pugi::node_element)
      text += NodeText(n);
  }
  return text;
}

std::string TextOf(const Variant& v) { return v.IsNull() || v.IsObject() ? std::string() : CStr(v); }

std::string WithoutBreaks(std::string s) {
  std::erase_if(s, [](char c) { return c == '\r' || c == '\n' || c == '\t'; });
  return s;
}

// Writes "xls" over a "pdf" export file type for the life of the object, and
// "pdf" back when it ends, whether the export succeeded or threw.
class EmailFileTypeSwap {
 public:
  EmailFileTypeSwap() {
    swapped_ = ini_.RegRead(kLoginKey, kEmailFileType) == "pdf";
    if (swapped_) ini_.RegWrite(kLoginKey, kEmailFileType, "xls");
  }
  ~EmailFileTypeSwap() {
    if (swapped_) ini_.RegWrite(kLoginKey, kEmailFileType, "pdf");
  }
  EmailFileTypeSwap(const EmailFileTypeSwap&) = delete;
  EmailFileTypeSwap& operator=(const EmailFileTypeSwap&) = delete;

 private:
  classIniFile ini_;
  bool swapped_ = false;
};

}  // namespace

PrintFlow::PrintFlow(ServiceContext& ctx, IPrintControl& control, PrintedVoucher voucher, HeaderReader header)
    : ctx_(ctx), control_(control), voucher_(std::move(voucher)), header_(std::move(header)) {}

void PrintFlow::RaisePrintEvents(std::string& sStyle, std::string& sData, bool twice) {
  if (Thread().webMode) {
    Variant vStyle(sStyle), vData(sData);
    ctx_.Raise([&](clsVoucherServiceEvents& s) { s.PreParePrintEvnetWeb(vStyle, vData); });
    sStyle = TextOf(vStyle);
    sData = TextOf(vData);
    if (!twice) return;
  }
  ctx_.Raise([&](clsVoucherServiceEvents& s) { s.PreParePrintEvnet(sStyle, sData); });
}

void PrintFlow::AttachPolicy(const std::string& sData) {
  if (stopPrintControl || (cardnumAndValue.empty() && voucher_.sReceiptNO.empty())) return;
  Trace("PrintVoucher   CreateObject('PrintGuard.ISvr')");
  std::shared_ptr<IPrintPolicy> client;
  try {
    client = ctx_.Components().CreateAs<IPrintPolicy>(kPrintPolicyId);
  } catch (...) {
    return;  // printing goes on without a policy
  }
  client->DataSource(ctx_.DataSourceObject());
  client->langID(GetLanguageID());
  client->policyid(voucher_.sBillNo + "_" + std::to_string(voucher_.nID));
  pugi::xml_document doc;
  if (xml::Load(doc, sData))
    for (const pugi::xpath_node& n : xml::SelectNodes(doc, "//数据/任务/单据号"))
      client->AddSVID(NodeText(n.node()));
  Trace("PrintVoucher   begin SetOB");
  control_.SetOB(client);
  Trace("PrintVoucher   end SetOB");
}

Variant PrintFlow::PrintVoucher(std::string sStyle, std::string sData, bool bShowPrintViewDlg,
                                bool DisableOutput) {
  return ctx_.Guard(Variant(), [&]() -> Variant {
    if (sStyle.empty()) return {};
    RaisePrintEvents(sStyle, sData, false);
    const std::int32_t n = control_.SetDataStyleXML(sData, false, sStyle, false, "default");
    Trace("PrintVoucher printcontrol");
    if (n != 0) {
      VariantArray params{Variant(n)};
      ctx_.SetLastError(GetResStringEx("Ordra.AA.VCH.029", params));
      return {};
    }
    AttachPolicy(sData);
    if (bShowPrintViewDlg) {
      control_.EnableExport(!DisableOutput);
      return control_.PrintPreview();
    }
    const bool show_dialog = vb::Trim(classIniFile().RegRead(kPortalKey, "NoShowPrinterDlg")) != "1";
    return control_.PrintEx(show_dialog);
  });
}

std::int32_t PrintFlow::PrintVoucherEx(std::string sStyle, std::string sData, bool bshowPrintDlg) {
  return ctx_.Guard(std::int32_t{0}, [&]() -> std::int32_t {
    if (sStyle.empty()) return 0;
    RaisePrintEvents(sStyle, sData, true);
    Trace("PrintVoucherEx sReceiptNO = ", voucher_.sReceiptNO);
    const std::int32_t n = control_.SetDataStyleXML(sData, false, sStyle, false, "default");
    if (n != 0) {
      VariantArray params{Variant(n)};
      ctx_.SetLastError(GetResStringEx("Ordra.AA.VCH.029", params));
      return n;
    }
    AttachPolicy(sData);
    return CLng(control_.PrintEx(bshowPrintDlg));
  });
}

bool PrintFlow::ExportToFile(std::string sStyle, std::string sData, bool blnEmail, Variant* OutputFileName,
                             std::int16_t sFileType) {
  return ctx_.Guard(false, [&] {
    if (sStyle.empty()) return false;
    RaisePrintEvents(sStyle, sData, false);
    std::string types, sizes, names;
    if (!columnLists.empty()) {
      const auto parts = vb::Split(columnLists, "{##}");
      if (parts.size() > 0) types = parts[0];
      if (parts.size() > 1) sizes = parts[1];
      if (parts.size() > 2) names = parts[2];
    }
    const std::int32_t n = control_.SetDataStyleXML(sData, false, sStyle, false, "default");
    if (n != 0) {
      ctx_.SetLastError("在导出文件的时候发生一般性错误,错误号:" + std::to_string(n));
      return false;
    }
    names = WithoutBreaks(std::move(names));
    Trace("Export To file 3");
    Trace("Export To file PControl.sFileType:", std::to_string(sFileType));
    control_.sFileType(sFileType);
    if (OutputFileName) {
      {
        EmailFileTypeSwap swap;
        Trace("Export To file begin ExportToAttached");
        Trace("Export To file sFieldType :", types);
        Trace("Export To file sFieldSize :", sizes);
        Trace("Export To file sFieldName :", names);
        control_.ExportToAttached(0, 0, types, sizes, names, "", *OutputFileName);
      }
      const std::string file = TextOf(*OutputFileName);
      Trace("Export To file complete OutputFileName:", file);
      return !file.empty();
    }
    return ExportSteps(sData, blnEmail, OutputFileName, types, sizes, names);
  });
}

// Steps run with the error state checked at the end rather than raised.
bool PrintFlow::ExportSteps(const std::string& sData, bool blnEmail, Variant*, std::string& types,
                            std::string& sizes, std::string& names) {
  try {
    if (!blnEmail) {
      pugi::xml_document doc;
      bool several = false;
      if (xml::LoadResult r = xml::Load(doc, sData); !r) {
        Trace("Export To file ---oDOmData.LoadXML错误--ErrDescription:", r.reason);
      } else if (pugi::xml_node root = xml::DocumentElement(doc); !root) {
        Trace("Export To file ---oDomDataEle is Nothing ");
      } else {
        several = root.first_child() && root.first_child().next_sibling();
      }
      control_.ExportToFileEx(several ? -3 : 0, types, sizes, several ? std::string() : names, "");
    } else {
      Variant file;
      control_.ExportToAttached(0, 0, types, sizes, names, "", file);
      if (!TextOf(file).empty()) EmailFile(file);
    }
    return true;
  } catch (...) {
    auto [number, description] = CurrentErrorInfo();
    if (number == err::kNoCurrentRecord) Trace("ExportToFile -- XXXX", GetResString("Ordra.AA.VCH.101"));
    ctx_.SetLastError(description);
    return false;
  }
}

bool PrintFlow::EmailFile(const Variant& sFileName) {
  try {
    std::string err;
    const std::string sql =
        "select FieldName,CatalogType from VouchersExInfo where cardnumber =" + SqlLiteral(voucher_.sBillNo) +
        "  and IsUsed=1 order by CatalogType";
    RecordsetPtr rs = ctx_.DataSource().GetRsBySql(sql, err);
    if (!rs) return false;
    std::string list;
    while (!rs->Eof()) {
      const std::string value = header_ ? header_(Null2Str(rs->Value("FieldName"))) : std::string();
      if (!value.empty())
        list += "<Person Id='" + XmlEncode(value) + "' Type='" +
                XmlEncode(Null2Str(rs->Value("CatalogType"))) + "' />\r\n";
      rs->MoveNext();
    }
    rs->Close();
    const std::string destInfo = "<DestInfo>" + list + "</DestInfo>";
    auto mailer = ctx_.Components().CreateAs<IVoucherMailer>(kMailerId);
    mailer->DataSource(ctx_.DataSourceObject());
    LoginPtr login = ctx_.LoginObject();
    mailer->Show(login, destInfo, TextOf(sFileName), voucher_.sTitle, voucher_.sReceiptNO);
    return true;
  } catch (...) {
    auto [number, description] = CurrentErrorInfo();
    Trace("Error ", std::to_string(number), " (", description,
          ") in procedure EmailFile of User Control ctlVoucher");
    ctx_.SetLastError(description);
    return false;
  }
}

std::int16_t PrintFlow::FileTypeCode(const Variant& sFileType) {
  if (sFileType.IsEmpty() || sFileType.IsNull() || !IsNumeric(sFileType)) return 0;
  const double d = RoundHalfEven(CDbl(sFileType));
  if (d < -32768 || d > 32767) throw VbError::Standard(err::kOverflow);
  return static_cast<std::int16_t>(d);
}

}  // namespace cavra
