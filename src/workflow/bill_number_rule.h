// BillNumberRule: the voucher-number rule a host hands over. When the rule
// does not let the user change the number by hand, it records which header
// fields feed the number and the rule texts of its date-like parts. Nothing
// here reports to the host: failures end up in the trace log.
#pragma once

#include <string>

#include "cavra/bill_number_rule.h"
#include "cavra/collection.h"
#include "template/template_model.h"

namespace cavra {

class BillNumberRule {
 public:
  explicit BillNumberRule(const TemplateModel& model);

  // Records sXML as described above; always false, as hosts expect.
  bool SetBillNumberRule(const std::string& sXML);
  // A copy of what is recorded.
  BillNumberRuleRecord Record() const;

 private:
  const TemplateModel& model_;
  Collection<std::string> fields_;   // header fields in rule order, repeats kept
  Collection<std::string> formats_;  // rule text keyed by field name, first wins
  bool recorded_ = false;
};

}  // namespace cavra
