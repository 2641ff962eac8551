#include "cavra/components.h"

#include <map>
#include <mutex>

#include "cavra/collection.h"

namespace cavra {
namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, ComponentFactory> factories;  // upper-cased id
};

Registry& GetRegistry() {
  static Registry* registry = new Registry;  // outlives static destructors of hosts
  return *registry;
}

}  // namespace

ComponentFactory ComponentRegistry::Register(std::string_view id, ComponentFactory factory) {
  Registry& r = GetRegistry();
  std::lock_guard lock(r.mutex);
  ComponentFactory& slot = r.factories[detail::UpperKey(id)];
  ComponentFactory previous = std::move(slot);
  slot = std::move(factory);
  if (!slot) r.factories.erase(detail::UpperKey(id));
  return previous;
}

void ComponentRegistry::Unregister(std::string_view id) {
  Registry& r = GetRegistry();
  std::lock_guard lock(r.mutex);
  r.factories.erase(detail::UpperKey(id));
}

bool ComponentRegistry::IsRegistered(std::string_view id) {
  Registry& r = GetRegistry();
  std::lock_guard lock(r.mutex);
  return r.factories.count(detail::UpperKey(id)) != 0;
}

ObjectPtr ComponentRegistry::Create(std::string_view id) {
  ComponentFactory factory;
  {
    Registry& r = GetRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.factories.find(detail::UpperKey(id));
    if (it != r.factories.end()) factory = it->second;
  }
  if (!factory) throw VbError::Standard(err::kCannotCreate);
  ObjectPtr object;
  try {
    object = factory();
  } catch (...) {
    throw VbError::Standard(err::kCannotCreate);
  }
  if (!object) throw VbError::Standard(err::kCannotCreate);
  return object;
}

ScopedComponent::ScopedComponent(std::string id, ComponentFactory factory)
    : id_(std::move(id)), previous_(ComponentRegistry::Register(id_, std::move(factory))) {}

ScopedComponent::~ScopedComponent() { ComponentRegistry::Register(id_, std::move(previous_)); }

}  // namespace cavra
