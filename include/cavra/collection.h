// Collection<T>: the ordered list with 1-based positions and optional text
// keys that are unique and compared without regard to case (ASCII). Keys are
// found in O(1) through a hash of the upper-cased key; order is kept.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cavra/error.h"

namespace cavra {

namespace detail {
inline bool HasLower(std::string_view key) noexcept {
  for (char c : key)
    if (c >= 'a' && c <= 'z') return true;
  return false;
}
inline std::string UpperKey(std::string_view key) {
  std::string k(key);
  for (char& c : k)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return k;
}
}  // namespace detail

template <class T>
class Collection {
 public:
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }
  bool empty() const noexcept { return items_.empty(); }

  // Appends item, under key when key is not empty. A key already present
  // raises error 457 and leaves the collection unchanged.
  void Add(T item, std::string_view key = {}) {
    if (!key.empty()) {
      auto [it, inserted] = index_.try_emplace(detail::UpperKey(key), items_.size());
      if (!inserted) throw VbError::Standard(err::kDuplicateKey);
    }
    items_.push_back(std::move(item));
    keys_.emplace_back(key);
  }

  // Item at 1-based position; error 9 outside 1..Count.
  T& Item(std::int32_t position) {
    if (position < 1 || position > Count()) throw VbError::Standard(err::kSubscript);
    return items_[static_cast<std::size_t>(position - 1)];
  }
  const T& Item(std::int32_t position) const { return const_cast<Collection*>(this)->Item(position); }

  // Item under key; error 5 when no item has that key.
  T& Item(std::string_view key) {
    T* found = Find(key);
    if (!found) throw VbError::Standard(err::kInvalidCall);
    return *found;
  }
  const T& Item(std::string_view key) const { return const_cast<Collection*>(this)->Item(key); }

  // Item under key, or nullptr. An upper-case key is looked up as it is.
  T* Find(std::string_view key) {
    auto it = detail::HasLower(key) ? index_.find(detail::UpperKey(key)) : index_.find(key);
    return it == index_.end() ? nullptr : &items_[it->second];
  }
  const T* Find(std::string_view key) const { return const_cast<Collection*>(this)->Find(key); }
  bool Exists(std::string_view key) const { return Find(key) != nullptr; }

  // 1-based position of the item under key, or 0.
  std::int32_t PositionOf(std::string_view key) const {
    auto it = detail::HasLower(key) ? index_.find(detail::UpperKey(key)) : index_.find(key);
    return it == index_.end() ? 0 : static_cast<std::int32_t>(it->second + 1);
  }
  // The key an item was added with ("" when none).
  const std::string& KeyAt(std::int32_t position) const {
    if (position < 1 || position > Count()) throw VbError::Standard(err::kSubscript);
    return keys_[static_cast<std::size_t>(position - 1)];
  }

  void Remove(std::int32_t position) {
    if (position < 1 || position > Count()) throw VbError::Standard(err::kSubscript);
    const auto at = static_cast<std::size_t>(position - 1);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(at));
    keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(at));
    Reindex();
  }
  void Remove(std::string_view key) {
    const std::int32_t position = PositionOf(key);
    if (position == 0) throw VbError::Standard(err::kInvalidCall);
    Remove(position);
  }
  void Clear() noexcept {
    items_.clear();
    keys_.clear();
    index_.clear();
  }

  auto begin() noexcept { return items_.begin(); }
  auto end() noexcept { return items_.end(); }
  auto begin() const noexcept { return items_.begin(); }
  auto end() const noexcept { return items_.end(); }

 private:
  void Reindex() {
    index_.clear();
    for (std::size_t i = 0; i < keys_.size(); ++i)
      if (!keys_[i].empty()) index_.emplace(detail::UpperKey(keys_[i]), i);
  }

  std::vector<T> items_;
  std::vector<std::string> keys_;
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const noexcept { return std::hash<std::string_view>{}(key); }
  };
  std::unordered_map<std::string, std::size_t, KeyHash, std::equal_to<>> index_;
};

}  // namespace cavra
