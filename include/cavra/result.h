// Result<T>: what a fallible function of the library's own returns, either a
// value of type T or the VbError that explains why there is none. It is
// marked [[nodiscard]]: a caller that drops it gets a compiler warning.
// (The clsVoucherService members and the IDataSource members keep their own
// convention: last error, controlError and an out error text.)
//
// Example:
//   cavra::Result<cavra::SqlDataSourcePtr> db = cavra::OpenDefaultDataSource();
//   if (!db.ok()) {
//     std::fprintf(stderr, "%s\n", db.error().description().c_str());
//     return 1;
//   }
//   cavra::Result<cavra::RecordsetPtr> rs = (*db)->QuerySql("select * from SO_SOMain", {});
//   cavra::RecordsetPtr rows = rs.value();  // throws the VbError when rs holds none
//
//   cavra::Result<void> written = (*db)->WriteRowsets(writes);
//   if (!written.ok()) ...
//
// value() on a result without a value throws its VbError, so a caller that
// prefers exceptions writes f().value(). error() on a result that holds a
// value, and operator* or -> on one without, are contract errors: error()
// throws VbError 5, operator* and -> throw the result's VbError like value().
//
// A Result is a value: copy it, move it, return it; it is no more
// thread-safe than the T it holds.
#pragma once

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

#include "cavra/error.h"

namespace cavra {

template <typename T>
class [[nodiscard]] Result {
  static_assert(!std::is_reference_v<T>, "Result holds values, not references");
  static_assert(!std::is_same_v<std::remove_cv_t<T>, VbError>, "a Result of a VbError is ambiguous");

 public:
  using value_type = T;

  // A result with a value (implicit, so that a function returns its value as it is).
  Result(const T& value) : state_(std::in_place_index<0>, value) {}
  Result(T&& value) : state_(std::in_place_index<0>, std::move(value)) {}
  // A result without one (implicit, so that a function returns its error as it is).
  Result(VbError error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const noexcept { return state_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }

  // The value; throws the error when there is none.
  T& value() & {
    Check();
    return *std::get_if<0>(&state_);
  }
  const T& value() const& {
    Check();
    return *std::get_if<0>(&state_);
  }
  T&& value() && {
    Check();
    return std::move(*std::get_if<0>(&state_));
  }
  // The value, or fallback when there is none.
  template <typename U>
  T value_or(U&& fallback) const& {
    return ok() ? *std::get_if<0>(&state_) : static_cast<T>(std::forward<U>(fallback));
  }

  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // Why there is no value. REQUIRES: !ok() (else VbError 5 is thrown).
  const VbError& error() const {
    if (ok()) throw VbError(err::kInvalidCall, "the result holds a value, not an error");
    return *std::get_if<1>(&state_);
  }

 private:
  void Check() const {
    if (!ok()) throw *std::get_if<1>(&state_);
  }

  std::variant<T, VbError> state_;
};

// A fallible action without a value: ok, or the VbError that explains why not.
template <>
class [[nodiscard]] Result<void> {
 public:
  using value_type = void;

  Result() noexcept = default;  // ok
  Result(VbError error) : error_(std::move(error)) {}

  bool ok() const noexcept { return !error_.has_value(); }
  explicit operator bool() const noexcept { return ok(); }

  // Throws the error when there is one.
  void value() const {
    if (error_) throw *error_;
  }
  // REQUIRES: !ok() (else VbError 5 is thrown).
  const VbError& error() const {
    if (!error_) throw VbError(err::kInvalidCall, "the result holds no error");
    return *error_;
  }

 private:
  std::optional<VbError> error_;
};

}  // namespace cavra
