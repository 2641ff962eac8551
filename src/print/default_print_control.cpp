#include "print/default_print_control.h"

#include <cstdlib>
#include <sstream>
#include <system_error>
#include <unistd.h>

#include "cavra/error.h"
#include "core/service_context.h"
#include "platform/paths.h"
#include "platform/xml.h"
#include "print/output_sink.h"

namespace cavra {
namespace {

namespace fs = std::filesystem;

// A document given as a file: its text as UTF-8, whatever the file's encoding.
bool ReadDocumentFile(const std::string& path, std::string& text, std::string& reason) {
  pugi::xml_document doc;
  const pugi::xml_parse_result r = doc.load_file(path.c_str(), pugi::parse_default | pugi::parse_declaration,
                                                 pugi::encoding_auto);
  if (!r) {
    reason = path + ": " + r.description();
    return false;
  }
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
  text = out.str();
  return true;
}

// Writes text beside path and renames it over path, so a failure leaves the
// earlier file whole.
void WriteUtf16(const fs::path& path, const std::string& text) {
  fs::path part = path;
  part += ".part";
  try {
    Utf16FileSink sink(part);
    sink.Write(text);
    sink.Close();
    fs::rename(part, path);
  } catch (...) {
    std::error_code ec;
    fs::remove(part, ec);
    throw;
  }
}

}  // namespace

std::int32_t DefaultPrintControl::Fail(std::int32_t code, std::string text) {
  error_ = std::move(text);
  return code;
}

fs::path DefaultPrintControl::OutputFolder() const {
  if (!folder_.empty()) return folder_;
  if (const char* env = std::getenv("CAVRA_PRINT_DIR"); env && *env) return env;
  return paths::TempDirectory() / "cavra-print";
}

std::int32_t DefaultPrintControl::SetDataStyleXML(const std::string& sData, bool bDataIsFile,
                                                  const std::string& sStyle, bool bStyleIsFile,
                                                  const std::string&) {
  loaded_ = false;
  written_.clear();
  error_.clear();
  client_.reset();  // its vouchers were those of the documents before
  std::string data = sData, style = sStyle, reason;
  if (bDataIsFile && !ReadDocumentFile(sData, data, reason)) return Fail(3, reason);
  if (bStyleIsFile && !ReadDocumentFile(sStyle, style, reason)) return Fail(3, reason);
  pugi::xml_document doc;
  if (xml::LoadResult r = xml::Load(doc, data); !r) return Fail(1, "data document: " + r.reason);
  if (xml::LoadResult r = xml::Load(doc, style); !r) return Fail(2, "style document: " + r.reason);
  data_ = std::move(data);
  style_ = std::move(style);
  loaded_ = true;
  return 0;
}

std::int32_t DefaultPrintControl::WritePair(const fs::path& data, const fs::path& style) {
  try {
    WriteUtf16(data, data_);
    written_.push_back(data);
    WriteUtf16(style, style_);
    written_.push_back(style);
    return 0;
  } catch (...) {
    return Fail(5, CurrentErrorInfo().second);
  }
}

std::int32_t DefaultPrintControl::WriteNumbered(const std::string& prefix, const std::string& suffix) {
  written_.clear();
  error_.clear();
  if (!loaded_) return Fail(4, "no documents to write");
  const fs::path folder = OutputFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return Fail(5, folder.string() + ": " + ec.message());
  for (int n = 1;; ++n) {
    const std::string stem = prefix + "-" + std::to_string(n) + suffix;
    const fs::path data = folder / (stem + ".data.xml"), style = folder / (stem + ".style.xml");
    if (!fs::exists(data, ec) && !fs::exists(style, ec)) return WritePair(data, style);
  }
}

Variant DefaultPrintControl::PrintPreview() { return Variant(WriteNumbered("preview", "")); }

Variant DefaultPrintControl::PrintEx(bool) {
  const std::int32_t code = WriteNumbered("print", "");
  if (code != 0) return Variant(code);
  if (auto policy = std::dynamic_pointer_cast<IPrintPolicy>(client_)) {
    try {
      policy->Printed();
    } catch (...) {
      return Variant(Fail(6, "the print was not counted: " + CurrentErrorInfo().second));
    }
  }
  return Variant(std::int32_t{0});
}

Variant DefaultPrintControl::ExportToFileEx(std::int32_t, std::string&, std::string&, const std::string&,
                                            const std::string&) {
  return Variant(WriteNumbered("export", "-type" + std::to_string(file_type_)));
}

Variant DefaultPrintControl::ExportToAttached(std::int32_t, std::int32_t, std::string&, std::string&,
                                              std::string&, const std::string&, Variant& OutputFileName) {
  written_.clear();
  error_.clear();
  if (!loaded_) return Variant(Fail(4, "no documents to write"));
  std::string name = OutputFileName.IsString() ? OutputFileName.AsString() : std::string();
  bool created = false;
  if (name.empty()) {
    std::string pattern = (paths::TempDirectory() / "cavra-export-XXXXXX.xml").string();
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0) return Variant(Fail(5, pattern + ": cannot create a temporary file"));
    ::close(fd);
    name = pattern;
    created = true;
  }
  const std::int32_t code = WritePair(name, name + ".style.xml");
  if (code != 0) {
    std::error_code ec;
    if (created) fs::remove(name, ec);
    return Variant(code);
  }
  OutputFileName = Variant(name);
  return Variant(std::int32_t{0});
}

}  // namespace cavra
