#include "render/print_control.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cavra/components.h>
#include <cavra/ini_file.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

#include "render/document.h"
#include "render/html_writer.h"
#include "render/layout.h"
#include "render/pdf_writer.h"
#include "render/printer.h"
#include "render/table_export.h"

extern char** environ;

namespace cavra::render {
namespace fs = std::filesystem;

namespace {

fs::path TempFolder() {
  std::error_code ec;
  fs::path temp = fs::temp_directory_path(ec);
  return ec ? fs::path("/tmp") : temp;
}

std::string DefaultFolder() {
  if (const char* env = std::getenv("CAVRA_PRINT_DIR"); env && *env) return env;
  return (TempFolder() / "cavra-print").string();
}

std::string Setting(const char* env, const char* value) {
  if (const char* v = std::getenv(env); v && *v) return v;
  return classIniFile().RegRead(kPrintControlKey, value);
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

const char* Extension(std::int16_t type) {
  switch (type) {
    case kXlsx: return ".xlsx";
    case kPdf: return ".pdf";
    case kHtml: return ".html";
    case kCsv: return ".csv";
    default: return nullptr;
  }
}

// Starts command through /bin/sh with file as "$1" and returns at once: the
// shell puts the command in the background and exits, so no child is left
// to reap and the file name is never parsed as shell text.
void StartPreview(const std::string& command, const std::string& file, bool exportEnabled) {
  std::string script = "(" + command + ") </dev/null >/dev/null 2>&1 &";
  std::string exportVar = std::string("CAVRA_PREVIEW_EXPORT=") + (exportEnabled ? "1" : "0");
  std::vector<std::string> env{exportVar};
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).substr(0, 21) != "CAVRA_PREVIEW_EXPORT=") env.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const char* argv[] = {"/bin/sh", "-c", script.c_str(), "cavra-preview", file.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), envp.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
  }
}

}  // namespace

struct RenderPrintControl::State {
  std::string folder;
  bool loaded = false;
  StyleDocument style;
  DataDocument data;
  std::optional<std::size_t> pages;  // counted when first asked: printing lays out anyway
  std::string billNo;
  std::string lastError, lastFile;
  std::int16_t fileType = kPdf;
  bool exportEnabled = true;
  ObjectPtr policy;

  std::int32_t Fail(std::int32_t code, std::string reason) {
    lastError = std::move(reason);
    return code;
  }

