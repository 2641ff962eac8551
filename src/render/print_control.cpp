#include "render/print_control.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "render/document.h"
#include "render/layout.h"
#include "render/pdf_writer.h"

namespace cavra::render {
namespace fs = std::filesystem;

namespace {

constexpr std::int16_t kTypePdf = 1;

std::string DefaultFolder() {
  if (const char* env = std::getenv("CAVRA_PRINT_DIR"); env && *env) return env;
  std::error_code ec;
  fs::path temp = fs::temp_directory_path(ec);
  if (ec) temp = "/tmp";
  return (temp / "cavra-print").string();
}

std::string SafeName(const std::string& billNo) {
  std::string name = billNo.substr(0, billNo.find("{##}"));
  for (char& c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
        c == '>' || c == '|')
      c = '_';
  }
  if (name.empty() || name == "." || name == "..") name = "voucher";
  if (name.size() > 120) name.resize(120);
  return name;
}

}  // namespace

struct PdfPrintControl::State {
  std::string folder;
  bool loaded = false;
  StyleDocument style;
  DataDocument data;
  std::size_t pages = 0;
  std::string billNo;
  std::string lastError, lastFile;
  std::int16_t fileType = kTypePdf;
  bool exportEnabled = true;
  ObjectPtr policy;

  Variant Fail(std::string reason) {
    lastError = std::move(reason);
    return Variant(false);
  }

  // Writes the PDF to path, or to a new file in the output folder when path is empty.
  bool Write(std::string path) {
    if (!loaded) {
      lastError = "no print documents have been set";
      return false;
    }
    if (path.empty()) {
      std::error_code ec;
      fs::create_directories(folder, ec);
      if (ec) {
        lastError = "cannot create the folder " + folder + ": " + ec.message();
        return false;
      }
      std::string base = SafeName(billNo);
      fs::path candidate = fs::path(folder) / (base + ".pdf");
      for (int n = 2; fs::exists(candidate, ec); ++n)
        candidate = fs::path(folder) / (base + "-" + std::to_string(n) + ".pdf");
      path = candidate.string();
    }
    // Written beside the target and renamed, so that a failed write leaves
    // any earlier file untouched.
    std::string temp = path + ".part";
    PdfWriter pdf;
    bool written = pdf.Open(temp, style.paperWidth, style.paperHeight);
    if (written) {
      PangoMeasure measure;
      Layout(style, data, measure, [&pdf](Page&& page) { pdf.AddPage(page); });
      written = pdf.Finish();
    }
    if (!written) {
      std::error_code ec;
      fs::remove(temp, ec);
      lastError = pdf.reason();
      return false;
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
      fs::remove(temp, ec);
      lastError = "cannot write " + path + ": " + ec.message();
      return false;
    }
    lastFile = path;
    lastError.clear();
    return true;
  }
};

PdfPrintControl::PdfPrintControl(std::string folder) : state_(std::make_unique<State>()) {
  state_->folder = folder.empty() ? DefaultFolder() : std::move(folder);
}

PdfPrintControl::~PdfPrintControl() = default;

std::int32_t PdfPrintControl::SetDataStyleXML(const std::string& sData, bool bDataIsFile,
                                              const std::string& sStyle, bool bStyleIsFile,
                                              const std::string&) {
  State& s = *state_;
  s.loaded = false;
  s.style = {};
  s.data = {};
  s.pages = 0;
  std::string data = sData, style = sStyle, reason;
  if (bDataIsFile && !ReadDocumentFile(sData, data, reason)) {
    s.lastError = reason;
    return kFileUnreadable;
  }
  if (bStyleIsFile && !ReadDocumentFile(sStyle, style, reason)) {
    s.lastError = reason;
    return kFileUnreadable;
  }
  StyleDocument styleDoc;
  DataDocument dataDoc;
  DocumentError error;
  if (!ReadStyleDocument(style, styleDoc, error) || !ReadDataDocument(data, dataDoc, error)) {
    s.lastError = error.reason;
    return error.code;
  }
  PangoMeasure measure;
  // Laid out once here to find the pages; printing lays out again, straight
  // into the file, so that no voucher's pages are all held in memory.
  s.pages = Layout(styleDoc, dataDoc, measure, [](Page&&) {});
  s.billNo = dataDoc.tasks.empty() ? "" : dataDoc.tasks.front().billNo;
  s.style = std::move(styleDoc);
  s.data = std::move(dataDoc);
  s.loaded = true;
  s.lastError.clear();
  return 0;
}

Variant PdfPrintControl::PrintPreview() { return Variant(state_->Write("")); }

Variant PdfPrintControl::PrintEx(bool) { return Variant(state_->Write("")); }

void PdfPrintControl::EnableExport(bool bEnable) { state_->exportEnabled = bEnable; }

void PdfPrintControl::SetOB(const ObjectPtr& client) { state_->policy = client; }

std::int16_t PdfPrintControl::sFileType() { return state_->fileType; }

void PdfPrintControl::sFileType(std::int16_t type) { state_->fileType = type; }

Variant PdfPrintControl::ExportToFileEx(std::int32_t, std::string&, std::string&, const std::string&,
                                        const std::string&) {
  if (state_->fileType != kTypePdf)
    return state_->Fail("export file type " + std::to_string(state_->fileType) + " is not written yet");
  return Variant(state_->Write(""));
}

Variant PdfPrintControl::ExportToAttached(std::int32_t, std::int32_t, std::string&, std::string&,
                                          std::string&, const std::string&, Variant& OutputFileName) {
  State& s = *state_;
  if (s.fileType != kTypePdf)
    return s.Fail("export file type " + std::to_string(s.fileType) + " is not written yet");
  std::string path = OutputFileName.IsString() ? OutputFileName.AsString() : "";
  if (path.empty()) {
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec) temp = "/tmp";
    std::string pattern = (temp / "cavra-XXXXXX.pdf").string();
    int fd = mkstemps(pattern.data(), 4);
    if (fd < 0) return s.Fail("cannot create a file in " + temp.string());
    close(fd);
    path = pattern;
  }
  if (!s.Write(path)) return Variant(false);
  OutputFileName = Variant(path);
  return Variant(true);
}

const std::string& PdfPrintControl::LastError() const { return state_->lastError; }

const std::string& PdfPrintControl::LastFile() const { return state_->lastFile; }

std::size_t PdfPrintControl::PageCount() const { return state_->loaded ? state_->pages : 0; }

}  // namespace cavra::render
