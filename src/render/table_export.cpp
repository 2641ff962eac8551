#include "render/table_export.h"

namespace cavra::render {

bool WriteXlsx(const StyleDocument&, const DataDocument&, const TableColumns&, const std::string&,
               std::string& reason) {
  reason = "spreadsheet export is not available yet";
  return false;
}

bool WriteCsv(const StyleDocument&, const DataDocument&, const TableColumns&, const std::string&,
              std::string& reason) {
  reason = "CSV export is not available yet";
  return false;
}

}  // namespace cavra::render
