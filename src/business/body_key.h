// BodyKey: the name of a voucher type's body key column (vouchers_base's
// vchBodyPKName), read through the data source and kept in a cache, since a
// voucher type's body key does not change while a process runs. The cache is
// the service's (its environment's, else the process-wide one).
//
// Only a name the database gave for exactly the voucher type asked about can
// enter the cache: the type reaches the query as a literal it cannot end, and
// a type no literal can carry (one holding NUL) is never queried. An empty
// name is not cached, so a type without a row is queried again next time.
#pragma once

#include <string>

#include "cavra/service_environment.h"
#include "core/service_context.h"
#include "template/template_model.h"

namespace cavra {

class BodyKey {
 public:
  // Uses the cache of the context.
  explicit BodyKey(ServiceContext& context) : BodyKey(context, context.BodyKeys()) {}
  BodyKey(ServiceContext& context, BodyKeyCache& cache) : ctx_(context), cache_(cache) {}

  // The body key name of voucherType: from the cache, else from the query
  // "select vchBodyPKName from vouchers_base where cardnumber='<type>'" (Null
  // reads as ""). Never raises: a failing query is logged and gives "".
  std::string Name(const std::string& voucherType);
  // The same for the loaded template's sBillNo ("" when none is loaded).
  std::string Name(const TemplateModel& model);

 private:
  ServiceContext& ctx_;
  BodyKeyCache& cache_;
};

}  // namespace cavra
