#include "render/values.h"

#include <array>

namespace cavra::render {
namespace {

constexpr std::array<const char*, 10> kDigits = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
constexpr std::array<const char*, 4> kPlaces = {"", "拾", "佰", "仟"};
constexpr std::array<const char*, 5> kSections = {"", "万", "亿", "万亿", "亿亿"};

// A whole number in upper-case numerals; "零" for 0.
std::string UpperInteger(std::uint64_t n) {
  if (n == 0) return kDigits[0];
  std::vector<int> groups;  // four digits each, lowest first
  for (; n > 0; n /= 10000) groups.push_back(static_cast<int>(n % 10000));
  std::string out;
  bool zero = false;  // a 零 is owed before the next digit
  for (std::size_t i = groups.size(); i-- > 0;) {
    int g = groups[i];
    if (g == 0) {
      if (!out.empty()) zero = true;
      continue;
    }
    for (int pos = 3, div = 1000; pos >= 0; --pos, div /= 10) {
      int d = g / div % 10;
      if (d == 0) {
        if (!out.empty()) zero = true;
        continue;
      }
      if (zero) out += kDigits[0];
      zero = false;
      out += kDigits[static_cast<std::size_t>(d)];
      out += kPlaces[static_cast<std::size_t>(pos)];
    }
    out += kSections[i];
  }
  return out;
}

std::int64_t RoundTo(std::int64_t micros, int decimals) {
  std::int64_t unit = 1;
  for (int i = decimals; i < 6; ++i) unit *= 10;
  std::int64_t q = micros / unit, r = micros % unit;
  if (r * 2 >= unit)
    ++q;
  else if (r * 2 <= -unit)
    --q;
  return q;  // in units of 10^-decimals
}

std::string SmallNumber(int n) {  // 1..31 as on a cheque
  if (n < 10) return kDigits[static_cast<std::size_t>(n)];
  std::string s = std::string(kDigits[static_cast<std::size_t>(n / 10)]) + "拾";
  if (n % 10) s += kDigits[static_cast<std::size_t>(n % 10)];
  return s;
}

}  // namespace

bool ParseAmount(std::string_view text, std::int64_t& micros) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::int64_t whole = 0;
  int digits = 0;
  for (; i < text.size() && ((text[i] >= '0' && text[i] <= '9') || (text[i] == ',' && digits > 0)); ++i) {
    if (text[i] == ',') continue;
    if (__builtin_mul_overflow(whole, 10, &whole) || __builtin_add_overflow(whole, text[i] - '0', &whole))
      return false;
    ++digits;
  }
  std::int64_t fraction = 0;
  int places = 0;
  bool roundUp = false;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
      if (places < 6) {
        fraction = fraction * 10 + (text[i] - '0');
        ++places;
      } else if (places == 6) {
        roundUp = text[i] >= '5';
        ++places;
      }
    }
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (digits == 0 || i != text.size()) return false;
  for (int p = places; p < 6; ++p) fraction *= 10;
  std::int64_t v;
  if (__builtin_mul_overflow(whole, kMicros, &v) ||
      __builtin_add_overflow(v, fraction + (roundUp ? 1 : 0), &v))
    return false;
  micros = negative ? -v : v;
  return true;
}

std::string FormatAmount(std::int64_t micros, std::string_view format) {
  int decimals = 0;
  bool grouping = format.find(',') != std::string_view::npos;
  std::size_t dot = format.find('.');
  if (format.empty()) {
    decimals = 6;
    for (std::int64_t m = micros; decimals > 0 && m % 10 == 0; m /= 10) --decimals;
  } else if (dot != std::string_view::npos) {
    for (std::size_t i = dot + 1; i < format.size() && (format[i] == '0' || format[i] == '#'); ++i)
      ++decimals;
  }
  if (decimals > 6) decimals = 6;
  std::int64_t q = RoundTo(micros, decimals);
  bool negative = q < 0;
  std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(q) : static_cast<std::uint64_t>(q);
  std::uint64_t unit = 1;
  for (int k = 0; k < decimals; ++k) unit *= 10;
  std::string whole = std::to_string(mag / unit);
  if (grouping) {
    for (int at = static_cast<int>(whole.size()) - 3; at > 0; at -= 3)
      whole.insert(static_cast<std::size_t>(at), ",");
  }
  std::string out = negative ? "-" + whole : whole;
  if (decimals > 0) {
    std::string frac = std::to_string(mag % unit);
    out += "." + std::string(static_cast<std::size_t>(decimals) - frac.size(), '0') + frac;
  }
  return out;
}

