// Object: the common base of every object a Variant can hold and of every
// outside-object interface (data source, login, grid, calculator, ...).
// Object references are shared; a null pointer is "Nothing".
#pragma once

#include <memory>

#include "cavra/export.h"

namespace cavra {

// Derives from enable_shared_from_this so that a raw object address handed
// through a host (ObjectFromPointer) can become a counted reference again.
class CAVRA_EXPORT Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object();
};

using ObjectPtr = std::shared_ptr<Object>;

}  // namespace cavra