  // A new path <folder>/<stem><ext> for each extension, none of them taken.
  bool NewPaths(const std::vector<const char*>& extensions, std::vector<std::string>& paths) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
      lastError = "cannot create the folder " + folder + ": " + ec.message();
      return false;
    }
    std::string base = SafeName(billNo);
    for (int n = 1;; ++n) {
      std::string stem = n == 1 ? base : base + "-" + std::to_string(n);
      paths.clear();
      bool taken = false;
      for (const char* ext : extensions) {
        paths.push_back((fs::path(folder) / (stem + ext)).string());
        taken = taken || fs::exists(paths.back(), ec);
      }
      if (!taken) return true;
    }
  }

  // Writes through write(tempPath, reason) beside path and renames, so that a
  // failed write leaves any earlier file whole.
  bool WriteAside(const std::string& path, const std::function<bool(const std::string&, std::string&)>& write) {
    std::string temp = path + ".part", reason;
    std::error_code ec;
    if (!write(temp, reason)) {
      fs::remove(temp, ec);
      lastError = reason.empty() ? "cannot write " + path : reason;
      return false;
    }
    fs::rename(temp, path, ec);
    if (ec) {
      fs::remove(temp, ec);
      lastError = "cannot write " + path + ": " + ec.message();
      return false;
    }
    return true;
  }

  // Pages are laid out again for every file, straight into it, so that no
  // voucher's pages are all held in memory.
  template <class Writer>
  bool Render(const std::string& path) {
    return WriteAside(path, [this](const std::string& temp, std::string& reason) {
      Writer writer;
      if (!writer.Open(temp, style.paperWidth, style.paperHeight)) {
        reason = writer.reason();
        return false;
      }
      PangoMeasure measure;
      Layout(style, data, measure, [&writer](Page&& page) { writer.AddPage(page); });
      if (!writer.Finish()) {
        reason = writer.reason();
        return false;
      }
      return true;
    });
  }

  bool Write(std::int16_t type, const std::string& path, const TableColumns& columns) {
    switch (type) {
      case kPdf: return Render<PdfWriter>(path);
      case kHtml: return Render<HtmlWriter>(path);
      case kXlsx:
        return WriteAside(path, [&](const std::string& temp, std::string& reason) {
          return WriteXlsx(style, data, columns, temp, reason);
        });
      case kCsv:
        return WriteAside(path, [&](const std::string& temp, std::string& reason) {
          return WriteCsv(style, data, columns, temp, reason);
        });
      default: return false;
    }
  }

  std::int32_t Export(std::string path, const TableColumns& columns, std::string* created) {
    lastFile.clear();
    if (!loaded) return Fail(kNoDocuments, "no print documents have been set");
    const char* ext = Extension(fileType);
    if (!ext) return Fail(kUnknownFileType, "unknown export file type " + std::to_string(fileType));
    if (path.empty() && created) {
      std::string pattern = (TempFolder() / (std::string("cavra-XXXXXX") + ext)).string();
      int fd = mkstemps(pattern.data(), static_cast<int>(std::string_view(ext).size()));
      if (fd < 0) return Fail(kCannotWrite, "cannot create a file in " + TempFolder().string());
      close(fd);
      path = *created = pattern;
    } else if (path.empty()) {
      std::vector<std::string> paths;
      if (!NewPaths({ext}, paths)) return kCannotWrite;
      path = paths[0];
    }
    if (!Write(fileType, path, columns)) {
      std::error_code ec;
      if (created && !created->empty()) fs::remove(*created, ec);
      return kCannotWrite;
    }
    lastFile = path;
    lastError.clear();
    return 0;
  }
};

RenderPrintControl::RenderPrintControl(std::string folder) : state_(std::make_unique<State>()) {
  state_->folder = folder.empty() ? DefaultFolder() : std::move(folder);
}

RenderPrintControl::~RenderPrintControl() = default;

std::int32_t RenderPrintControl::SetDataStyleXML(const std::string& sData, bool bDataIsFile,
                                                 const std::string& sStyle, bool bStyleIsFile,
                                                 const std::string&) {
  State& s = *state_;
  s.loaded = false;
  s.style = {};
  s.data = {};
  s.pages.reset();
  s.policy.reset();  // it counted the vouchers of the documents before
  std::string data = sData, style = sStyle, reason;
  if (bDataIsFile && !ReadDocumentFile(sData, data, reason)) return s.Fail(kFileUnreadable, reason);
  if (bStyleIsFile && !ReadDocumentFile(sStyle, style, reason)) return s.Fail(kFileUnreadable, reason);
  StyleDocument styleDoc;
  DataDocument dataDoc;
  DocumentError error;
  if (!ReadStyleDocument(style, styleDoc, error) || !ReadDataDocument(data, dataDoc, error))
    return s.Fail(error.code, error.reason);
  s.billNo = dataDoc.tasks.empty() ? "" : dataDoc.tasks.front().billNo;
  s.style = std::move(styleDoc);
  s.data = std::move(dataDoc);
  s.loaded = true;
  s.lastError.clear();
  return 0;
}

Variant RenderPrintControl::PrintPreview() {
  State& s = *state_;
  s.lastFile.clear();
  if (!s.loaded) return Variant(s.Fail(kNoDocuments, "no print documents have been set"));
  std::vector<std::string> paths;
  if (!s.NewPaths({".pdf", ".html"}, paths) || !s.Render<PdfWriter>(paths[0]) || !s.Render<HtmlWriter>(paths[1]))
    return Variant(std::int32_t{kCannotWrite});
  s.lastFile = paths[0];
  s.lastError.clear();
  if (std::string command = Setting("CAVRA_PREVIEW_COMMAND", "PreviewCommand"); !command.empty())
    StartPreview(command, paths[0], s.exportEnabled);
  return Variant(std::int32_t{0});
}

