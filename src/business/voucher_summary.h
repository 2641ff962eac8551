// VoucherSummary: a short summary of the voucher for an instant message -
// the first five shown header fields with their display values.
#pragma once

#include <string>

#include "business/im_contacts.h"
#include "template/template_model.h"

namespace cavra {

class VoucherSummary {
 public:
  VoucherSummary(TemplateModel& model, VoucherHeader header) : model_(model), header_(std::move(header)) {}

  // "<Summary>" + "<Field Name='...' DisplayName='...' Value='...' />" for
  // each of the first five shown header fields, in layout order, +
  // "</Summary>". A field that fails is left out; nothing raises.
  std::string GetVoucherSummaryInfo();

 private:
  TemplateModel& model_;
  VoucherHeader header_;
};

}  // namespace cavra
