#include "cavra/service_environment.h"

#include <map>
#include <mutex>

namespace cavra {

struct BodyKeyCache::State {
  mutable std::mutex mutex;
  std::map<std::string, std::string> names;
};

BodyKeyCache::BodyKeyCache() : state_(std::make_unique<State>()) {}
BodyKeyCache::~BodyKeyCache() = default;

const std::shared_ptr<BodyKeyCache>& BodyKeyCache::Process() {
  // Never destroyed, like the process-wide component set.
  static auto* process = new std::shared_ptr<BodyKeyCache>(std::make_shared<BodyKeyCache>());
  return *process;
}

std::string BodyKeyCache::Find(const std::string& voucherType) const {
  std::lock_guard lock(state_->mutex);
  auto it = state_->names.find(voucherType);
  return it == state_->names.end() ? std::string() : it->second;
}

void BodyKeyCache::Add(const std::string& voucherType, const std::string& name) {
  std::lock_guard lock(state_->mutex);
  state_->names.emplace(voucherType, name);
}

}  // namespace cavra
