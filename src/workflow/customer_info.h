// CustomerInfo: a user's settings per voucher type and template (their
// aggregation layout, their last sort command, ...), wrapped in a "Data"
// record and stored through the data source. Nothing here raises: failures
// end up in the trace log.
#pragma once

#include <string>

#include "cavra/variant.h"
#include "core/service_context.h"
#include "template/template_model.h"

namespace cavra {

class CustomerInfo {
 public:
  CustomerInfo(ServiceContext& context, TemplateModel& model);

  // Saves content as the aggregation record of the loaded template.
  void SaveCustomerInfo(const std::string& content);
  // Saves content as a record of the given kind.
  void SaveCustomerInfoEx(const std::string& content, const std::string& kind);
  // Reads a record. An empty sType reads the aggregation record and sets
  // sType to "voucherAggregate" and sTemplateID to the template id.
  Variant GetCustomerInfo(std::string& sType, std::string& sTemplateID);

 private:
  void Save(const std::string& record, const char* procedure);

  ServiceContext& ctx_;
  TemplateModel& model_;
};

}  // namespace cavra
