#include "cavra/components.h"

#include <map>
#include <mutex>

#include "cavra/collection.h"

namespace cavra {

struct ComponentSet::State {
  mutable std::mutex mutex;
  std::map<std::string, ComponentFactory> factories;  // upper-cased id
};

ComponentSet::ComponentSet() : ComponentSet(Process()) {}

ComponentSet::ComponentSet(std::shared_ptr<const ComponentSet> fallback)
    : state_(std::make_unique<State>()), fallback_(std::move(fallback)) {}

ComponentSet::~ComponentSet() = default;

const std::shared_ptr<ComponentSet>& ComponentSet::Process() {
  // Never destroyed: hosts' static destructors may still create components.
  static auto* process = new std::shared_ptr<ComponentSet>(new ComponentSet(nullptr));
  return *process;
}

ComponentFactory ComponentSet::Register(std::string_view id, ComponentFactory factory) {
  const std::string key = detail::UpperKey(id);
  std::lock_guard lock(state_->mutex);
  ComponentFactory& slot = state_->factories[key];
  ComponentFactory previous = std::move(slot);
  slot = std::move(factory);
  if (!slot) state_->factories.erase(key);
  return previous;
}

void ComponentSet::Unregister(std::string_view id) {
  const std::string key = detail::UpperKey(id);
  std::lock_guard lock(state_->mutex);
  state_->factories.erase(key);
}

bool ComponentSet::IsRegistered(std::string_view id) const {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->factories.count(detail::UpperKey(id)) != 0) return true;
  }
  return fallback_ && fallback_->IsRegistered(id);
}

ObjectPtr ComponentSet::Create(std::string_view id) const {
  ComponentFactory factory;
  {
    std::lock_guard lock(state_->mutex);
    auto it = state_->factories.find(detail::UpperKey(id));
    if (it != state_->factories.end()) factory = it->second;
  }
  // The factory runs unlocked: it may itself create components.
  if (!factory) {
    if (fallback_) return fallback_->Create(id);
    throw VbError::Standard(err::kCannotCreate);
  }
  ObjectPtr object;
  try {
    object = factory();
  } catch (...) {
    throw VbError::Standard(err::kCannotCreate);
  }
  if (!object) throw VbError::Standard(err::kCannotCreate);
  return object;
}

ComponentFactory ComponentRegistry::Register(std::string_view id, ComponentFactory factory) {
  return ComponentSet::Process()->Register(id, std::move(factory));
}

void ComponentRegistry::Unregister(std::string_view id) { ComponentSet::Process()->Unregister(id); }

bool ComponentRegistry::IsRegistered(std::string_view id) {
  return ComponentSet::Process()->IsRegistered(id);
}

ObjectPtr ComponentRegistry::Create(std::string_view id) { return ComponentSet::Process()->Create(id); }

ScopedComponent::ScopedComponent(std::string id, ComponentFactory factory)
    : ScopedComponent(*ComponentSet::Process(), std::move(id), std::move(factory)) {}

ScopedComponent::ScopedComponent(ComponentSet& set, std::string id, ComponentFactory factory)
    : set_(set), id_(std::move(id)), previous_(set_.Register(id_, std::move(factory))) {}

ScopedComponent::~ScopedComponent() { set_.Register(id_, std::move(previous_)); }

}  // namespace cavra
