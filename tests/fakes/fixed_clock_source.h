// A data source that answers the print-count query with a fixed count and
// clock and passes everything else to the one it wraps, so that prepared
// print documents do not change from run to run.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cavra/datasource.h"
#include "cavra/recordset.h"

namespace cavra::testing {

class FixedClockSource : public IDataSource {
 public:
  explicit FixedClockSource(DataSourcePtr inner) : inner_(std::move(inner)) {}
  RecordsetPtr GetRsBySql(const std::string& sql, std::string& errText) override {
    if (sql.rfind("select sum(total)", 0) == 0) {
      auto rs = std::make_shared<Recordset>(
          std::vector<std::string>{"total", "lastprintTime", "CurrentServerDate"});
      rs->AddRow({Variant(2), Variant("2026-12-02 10:00:00"), Variant("2026-12-06 08:30:00")});
      return rs;
    }
    return inner_->GetRsBySql(sql, errText);
  }
  std::string GetAuthString(const std::string& billNo) override { return inner_->GetAuthString(billNo); }
  Variant GetCustomerInfo(std::string& request, std::string& errText) override {
    return inner_->GetCustomerInfo(request, errText);
  }
  std::string GetCustomerizeTotalTitle() override { return ""; }
  std::string GetCustomerizeTotalTitle(const std::string&) override { return ""; }
  std::string GetWorkflowAuthString(std::string& pk, std::string& receipt, const std::string& billNo) override {
    return inner_->GetWorkflowAuthString(pk, receipt, billNo);
  }

 private:
  DataSourcePtr inner_;
};

}  // namespace cavra::testing
