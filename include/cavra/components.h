// Creation of outside components by identifier ("FormulaKit.Calculator",
// "TolmVoucherSorter.clsVoucherSorter", ...). The library registers its
// default implementations in the process-wide set; a host registers its own
// to replace them, and a test registers a failing factory to see what the
// library does then.
//
// A service creates every component from one ComponentSet: the process-wide
// one, unless the host gave the service its own (cavra/service_environment.h).
// A set of its own needs to hold only what differs, since it falls back to
// another set (by default the process-wide one) for the identifiers it lacks:
//
//   auto set = std::make_shared<cavra::ComponentSet>();
//   set->Register("DataSourceKit.DefaultDataSource", [ds] { return ds; });
//   cavra::clsVoucherService svc(cavra::ServiceEnvironment{set});
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "cavra/error.h"
#include "cavra/export.h"
#include "cavra/object.h"

namespace cavra {

using ComponentFactory = std::function<ObjectPtr()>;

// Factories by identifier (compared without regard to case). Thread-safe.
class CAVRA_EXPORT ComponentSet {
 public:
  // An empty set that falls back to the process-wide one.
  ComponentSet();
  // An empty set that falls back to fallback; to nothing when it is null.
  explicit ComponentSet(std::shared_ptr<const ComponentSet> fallback);
  ~ComponentSet();
  ComponentSet(const ComponentSet&) = delete;
  ComponentSet& operator=(const ComponentSet&) = delete;

  // The process-wide set, with the library's defaults; it has no fallback.
  static const std::shared_ptr<ComponentSet>& Process();

  // Registers factory under id in this set, replacing and returning the one
  // registered here before (empty when none). An empty factory unregisters.
  ComponentFactory Register(std::string_view id, ComponentFactory factory);
  // Removes id from this set only: the fallback's factory answers for it
  // again. To refuse an id the fallback knows, register a factory that fails.
  void Unregister(std::string_view id);
  // True when this set or its fallback has a factory for id.
  bool IsRegistered(std::string_view id) const;
  // A new object from the factory of id (this set's, else the fallback's).
  // Error 429 when id is unknown, the factory fails or it gives no object.
  ObjectPtr Create(std::string_view id) const;
  // Create() and a cast to T; error 429 when the object is not a T.
  template <class T>
  std::shared_ptr<T> CreateAs(std::string_view id) const {
    auto typed = std::dynamic_pointer_cast<T>(Create(id));
    if (!typed) throw VbError::Standard(err::kCannotCreate);
    return typed;
  }

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::shared_ptr<const ComponentSet> fallback_;
};

// The members of the process-wide set (ComponentSet::Process()), as hosts
// written before per-service sets call them.
class CAVRA_EXPORT ComponentRegistry {
 public:
  static ComponentFactory Register(std::string_view id, ComponentFactory factory);
  static void Unregister(std::string_view id);
  static bool IsRegistered(std::string_view id);
  static ObjectPtr Create(std::string_view id);
  template <class T>
  static std::shared_ptr<T> CreateAs(std::string_view id) {
    return ComponentSet::Process()->CreateAs<T>(id);
  }
};

// Registers a factory for the lifetime of the object, then restores the
// previous one. The set (the process-wide one unless given) must outlive it.
class CAVRA_EXPORT ScopedComponent {
 public:
  ScopedComponent(std::string id, ComponentFactory factory);
  ScopedComponent(ComponentSet& set, std::string id, ComponentFactory factory);
  ~ScopedComponent();
  ScopedComponent(const ScopedComponent&) = delete;
  ScopedComponent& operator=(const ScopedComponent&) = delete;

 private:
  ComponentSet& set_;
  std::string id_;
  ComponentFactory previous_;
};

}  // namespace cavra
