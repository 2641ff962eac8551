#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

#include "cavra/datasource.h"
#include "cavra/error.h"
#include "cavra/rowset.h"
#include "cavra/template_file.h"
#include "platform/xml.h"

namespace cavra::fuzz {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Serialize(const pugi::xml_document& doc) {
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw);
  return out.str();
}

SalesOrder Build() {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("cavra-fuzz-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  // The service writes its registry values and logs somewhere: never into the user's own files.
  const bool own_dir = !std::getenv("CAVRA_REGISTRY_FILE") || !std::getenv("CAVRA_COMPONENT_DIR");
  ::setenv("CAVRA_REGISTRY_FILE", (dir / "registry.ini").c_str(), 0);
  ::setenv("CAVRA_COMPONENT_DIR", dir.c_str(), 0);

  SalesOrder sample;
  sample.template_xml = ReadFile(fs::path(CAVRA_FUZZ_EXAMPLES) / "sales_order" / "template.xml");
  {
    auto db = OpenSqliteDataSource(dir / "sample.db", true);
    if (!db.ok()) Fail("the sample database cannot be made: " + db.error().description());
    auto head = (*db)->QuerySql("select * from SO_SOMain where ID=?", {1000001});
    auto body = (*db)->QuerySql("select * from SO_SODetails where ID=? order by AutoID", {1000001});
    if (!head.ok()) Fail("the sample voucher cannot be read: " + head.error().description());
    if (!body.ok() || (*body)->RecordCount() < 2) Fail("the sample voucher's lines cannot be read");
    sample.head_xml = Serialize(*RecordsetToRowset(**head));
    sample.body_xml = Serialize(*RecordsetToRowset(**body));
  }
  std::error_code ignored;
  if (own_dir)
    fs::remove(dir / "sample.db", ignored);  // the folder stays for the service's files
  else
    fs::remove_all(dir, ignored);
  sample.shared_template = sample.Template();
  return sample;
}

}  // namespace

const SalesOrder& Sample() {
  static const SalesOrder sample = Build();
  return sample;
}

RecordsetPtr SalesOrder::Template() const {
  auto doc = xml::LoadNew(template_xml);
  if (!doc) Fail("the sample template does not parse");
  return TemplateRecordsetFromXml(*doc).value();
}

Service::Service() { svc.SetDataSource(ds); }

std::int32_t RowCount(const DomPtr& rowset) {
  if (!rowset) return 0;
  std::int32_t n = 0;
  for (auto row : rowset->document_element().child("rs:data").children("z:row")) {
    (void)row;
    ++n;
  }
  return n;
}

void DisplayPass(clsVoucherService& svc, std::int32_t rows) {
  std::vector<std::string> head_names, body_names;
  for (std::int32_t i = 1; i <= svc.HeadInfoCount(); ++i) {
    if (ItemPtr item = svc.ItemState(i, siHeader)) head_names.push_back(item->sFieldName);
    svc.headerText(i);
    svc.headerDisplayText(i);
  }
  for (const auto& name : head_names) {
    svc.headerText(name);
    svc.headerDisplayText(name);
  }
  for (std::int32_t i = 1; i <= svc.BodyInfoCount(); ++i)
    if (ItemPtr item = svc.ItemState(i, sibody)) body_names.push_back(item->sFieldName);
  const std::int32_t last = std::min(rows + 1, kMaxDisplayRows);
  for (std::int32_t row = 0; row <= last; ++row) {
    for (const auto& name : body_names) svc.bodyText(row, name);
    for (std::int32_t i = 1; i <= static_cast<std::int32_t>(body_names.size()); ++i) svc.bodyText(row, i);
  }
  for (const auto& name : body_names) svc.TotalText(name);
  DomPtr head, body;
  svc.getVoucherDataXML(head, body);
  svc.GetLastError();
}

std::pair<std::string_view, std::string_view> SplitAtNul(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = all.find('\0');
  if (nul == std::string_view::npos) return {all, {}};
  return {all.substr(0, nul), all.substr(nul + 1)};
}

}  // namespace cavra::fuzz
