// The default print-policy client ("PrintGuard.ISvr"): counts printed
// vouchers in PrintPolicy_VCH through the data source it is given.
//
// Each AddSVID text is a 单据号 of the data document: receipt number, "{##}",
// primary keys and perhaps more. The voucher is counted under its receipt
// number (the text before the first "{##}"), which is what the print-count
// text of labels looks up; an empty receipt number is not counted. Printed()
// adds one to total and sets lastprintTime (the server's time) and
// lastprintUser (the data source's GetUserName, "" when it has none) for
// each voucher under the policy id, inserting the row on the first print.
// Values are SQL literals (quotes doubled). The read and the write are two
// statements: two hosts printing the same voucher at the same moment may
// both insert, and the second insert then fails on the primary key.
#pragma once

#include <string>
#include <vector>

#include "cavra/outside.h"

namespace cavra {

class PrintPolicy final : public IPrintPolicy {
 public:
  void DataSource(DataSourcePtr source) override { source_ = std::move(source); }
  void langID(const std::string& id) override { lang_ = id; }
  void policyid(const std::string& id) override { policy_ = id; }
  void AddSVID(const std::string& text) override { ids_.push_back(text); }
  // VbError 91 without a data source; a failing statement raises the data
  // source's reason, the vouchers counted before it stay counted.
  void Printed() override;

  const std::vector<std::string>& Vouchers() const noexcept { return ids_; }

 private:
  DataSourcePtr source_;
  std::string lang_;
  std::string policy_;
  std::vector<std::string> ids_;
};

}  // namespace cavra
