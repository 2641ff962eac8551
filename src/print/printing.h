// Printing: the print state of one service (its print control, the print
// environment text, the logo picture and the print-count switches) and the
// members that print, export and mail. The print documents are built by
// PrintPreparation (print_preparation.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cavra/outside.h"
#include "cavra/recordset.h"
#include "cavra/variant.h"

namespace cavra {

class ServiceContext;
class PrintPreparation;

class Printing {
 public:
  explicit Printing(ServiceContext& ctx) : ctx_(ctx) {}

  // A new template clears the print environment text.
  void TemplateLoaded() { print_entir_.clear(); }
  void Release() { print_control_.reset(); }

  const PrintControlPtr& PrintControl() const noexcept { return print_control_; }
  void SetPrintControl(PrintControlPtr control) { print_control_ = std::move(control); }
  const std::string& PrintEntir() const noexcept { return print_entir_; }
  void SetPrintEntir(std::string s) { print_entir_ = std::move(s); }
  const std::string& LogoPicture() const noexcept { return logo_picture_; }
  void SetLogoPicture(std::string s) { logo_picture_ = std::move(s); }
  bool StopPrintControl() const noexcept { return stop_print_control_; }
  void SetStopPrintControl(bool b) noexcept { stop_print_control_ = b; }
  const std::string& CardnumAndValue() const noexcept { return cardnum_and_value_; }
  void SetCardnumAndValue(std::string s) { cardnum_and_value_ = std::move(s); }

  // What builds the print documents (set by the service once its subsystems exist).
  void SetPreparation(std::shared_ptr<PrintPreparation> preparation);
  // types + "{##}" + sizes + "{##}" + names of the body last prepared; "" before.
  std::string LastColumnLists() const;

  Variant PreParePrint(const RecordsetPtr& rs, const RecordsetPtr& rsFixel, std::string& sStyle,
                       std::string& sData, bool bHorzTile);
  Variant PreParePrintWeb(Variant& rs, Variant& rsFixel, Variant& sStyle, Variant& sData);
  Variant PrintVoucher(const Variant& rsTemplate, const Variant& rsField, bool bShowPrintViewDlg,
                       bool bHorzTile, bool DisableOutput);
  std::int32_t PrintVoucherEx(const Variant& rsTemplate, const Variant& rsField, bool bshowPrintDlg);
  bool ExportToFile(const Variant& rsTemplate, const Variant& rsField, bool blnEmail,
                    Variant* OutputFileName, std::int16_t sFileType);
  bool ExportToFile2(const Variant& rsTemplate, const Variant& rsField, bool blnEmail,
                     Variant* OutputFileName, const Variant& sFileType);
  bool EmailFile(const Variant& sFileName);

 private:
  ServiceContext& ctx_;
  PrintControlPtr print_control_;
  std::string print_entir_;
  std::string logo_picture_;
  bool stop_print_control_ = false;
  std::string cardnum_and_value_;
  std::shared_ptr<PrintPreparation> preparation_;
};

}  // namespace cavra