Variant RenderPrintControl::PrintEx(bool) {
  State& s = *state_;
  s.lastFile.clear();
  if (!s.loaded) return Variant(s.Fail(kNoDocuments, "no print documents have been set"));
  std::vector<std::string> paths;
  if (!s.NewPaths({".pdf"}, paths) || !s.Render<PdfWriter>(paths[0])) return Variant(std::int32_t{kCannotWrite});
  s.lastFile = paths[0];
  s.lastError.clear();
  if (std::string printer = Setting("CAVRA_PRINTER", "Printer"); !printer.empty()) {
    PrintResult sent = PrintPdf(printer, paths[0], fs::path(paths[0]).stem().string());
    if (!sent.ok) return Variant(s.Fail(kPrinterFailed, sent.reason + " (the PDF is kept: " + paths[0] + ")"));
  }
  if (auto policy = std::dynamic_pointer_cast<IPrintPolicy>(s.policy)) {
    try {
      policy->Printed();
    } catch (const std::exception& e) {
      return Variant(s.Fail(kNotCounted, std::string("the print was not counted: ") + e.what()));
    } catch (...) {
      return Variant(s.Fail(kNotCounted, "the print was not counted"));
    }
  }
  return Variant(std::int32_t{0});
}

void RenderPrintControl::EnableExport(bool bEnable) { state_->exportEnabled = bEnable; }

void RenderPrintControl::SetOB(const ObjectPtr& client) { state_->policy = client; }

std::int16_t RenderPrintControl::sFileType() { return state_->fileType; }

void RenderPrintControl::sFileType(std::int16_t type) { state_->fileType = type; }

namespace {

TableColumns Columns(const std::string& types, const std::string& sizes, const std::string& names) {
  auto split = [](const std::string& list) {
    std::vector<std::string> parts;
    if (list.empty()) return parts;
    for (std::size_t at = 0;;) {
      std::size_t comma = list.find(',', at);
      parts.push_back(list.substr(at, comma - at));
      if (comma == std::string::npos) return parts;
      at = comma + 1;
    }
  };
  return {split(types), split(sizes), split(names)};
}

}  // namespace

Variant RenderPrintControl::ExportToFileEx(std::int32_t, std::string& sFieldType, std::string& sFieldSize,
                                           const std::string& sFieldName, const std::string&) {
  return Variant(state_->Export("", Columns(sFieldType, sFieldSize, sFieldName), nullptr));
}

Variant RenderPrintControl::ExportToAttached(std::int32_t, std::int32_t, std::string& sFieldType,
                                             std::string& sFieldSize, std::string& sFieldName,
                                             const std::string&, Variant& OutputFileName) {
  std::string path = OutputFileName.IsString() ? OutputFileName.AsString() : "", created;
  std::int32_t code = state_->Export(path, Columns(sFieldType, sFieldSize, sFieldName), &created);
  if (code == 0) OutputFileName = Variant(state_->lastFile);
  return Variant(code);
}

const std::string& RenderPrintControl::LastError() const { return state_->lastError; }

const std::string& RenderPrintControl::LastFile() const { return state_->lastFile; }

std::size_t RenderPrintControl::PageCount() const {
  State& s = *state_;
  if (!s.loaded) return 0;
  if (!s.pages) {
    PangoMeasure measure;
    s.pages = Layout(s.style, s.data, measure, [](Page&&) {});
  }
  return *s.pages;
}

void RegisterPrintControl() {
  ComponentRegistry::Register("PrintCanvas.PrintControl", [] { return std::make_shared<RenderPrintControl>(); });
}

}  // namespace cavra::render
