#include "datasource/values.h"

#include <array>
#include <charconv>
#include <cstdint>

#include "cavra/error.h"
#include "platform/vbstring.h"

namespace cavra::datasource {
namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

[[noreturn]] void Mismatch(std::string_view text, std::string_view what) {
  throw VbError(err::kTypeMismatch, "'" + std::string(text) + "' is not " + std::string(what));
}

bool IsDateTimeWithT(std::string_view s) { return s.size() > 10 && s[4] == '-' && s[10] == 'T'; }

}  // namespace

std::string Base64Encode(const Bytes& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    for (int shift : {18, 12, 6, 0}) out += kAlphabet[(v >> shift) & 63];
  }
  if (const std::size_t rest = bytes.size() - i; rest > 0) {
    const std::uint32_t v = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

Bytes Base64Decode(std::string_view text) {
  std::array<int, 256> value{};
  value.fill(-1);
  for (std::size_t i = 0; i < kAlphabet.size(); ++i)
    value[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int>(i);
  Bytes out;
  std::uint32_t acc = 0;
  int bits = 0, pad = 0;
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
    if (c == '=') {
      ++pad;
      continue;
    }
    const int v = value[static_cast<unsigned char>(c)];
    if (v < 0 || pad > 0) Mismatch(text.substr(0, 40), "Base64");
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<std::uint8_t>((acc >> bits) & 0xFF));
    }
  }
  if (pad > 2 || bits >= 6) Mismatch(text.substr(0, 40), "Base64");
  return out;
}

Bytes HexDecode(std::string_view text) {
  if (text.size() % 2) Mismatch(text.substr(0, 40), "hexadecimal");
  Bytes out(text.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned v = 0;
    auto r = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, v, 16);
    if (r.ec != std::errc() || r.ptr != text.data() + 2 * i + 2) Mismatch(text.substr(0, 40), "hexadecimal");
    out[i] = static_cast<std::uint8_t>(v);
  }
  return out;
}

std::string ShortestDouble(double d) {
  std::array<char, 64> buf{};
  auto r = std::to_chars(buf.data(), buf.data() + buf.size(), d);
  return std::string(buf.data(), r.ptr);
}

Variant ParseValue(std::string_view text, sql::ColumnKind kind) {
  using sql::ColumnKind;
  if (kind == ColumnKind::kText || kind == ColumnKind::kUnknown) return Variant(text);
  if (kind == ColumnKind::kBlob) return Variant(Base64Decode(text));  // "" is no bytes, not Null
  const std::string trimmed = vb::Trim(text);
  if (trimmed.empty()) return Variant::Null();
  const char* b = trimmed.data();
  const char* e = b + trimmed.size();
  switch (kind) {
    case ColumnKind::kInteger: {
      std::int64_t v = 0;
      auto r = std::from_chars(b + (*b == '+'), e, v);
      if (r.ec == std::errc() && r.ptr == e) return Variant(v);
      if (vb::EqualsNoCase(trimmed, "true")) return Variant(std::int32_t{1});
      if (vb::EqualsNoCase(trimmed, "false")) return Variant(std::int32_t{0});
      Mismatch(text, "a whole number");
    }
    case ColumnKind::kFloat: {
      double v = 0;
      auto r = std::from_chars(b + (*b == '+'), e, v);
      if (r.ec == std::errc() && r.ptr == e) return Variant(v);
      Mismatch(text, "a number");
    }
    case ColumnKind::kBoolean: {
      if (vb::EqualsNoCase(trimmed, "true")) return Variant(true);
      if (vb::EqualsNoCase(trimmed, "false")) return Variant(false);
      double v = 0;
      auto r = std::from_chars(b, e, v);
      if (r.ec == std::errc() && r.ptr == e) return Variant(v != 0);
      Mismatch(text, "a Boolean");
    }
    case ColumnKind::kDateTime: {
      std::string s(text);
      if (IsDateTimeWithT(s)) s[10] = ' ';
      return Variant(std::move(s));
    }
    default:
      break;
  }
  return Variant(text);
}

std::string ValueText(const Variant& value, std::string_view fieldType) {
  switch (value.type()) {
    case VarType::Boolean:
      return value.AsBool() ? "True" : "False";
    case VarType::Integer:
    case VarType::Long:
      return std::to_string(value.AsLong());
    case VarType::Double:
      return ShortestDouble(value.AsDouble());
    case VarType::String: {
      std::string s = value.AsString();
      if (fieldType == "dateTime" && s.size() > 10 && s[4] == '-' && s[10] == ' ') s[10] = 'T';
      return s;
    }
    case VarType::Bytes:
      return Base64Encode(value.AsBytes());
    case VarType::Empty:
    case VarType::Null:
      return "";
    case VarType::Object:
    case VarType::Array:
      break;
  }
  throw VbError(err::kTypeMismatch, "an object or an array cannot be written as a value");
}

sql::ColumnKind KindOfRowsetType(std::string_view dtType) {
  using sql::ColumnKind;
  const std::string t = vb::LCase(dtType);
  if (t == "int" || t == "i1" || t == "i2" || t == "i4" || t == "i8" || t == "ui1" || t == "ui2" ||
      t == "ui4" || t == "ui8")
    return ColumnKind::kInteger;
  if (t == "float" || t == "r4" || t == "r8" || t == "number" || vb::StartsWith(t, "fixed."))
    return ColumnKind::kFloat;
  if (t == "boolean") return ColumnKind::kBoolean;
  if (t == "datetime" || t == "date" || t == "datetime.tz" || t == "time") return ColumnKind::kDateTime;
  if (t == "bin.base64" || t == "bin.hex") return ColumnKind::kBlob;
  return ColumnKind::kText;
}

}  // namespace cavra::datasource
