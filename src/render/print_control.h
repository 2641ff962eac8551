// A print control that renders the print documents to PDF (cavra::render).
// A host hands it to clsVoucherService::PrintControlObj.
//
//   auto control = std::make_shared<cavra::render::PdfPrintControl>("/var/spool/vouchers");
//   service.PrintControlObj(control);
//
// SetDataStyleXML reads and lays out both documents; it returns 0, or one of
// the ErrorCode values of render/document.h with the reason in LastError().
// PrintPreview and PrintEx write the PDF into the output folder (printers are
// not driven yet) and return True, or False with LastError() set. SetOB keeps
// the print-policy client, which is not told of prints yet.
// Export file types: 0 XLSX, 1 PDF, 2 HTML, 3 CSV; only 1 (the default) is
// written yet: the others return False with the reason in LastError().
//
// Output file names: the voucher number of the first 任务 (the part of 单据号
// before "{##}", characters unsafe in a file name replaced by "_"), or
// "voucher", then ".pdf"; an existing file is never replaced: "-2", "-3", ...
// are tried. Not thread-safe: one control per thread.
#pragma once

#include <cavra/outside.h>

#include <cstdint>
#include <memory>
#include <string>

namespace cavra::render {

class PdfPrintControl : public IPrintControl {
 public:
  // Files go to folder; empty: $CAVRA_PRINT_DIR, else "cavra-print" under the temp folder.
  explicit PdfPrintControl(std::string folder = "");
  ~PdfPrintControl() override;

  std::int32_t SetDataStyleXML(const std::string& sData, bool bDataIsFile, const std::string& sStyle,
                               bool bStyleIsFile, const std::string& sPrinter) override;
  Variant PrintPreview() override;
  Variant PrintEx(bool bShowPrintDlg) override;
  void EnableExport(bool bEnable) override;
  void SetOB(const ObjectPtr& client) override;
  std::int16_t sFileType() override;
  void sFileType(std::int16_t type) override;
  Variant ExportToFileEx(std::int32_t nMode, std::string& sFieldType, std::string& sFieldSize,
                         const std::string& sFieldName, const std::string& sReserved) override;
  Variant ExportToAttached(std::int32_t n1, std::int32_t n2, std::string& sFieldType, std::string& sFieldSize,
                           std::string& sFieldName, const std::string& sReserved,
                           Variant& OutputFileName) override;

  // The reason of the last failure, empty after a success.
  const std::string& LastError() const;
  // The file the last successful print, preview or export wrote.
  const std::string& LastFile() const;
  // Pages of the laid-out documents (0 before a successful SetDataStyleXML).
  std::size_t PageCount() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace cavra::render
