// Library-internal members of clsItemState: the owner reference and the
// border-line value, which are not part of the public interface.
#pragma once

#include <cstdint>

#include "cavra/item_state.h"

namespace cavra::detail {

struct ItemStateAccess {
  static std::int32_t BorderLine(const clsItemState& item) noexcept { return item.border_line_; }
  static void SetBorderLine(clsItemState& item, std::int32_t v) noexcept { item.border_line_ = v; }
  static const void* Owner(const clsItemState& item) noexcept { return item.owner_; }
  static void SetOwner(clsItemState& item, const void* owner) noexcept { item.owner_ = owner; }
  // The stored bCanModify value, whatever AuthFlag says.
  static bool StoredCanModify(const clsItemState& item) noexcept { return item.can_modify_; }
};

}  // namespace cavra::detail
