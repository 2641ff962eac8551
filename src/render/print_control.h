// The print control that renders the print documents: the library's default
// ("PrintCanvas.PrintControl") wherever this renderer is linked, or handed to
// a service explicitly:
//
//   #include <cavra/render/print_control.h>   // installed; "render/print_control.h" in the tree
//   auto control = std::make_shared<cavra::render::RenderPrintControl>("/var/spool/vouchers");
//   service.PrintControlObj(control);
//
// Members and their answers (a failure leaves the reason in LastError()):
//   SetDataStyleXML  reads both documents: 0, or a code of
//                    render/document.h (1 style, 2 data, 3 paper, 4 margins,
//                    5 a document file) with the parser's reason. sPrinter
//                    (the service passes "default") is not used: the printer
//                    is the configured one (below).
//   PrintPreview     writes <stem>.pdf and <stem>.html into the output folder;
//                    when a preview command is configured it is started on
//                    the PDF (not waited for). 0, or a code below.
//   PrintEx          writes <stem>.pdf into the output folder, sends it to the
//                    configured printer when there is one, and tells the
//                    print-policy client of SetOB of the print. The PDF stays
//                    in the folder either way. There is no dialog: the
//                    argument is ignored. 0, or a code below.
//   ExportToFileEx   writes <stem>.<ext> of sFileType into the output folder;
//                    the column lists, when not empty, override the style's
//                    字段类型/字段大小/字段名称. nMode is not needed: every 任务
//                    of the data document is exported (one sheet each in XLSX).
//   ExportToAttached the same, into OutputFileName, or when that is empty a new
//                    file cavra-XXXXXX.<ext> in the temporary folder whose name
//                    it hands back in OutputFileName.
//   EnableExport     recorded; the preview command sees it as
//                    CAVRA_PREVIEW_EXPORT=1 or 0 so that a viewer can offer or
//                    hide saving.
// Codes of the output members: 4 no documents were set, 5 a file cannot be
// written (no earlier file is lost: files are written beside their names and
// renamed), 6 printed but the print-policy client failed to count it, 7 the
// printer failed (the PDF is kept, its path in LastFile()), 8 an unknown
// export file type.
//
// Export file types (sFileType): 0 XLSX, 1 PDF, 2 HTML, 3 CSV.
//
// Configuration: the environment variable wins over the registry value of
// "SOFTWARE\Tolmsoft\WF\V8.700\PrintControl" (render/printer.h says how a
// printer is named):
//   printer          CAVRA_PRINTER          value "Printer"
//   preview command  CAVRA_PREVIEW_COMMAND  value "PreviewCommand" (run by
//                    /bin/sh with the PDF's path as "$1", e.g. 'xdg-open "$1"')
//   output folder    the constructor's argument, else CAVRA_PRINT_DIR, else
//                    "cavra-print" under the temporary folder.
// <stem> is the voucher number of the first 任务 (单据号 before "{##}", with
// characters unsafe in a file name replaced by "_"), or "voucher"; an
// existing file is never replaced: "-2", "-3", ... are tried.
// Not thread-safe: one control per thread.
#pragma once

#include <cavra/outside.h>

#include <cstdint>
#include <memory>
#include <string>

namespace cavra::render {

inline constexpr const char* kPrintControlKey = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\PrintControl";

enum FileType : std::int16_t { kXlsx = 0, kPdf = 1, kHtml = 2, kCsv = 3 };

enum OutputCode : std::int32_t {
  kNoDocuments = 4,
  kCannotWrite = 5,
  kNotCounted = 6,
  kPrinterFailed = 7,
  kUnknownFileType = 8,
};

class RenderPrintControl : public IPrintControl {
 public:
  explicit RenderPrintControl(std::string folder = "");
  ~RenderPrintControl() override;

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
  // The main file the last print, preview or export wrote (the PDF of a
  // print, also when the printer failed).
  const std::string& LastFile() const;
  // Pages of the laid-out documents (0 before a successful SetDataStyleXML);
  // laid out on the first call.
  std::size_t PageCount() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Makes RenderPrintControl the default print control ("PrintCanvas.PrintControl")
// of the services created afterwards, replacing the factory registered under
// that name. Linking cavra::render does this before main, after the library's
// own defaults and before anything a host registers in main; a host that links
// the archive by other means calls it.
void RegisterPrintControl();

}  // namespace cavra::render
