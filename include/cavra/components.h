// Creation of outside components by identifier ("FormulaKit.Calculator",
// "TolmVoucherSorter.clsVoucherSorter", ...). The library registers its
// default implementations; a host registers its own to replace them, and a
// test registers a failing factory to see what the library does then.
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

class CAVRA_EXPORT ComponentRegistry {
 public:
  // Registers factory under id (compared without regard to case), replacing
  // and returning the one registered before (empty when none).
  static ComponentFactory Register(std::string_view id, ComponentFactory factory);
  static void Unregister(std::string_view id);
  static bool IsRegistered(std::string_view id);
  // A new object from the factory of id. Error 429 when id is unknown, the
  // factory fails or it gives no object.
  static ObjectPtr Create(std::string_view id);
  // Create() and a cast to T; error 429 when the object is not a T.
  template <class T>
  static std::shared_ptr<T> CreateAs(std::string_view id) {
    auto typed = std::dynamic_pointer_cast<T>(Create(id));
    if (!typed) throw VbError::Standard(err::kCannotCreate);
    return typed;
  }
};

// Registers a factory for the lifetime of the object, then restores the
// previous one.
class CAVRA_EXPORT ScopedComponent {
 public:
  ScopedComponent(std::string id, ComponentFactory factory);
  ~ScopedComponent();
  ScopedComponent(const ScopedComponent&) = delete;
  ScopedComponent& operator=(const ScopedComponent&) = delete;

 private:
  std::string id_;
  ComponentFactory previous_;
};

}  // namespace cavra
