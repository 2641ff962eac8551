// What the fuzz targets share: the sample sales order (its template and its
// head and body rowsets, read once per process through the library's own
// SQLite data source), a service wired to a data source that answers
// nothing, and a display pass that reads every field of every line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cavra/dom.h"
#include "cavra/recordset.h"
#include "cavra/voucher_service.h"
#include "fakes/fakes.h"
#include "fuzz/check.h"

namespace cavra::fuzz {

struct SalesOrder {
  std::string template_xml;  // examples/sales_order/template.xml
  std::string head_xml;      // the sample voucher's head rowset
  std::string body_xml;      // and its body rowset
  RecordsetPtr Template() const;  // a fresh template recordset
  // One template recordset for the process: reading the template document
  // costs more than the rest of an execution, and loading a template only
  // reads its recordset.
  RecordsetPtr shared_template;
};

// Built on first use; aborts when the sample cannot be read, since every
// later input would then test nothing.
const SalesOrder& Sample();

// Lines a display pass reads at most, so that a body of many rows stays fast.
inline constexpr std::int32_t kMaxDisplayRows = 64;

struct Service {
  std::shared_ptr<testing::FakeDataSource> ds = std::make_shared<testing::FakeDataSource>();
  clsVoucherService svc;
  Service();
};

// headerText and headerDisplayText of every header item (by index and by
// name), bodyText of every body item on lines 0 .. rows + 1 (at most
// kMaxDisplayRows), the totals, and the data documents read back.
void DisplayPass(clsVoucherService& svc, std::int32_t rows);

// Number of z:row elements of a rowset document's rs:data (0 for null).
std::int32_t RowCount(const DomPtr& rowset);

// The input split at its first NUL byte (second part empty when none).
std::pair<std::string_view, std::string_view> SplitAtNul(const std::uint8_t* data, std::size_t size);

}  // namespace cavra::fuzz
