// Variant: the tagged value that crosses the library's boundary where the
// interface allows any value (Empty, Null, Boolean, Integer, Long, Double,
// String, Object, Array, or a byte array for binary fields). The free
// functions below are the VB conversions the library relies on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "cavra/export.h"
#include "cavra/object.h"

namespace cavra {

enum class VarType { Empty, Null, Boolean, Integer, Long, Double, String, Object, Array, Bytes };

class Variant;
using VariantArray = std::vector<Variant>;
using Bytes = std::vector<std::uint8_t>;

class CAVRA_EXPORT Variant {
 public:
  Variant() = default;  // Empty
  Variant(bool b) : v_(b) {}
  Variant(std::int16_t i) : v_(i) {}
  Variant(std::int32_t l) : v_(l) {}
  // Wider integers become a Long when they fit, else a Double.
  Variant(std::int64_t l);
  Variant(double d) : v_(d) {}
  Variant(const char* s) : v_(std::string(s)) {}
  Variant(std::string s) : v_(std::move(s)) {}
  Variant(std::string_view s) : v_(std::string(s)) {}
  Variant(ObjectPtr o) : v_(std::move(o)) {}
  template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
  Variant(std::shared_ptr<T> o) : v_(ObjectPtr(std::move(o))) {}
  Variant(VariantArray a) : v_(std::make_shared<VariantArray>(std::move(a))) {}
  Variant(Bytes b) : v_(std::make_shared<Bytes>(std::move(b))) {}

  static Variant Null();

  VarType type() const noexcept { return static_cast<VarType>(v_.index()); }
  bool IsEmpty() const noexcept { return type() == VarType::Empty; }
  bool IsNull() const noexcept { return type() == VarType::Null; }
  bool IsObject() const noexcept { return type() == VarType::Object; }
  bool IsString() const noexcept { return type() == VarType::String; }
  bool IsArray() const noexcept { return type() == VarType::Array || type() == VarType::Bytes; }
  // Boolean, Integer, Long or Double.
  bool IsNumber() const noexcept;

  // Typed access; throws VbError 13 (type mismatch) for another type.
  bool AsBool() const;
  std::int32_t AsLong() const;  // Integer or Long
  double AsDouble() const;      // any number
  const std::string& AsString() const;
  const ObjectPtr& AsObject() const;  // Object (null pointer = Nothing)
  const VariantArray& AsArray() const;
  const Bytes& AsBytes() const;

  // The object as T, or null when the Variant holds no object of that type.
  template <class T>
  std::shared_ptr<T> As() const {
    if (!IsObject()) return nullptr;
    return std::dynamic_pointer_cast<T>(std::get<ObjectPtr>(v_));
  }

  // Same type and same value (objects by identity).
  friend CAVRA_EXPORT bool operator==(const Variant& a, const Variant& b);

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  std::variant<std::monostate, NullTag, bool, std::int16_t, std::int32_t, double, std::string,
               ObjectPtr, std::shared_ptr<VariantArray>, std::shared_ptr<Bytes>>
      v_;
};

// VB conversions. Each throws VbError: 13 for a value of the wrong kind,
// 94 for Null where a value is needed, 6 for a number out of range.

// Text of a value: Empty "", Boolean "True"/"False", numbers as VB prints
// them (up to 15 significant digits, "1E+20" beyond), strings unchanged.
CAVRA_EXPORT std::string CStr(const Variant& v);
// Whole number, rounding halves to the even neighbour; numeric text accepted.
CAVRA_EXPORT std::int32_t CLng(const Variant& v);
CAVRA_EXPORT double CDbl(const Variant& v);
// Non-zero numbers, numeric text other than zero and the text "True" are true.
CAVRA_EXPORT bool CBool(const Variant& v);
// Numbers, Booleans, Empty and numeric text (digits with optional sign,
// decimal point, exponent and surrounding blanks).
CAVRA_EXPORT bool IsNumeric(const Variant& v);
// The same test on a text.
CAVRA_EXPORT bool IsNumericText(std::string_view s);
// The VB text of a double (the CStr rule above).
CAVRA_EXPORT std::string FormatDouble(double d);
// Rounds to a whole number, halves to even (the CLng rule), as a double.
CAVRA_EXPORT double RoundHalfEven(double d);

}  // namespace cavra
