#include "cavra/variant.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "cavra/error.h"

namespace cavra {
namespace {

[[noreturn]] void Mismatch() { throw VbError::Standard(err::kTypeMismatch); }
[[noreturn]] void NullUse() { throw VbError::Standard(err::kInvalidUseOfNull); }

bool IsBlank(char c) { return c == ' '; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// Parses numeric text (see IsNumericText); false when it is not numeric.
bool ParseNumber(std::string_view s, double& out) {
  if (!IsNumericText(s)) return false;
  s = TrimBlanks(s);
  bool negative = false;
  if (s.front() == '+' || s.front() == '-') {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  double value = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec == std::errc::result_out_of_range) throw VbError::Standard(err::kOverflow);
  if (ec != std::errc() || ptr != s.data() + s.size()) return false;
  out = negative ? -value : value;
  return true;
}

}  // namespace

Variant::Variant(std::int64_t l) {
  if (l >= std::numeric_limits<std::int32_t>::min() && l <= std::numeric_limits<std::int32_t>::max())
    v_ = static_cast<std::int32_t>(l);
  else
    v_ = static_cast<double>(l);
}

Variant Variant::Null() {
  Variant v;
  v.v_ = NullTag{};
  return v;
}

bool Variant::IsNumber() const noexcept {
  switch (type()) {
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double: return true;
    default: return false;
  }
}

bool Variant::AsBool() const {
  if (type() != VarType::Boolean) Mismatch();
  return std::get<bool>(v_);
}

std::int32_t Variant::AsLong() const {
  if (type() == VarType::Integer) return std::get<std::int16_t>(v_);
  if (type() == VarType::Long) return std::get<std::int32_t>(v_);
  Mismatch();
}

double Variant::AsDouble() const {
  switch (type()) {
    case VarType::Boolean: return std::get<bool>(v_) ? -1.0 : 0.0;
    case VarType::Integer: return std::get<std::int16_t>(v_);
    case VarType::Long: return std::get<std::int32_t>(v_);
    case VarType::Double: return std::get<double>(v_);
    default: Mismatch();
  }
}

const std::string& Variant::AsString() const {
  if (type() != VarType::String) Mismatch();
  return std::get<std::string>(v_);
}

const ObjectPtr& Variant::AsObject() const {
  if (type() != VarType::Object) Mismatch();
  return std::get<ObjectPtr>(v_);
}

const VariantArray& Variant::AsArray() const {
  if (type() != VarType::Array) Mismatch();
  return *std::get<std::shared_ptr<VariantArray>>(v_);
}

const Bytes& Variant::AsBytes() const {
  if (type() != VarType::Bytes) Mismatch();
  return *std::get<std::shared_ptr<Bytes>>(v_);
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case VarType::Array: return a.AsArray() == b.AsArray();
    case VarType::Bytes: return a.AsBytes() == b.AsBytes();
    default: return a.v_ == b.v_;
  }
}

std::string FormatDouble(double d) {
  if (d == 0) return "0";
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d < 0 ? "-Infinity" : "Infinity";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", d);
  return buf;
}

double RoundHalfEven(double d) {
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(d);
  std::fesetround(saved);
  return r;
}

bool IsNumericText(std::string_view s) {
  s = TrimBlanks(s);
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  bool digits = false;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, digits = true;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, digits = true;
  }
  if (!digits) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    bool exp_digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, exp_digits = true;
    if (!exp_digits) return false;
  }
  return i == s.size();
}

std::string CStr(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return "";
    case VarType::Null: NullUse();
    case VarType::Boolean: return v.AsBool() ? "True" : "False";
    case VarType::Integer:
    case VarType::Long: return std::to_string(v.AsLong());
    case VarType::Double: return FormatDouble(v.AsDouble());
    case VarType::String: return v.AsString();
    default: Mismatch();
  }
}

double CDbl(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return 0;
    case VarType::Null: NullUse();
    case VarType::String: {
      double d = 0;
      if (!ParseNumber(v.AsString(), d)) Mismatch();
      return d;
    }
    default:
      if (v.IsNumber()) return v.AsDouble();
      Mismatch();
  }
}

std::int32_t CLng(const Variant& v) {
  if (v.type() == VarType::Integer || v.type() == VarType::Long) return v.AsLong();
  const double r = RoundHalfEven(CDbl(v));
  if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
    throw VbError::Standard(err::kOverflow);
  return static_cast<std::int32_t>(r);
}

bool CBool(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return false;
    case VarType::Null: NullUse();
    case VarType::Boolean: return v.AsBool();
    case VarType::String: {
      const std::string_view s = TrimBlanks(v.AsString());
      if (EqualsNoCase(s, "True")) return true;
      if (EqualsNoCase(s, "False")) return false;
      double d = 0;
      if (!ParseNumber(s, d)) Mismatch();
      return d != 0;
    }
    default:
      if (v.IsNumber()) return v.AsDouble() != 0;
      Mismatch();
  }
}

bool IsNumeric(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double: return true;
    case VarType::String: return IsNumericText(v.AsString());
    default: return false;
  }
}

}  // namespace cavra