std::string UpperMoney(std::int64_t micros) {
  std::int64_t fen = RoundTo(micros, 2);
  std::string out = fen < 0 ? "负" : "";
  std::uint64_t mag = fen < 0 ? 0 - static_cast<std::uint64_t>(fen) : static_cast<std::uint64_t>(fen);
  std::uint64_t yuan = mag / 100;
  int jiao = static_cast<int>(mag / 10 % 10), cents = static_cast<int>(mag % 10);
  if (mag == 0) return "零元整";
  if (yuan > 0) out += UpperInteger(yuan) + "元";
  if (jiao == 0 && cents == 0) return out + "整";
  if (jiao > 0)
    out += std::string(kDigits[static_cast<std::size_t>(jiao)]) + "角";
  else if (yuan > 0)
    out += kDigits[0];
  if (cents > 0) out += std::string(kDigits[static_cast<std::size_t>(cents)]) + "分";
  return out;
}

std::string UpperNumber(std::int64_t micros) {
  std::string out = micros < 0 ? "负" : "";
  std::uint64_t mag =
      micros < 0 ? 0 - static_cast<std::uint64_t>(micros) : static_cast<std::uint64_t>(micros);
  out += UpperInteger(mag / kMicros);
  std::uint64_t frac = mag % kMicros;
  if (frac == 0) return out;
  out += "点";
  for (std::uint64_t div = kMicros / 10; frac > 0 && div > 0; div /= 10) {
    out += kDigits[frac / div];
    frac %= div;
  }
  return out;
}

std::string UpperDate(std::string_view text) {
  int parts[3] = {0, 0, 0};
  std::size_t i = 0;
  for (int p = 0; p < 3; ++p) {
    int digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4; ++i, ++digits)
      parts[p] = parts[p] * 10 + (text[i] - '0');
    if (digits == 0 || (p == 0 && digits != 4)) return "";
    if (p < 2) {
      if (i >= text.size() || (text[i] != '-' && text[i] != '/')) return "";
      ++i;
    }
  }
  if (i < text.size() && text[i] != ' ' && text[i] != 'T') return "";
  int month = parts[1], day = parts[2];
  if (month < 1 || month > 12 || day < 1 || day > 31) return "";
  std::string out;
  for (char c : std::to_string(parts[0])) out += kDigits[static_cast<std::size_t>(c - '0')];
  out += "年";
  // On a cheque, months up to 10 and days up to 10, 20 and 30 are led by 零.
  if (month <= 10) out += kDigits[0];
  out += SmallNumber(month) + "月";
  if (day <= 10 || day == 20 || day == 30) out += kDigits[0];
  out += SmallNumber(day) + "日";
  return out;
}

std::string FieldText(int type, const std::string& value) {
  std::int64_t micros = 0;
  switch (type) {
    case 5:
    case 6:
    case 8:
    case 11:
    case 13:
    case 16:
    case 18:
      return ParseAmount(value, micros) ? UpperMoney(micros) : value;
    case 10:
      return ParseAmount(value, micros) ? UpperNumber(micros) : value;
    case 20: {
      std::string d = UpperDate(value);
      return d.empty() ? value : d;
    }
    default:
      return value;
  }
}

}  // namespace cavra::render
