// The print control a service uses when the host handed it none (created by
// identifier kDefaultPrintControlId, so a renderer or a host can register
// another). It renders nothing yet: it checks that both documents parse and
// writes them as files in UTF-16LE with a byte-order mark, the encoding they
// declare. A document's file is "<stem>.data.xml" or "<stem>.style.xml".
//
// Output folder: OutputFolder() when set, else the environment variable
// CAVRA_PRINT_DIR, else "cavra-print" under the temporary folder; it is
// created on the first write.
//
// SetDataStyleXML codes (ErrorText() gives the reason, the parser's own for
// a document that does not parse):
//   0 both documents parse;  1 the data document does not;  2 the style
//   document does not;  3 a document given as a file path cannot be read.
// The other members answer 0 when they wrote their files, else:
//   4 no documents were set;  5 a file cannot be written (no earlier file is
//   lost: each file is written beside its name and renamed over it);
//   6 the documents were written but the print-policy client failed to count.
//
// What each member writes today, for every file-type code alike (a renderer
// will turn the documents into the code's format):
//   PrintPreview           preview-<n>.{data,style}.xml; counts nothing
//   PrintEx                print-<n>.{data,style}.xml, then tells the client
//                          attached by SetOB (an IPrintPolicy) of the print
//   ExportToFileEx         export-<n>-type<code>.{data,style}.xml
//   ExportToAttached       the data document into OutputFileName and the
//                          style document into OutputFileName + ".style.xml";
//                          an empty name gets a new file cavra-export-*.xml in
//                          the temporary folder, handed back in OutputFileName
// <n> is the smallest number from 1 whose files do not exist yet.
// SetDataStyleXML starts a new job: it lets go of the client SetOB attached
// for the documents before, so a print that attaches none counts nothing.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cavra/outside.h"

namespace cavra {

inline constexpr const char* kDefaultPrintControlId = "PrintCanvas.PrintControl";

class DefaultPrintControl final : public IPrintControl {
 public:
  std::int32_t SetDataStyleXML(const std::string& sData, bool bDataIsFile, const std::string& sStyle,
                               bool bStyleIsFile, const std::string& sPrinter) override;
  Variant PrintPreview() override;
  Variant PrintEx(bool bShowPrintDlg) override;
  void EnableExport(bool bEnable) override { export_enabled_ = bEnable; }
  void SetOB(const ObjectPtr& client) override { client_ = client; }
  std::int16_t sFileType() override { return file_type_; }
  void sFileType(std::int16_t type) override { file_type_ = type; }
  Variant ExportToFileEx(std::int32_t nMode, std::string& sFieldType, std::string& sFieldSize,
                         const std::string& sFieldName, const std::string& sReserved) override;
  Variant ExportToAttached(std::int32_t n1, std::int32_t n2, std::string& sFieldType, std::string& sFieldSize,
                           std::string& sFieldName, const std::string& sReserved,
                           Variant& OutputFileName) override;

  // The folder files go to (see above).
  std::filesystem::path OutputFolder() const;
  void OutputFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
  // Why the last member failed; "" after a success.
  const std::string& ErrorText() const noexcept { return error_; }
  // The files the last member wrote.
  const std::vector<std::filesystem::path>& WrittenFiles() const noexcept { return written_; }
  bool ExportEnabled() const noexcept { return export_enabled_; }

 private:
  std::int32_t Fail(std::int32_t code, std::string text);
  // Writes both documents under the first free <prefix>-<n> stem of the folder.
  std::int32_t WriteNumbered(const std::string& prefix, const std::string& suffix);
  std::int32_t WritePair(const std::filesystem::path& data, const std::filesystem::path& style);

  std::string data_, style_;
  bool loaded_ = false;
  bool export_enabled_ = true;
  std::int16_t file_type_ = 0;
  ObjectPtr client_;
  std::filesystem::path folder_;
  std::string error_;
  std::vector<std::filesystem::path> written_;
};

}  // namespace cavra
