// ServiceEnvironment: where a service creates its components and which of
// the process-wide caches it uses. A service built without one uses the
// process-wide set and caches, as every service did before; a host or a test
// gives a service its own to keep it apart from the others:
//
//   auto set = std::make_shared<cavra::ComponentSet>();  // falls back to the process-wide set
//   set->Register("FormulaKit.Calculator", [] { return std::make_shared<MyCalculator>(); });
//   cavra::clsVoucherService svc({set, std::make_shared<cavra::BodyKeyCache>()});
#pragma once

#include <memory>
#include <string>

#include "cavra/components.h"
#include "cavra/export.h"

namespace cavra {

// Voucher type -> the name of its body key column, as GetBodyPKName finds
// it. Entries are only added, never changed or removed: a voucher type's
// body key does not change while a process runs. Thread-safe.
class CAVRA_EXPORT BodyKeyCache {
 public:
  BodyKeyCache();
  ~BodyKeyCache();
  BodyKeyCache(const BodyKeyCache&) = delete;
  BodyKeyCache& operator=(const BodyKeyCache&) = delete;

  // The cache every service shares unless it is given its own.
  static const std::shared_ptr<BodyKeyCache>& Process();

  // The cached name, or "" when there is none.
  std::string Find(const std::string& voucherType) const;
  // Keeps the first name added for a voucher type.
  void Add(const std::string& voucherType, const std::string& name);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

struct ServiceEnvironment {
  // The set every component of the service is created from (calculator,
  // sorter, default data source, language resources); null: the process-wide
  // set. The service holds it for its lifetime. The language resources are
  // kept per thread: they come from the set of the thread's first service
  // that can create them.
  std::shared_ptr<const ComponentSet> components = nullptr;
  // The body key names of GetBodyPKName; null: the process-wide cache.
  std::shared_ptr<BodyKeyCache> bodyKeyCache = nullptr;
};

}  // namespace cavra
