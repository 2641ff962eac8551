// Files compiled into the library at build time (embed_files.cmake): the
// schema script and the examples/ templates and vouchers the default
// database is seeded with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cavra::datasource {

// A template.xml or voucher.xml document; name is its path under examples/
// ("sales_order/template.xml"), which tells the two kinds apart.
struct SeedFile {
  std::string name;
  std::string_view content;
};

std::string_view EmbeddedSchema();
std::vector<SeedFile> EmbeddedExamples();

}  // namespace cavra::datasource
