#include "data/decimal.h"

#include <algorithm>
#include <array>

#include "cavra/error.h"
#include "cavra/variant.h"

namespace cavra {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TakeDigits(std::string_view s, std::size_t& i) {
  const std::size_t start = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  return s.substr(start, i - start);
}

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

constexpr std::array<Int128, Decimal::kMaxDigits + 1> MakePowers() {
  std::array<Int128, Decimal::kMaxDigits + 1> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}
constexpr auto kPow10 = MakePowers();
constexpr Int128 kLimit = kPow10[Decimal::kMaxDigits];  // coefficients stay below it

UInt128 Magnitude(Int128 v) { return v < 0 ? UInt128(0) - UInt128(v) : UInt128(v); }

[[noreturn]] void Overflow() { throw VbError::Standard(err::kOverflow); }

// c at scale `from` expressed at the larger scale `to`; false when it would
// leave the coefficient range.
bool ScaleUp(Int128 c, int from, int to, Int128& out) {
  const int k = to - from;
  if (k > Decimal::kMaxDigits || Magnitude(c) > UInt128((kLimit - 1) / kPow10[k])) return false;
  out = c * kPow10[k];
  return true;
}

}  // namespace

std::optional<DecimalText> DecimalText::Scan(std::string_view text) {
  if (!IsNumericText(text)) return std::nullopt;
  while (text.front() == ' ') text.remove_prefix(1);
  while (text.back() == ' ') text.remove_suffix(1);
  DecimalText d;
  std::size_t i = 0;
  if (text[i] == '+' || text[i] == '-') d.negative = text[i++] == '-';
  d.int_digits = TakeDigits(text, i);
  if (i < text.size() && text[i] == '.') d.frac_digits = TakeDigits(text, ++i);
  if (i < text.size()) {  // the exponent: IsNumericText has checked its form
    ++i;
    bool negative_exponent = false;
    if (text[i] == '+' || text[i] == '-') negative_exponent = text[i++] == '-';
    std::int64_t e = 0;
    for (char c : TakeDigits(text, i)) e = std::min(e * 10 + (c - '0'), kExponentLimit);
    d.exponent = negative_exponent ? -e : e;
  }
  return d;
}

int DecimalText::Digit(std::int64_t power) const {
  const auto int_size = static_cast<std::int64_t>(int_digits.size());
  std::int64_t k = int_size - 1 + exponent - power;
  if (k < 0) return 0;
  if (k < int_size) return int_digits[static_cast<std::size_t>(k)] - '0';
  k -= int_size;
  if (k < static_cast<std::int64_t>(frac_digits.size())) return frac_digits[static_cast<std::size_t>(k)] - '0';
  return 0;
}

std::optional<std::int64_t> DecimalText::TopPower() const {
  const auto int_size = static_cast<std::int64_t>(int_digits.size());
  for (std::size_t k = 0; k < int_digits.size(); ++k)
    if (int_digits[k] != '0') return int_size - 1 + exponent - static_cast<std::int64_t>(k);
  for (std::size_t k = 0; k < frac_digits.size(); ++k)
    if (frac_digits[k] != '0') return exponent - 1 - static_cast<std::int64_t>(k);
  return std::nullopt;
}

std::optional<std::int64_t> DecimalText::LowPower() const {
  for (std::size_t k = frac_digits.size(); k-- > 0;)
    if (frac_digits[k] != '0') return exponent - 1 - static_cast<std::int64_t>(k);
  const auto int_size = static_cast<std::int64_t>(int_digits.size());
  for (std::size_t k = int_digits.size(); k-- > 0;)
    if (int_digits[k] != '0') return int_size - 1 + exponent - static_cast<std::int64_t>(k);
  return std::nullopt;
}

std::optional<Decimal> Decimal::Parse(std::string_view text) {
  const std::optional<DecimalText> d = DecimalText::Scan(text);
  if (!d) return std::nullopt;
  Decimal r;
  const std::optional<std::int64_t> top = d->TopPower();
  if (!top) return r;
  if (*top >= kMaxDigits) Overflow();
  // As many fractional digits as the value has, within 38 digits in all.
  std::int64_t scale = std::max<std::int64_t>(0, -*d->LowPower());
  scale = std::min<std::int64_t>({scale, kMaxDigits, kMaxDigits - 1 - *top});
  Int128 c = 0;
  for (std::int64_t p = *top; p >= -scale; --p) c = c * 10 + d->Digit(p);
  if (d->Digit(-scale - 1) >= 5) ++c;
  if (c == kLimit) {  // 99..9 rounded up to a 39th digit
    if (scale == 0) Overflow();
    c /= 10;
    --scale;
  }
  r.coefficient_ = d->negative ? -c : c;
  r.scale_ = static_cast<int>(scale);
  r.Normalize();
  return r;
}

Decimal& Decimal::operator+=(const Decimal& other) {
  const int scale = std::max(scale_, other.scale_);
  Int128 a = 0, b = 0, sum = 0;
  if (!ScaleUp(coefficient_, scale_, scale, a) || !ScaleUp(other.coefficient_, other.scale_, scale, b) ||
      __builtin_add_overflow(a, b, &sum) || Magnitude(sum) >= UInt128(kLimit))
    Overflow();
  coefficient_ = sum;
  scale_ = scale;
  Normalize();
  return *this;
}

void Decimal::Normalize() {
  while (scale_ > 0 && coefficient_ % 10 == 0) {
    coefficient_ /= 10;
    --scale_;
  }
}

std::string Decimal::ToString() const {
  char digits[kMaxDigits + 2];
  char* end = digits + sizeof digits;
  char* p = end;
  UInt128 m = Magnitude(coefficient_);
  do {
    *--p = static_cast<char>('0' + static_cast<int>(m % 10));
    m /= 10;
  } while (m != 0);
  while (end - p < scale_ + 1) *--p = '0';
  const std::string_view all(p, static_cast<std::size_t>(end - p));
  const std::size_t int_size = all.size() - static_cast<std::size_t>(scale_);
  std::string out;
  out.reserve(all.size() + 2);
  if (coefficient_ < 0) out += '-';
  out.append(all.substr(0, int_size));
  if (scale_ > 0) out.append(".").append(all.substr(int_size));
  return out;
}

bool ColumnSum::Add(std::string_view cell) {
  const std::optional<Decimal> value = Decimal::Parse(cell);
  if (!value) return false;
  total_ += *value;
  ++count_;
  return true;
}

Decimal SumColumn(const std::vector<std::string>& cells) {
  ColumnSum sum;
  for (const std::string& cell : cells) sum.Add(cell);
  return sum.total();
}

}  // namespace cavra
