// Exact decimal numbers, read from numeric text without passing through
// binary floating point: the digits of a numeric text (DecimalText, used by
// the number pictures) and a scaled-integer Decimal for column totals.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cavra {

// A numeric text (exactly what IsNumericText accepts) taken apart in place:
// value = sign * <int_digits>.<frac_digits> * 10^exponent. The views point
// into the scanned text, which must outlive this value.
struct DecimalText {
  // Exponents beyond this are held at it; no value that large is ever
  // rendered, so the saturation never shows.
  static constexpr std::int64_t kExponentLimit = 1'000'000'000'000;

  bool negative = false;
  std::string_view int_digits;   // may be empty or start with zeros
  std::string_view frac_digits;  // may be empty or end with zeros
  std::int64_t exponent = 0;

  // nullopt when the text is not numeric.
  static std::optional<DecimalText> Scan(std::string_view text);

  // The digit (0-9) of weight 10^power; 0 outside the written digits.
  int Digit(std::int64_t power) const;
  // Power of the highest / lowest non-zero digit; nullopt for a zero value.
  std::optional<std::int64_t> TopPower() const;
  std::optional<std::int64_t> LowPower() const;
  bool IsZero() const { return !TopPower(); }
};

// A decimal number as a signed 128-bit coefficient and a scale (digits after
// the point), kept without trailing fractional zeros.
//
// Exact range: any value of at most 38 significant digits counted from its
// highest integer digit (or the point) to its last fractional digit, with at
// most 38 fractional digits; |value| < 10^38. Parsing a text with more
// fractional digits than fit rounds the excess half away from zero; a text
// whose integer part has more than 38 digits raises VbError 6 (overflow). A
// sum is always exact: when it would need more than 38 digits, operator+=
// raises VbError 6 instead of rounding.
class Decimal {
 public:
  static constexpr int kMaxDigits = 38;

  Decimal() = default;  // zero

  // nullopt for a non-numeric text (empty included); see the range above.
  static std::optional<Decimal> Parse(std::string_view text);

  Decimal& operator+=(const Decimal& other);
  friend Decimal operator+(Decimal a, const Decimal& b) { return a += b; }
  friend bool operator==(const Decimal& a, const Decimal& b) = default;

  bool IsZero() const { return coefficient_ == 0; }
  int scale() const { return scale_; }
  // Plain decimal text: "-" when negative, integer digits ("0" when none),
  // then "." and the fractional digits when there are any. No exponent, no
  // trailing zeros: "0.3", "-12", "100000000000000000000".
  std::string ToString() const;

 private:
  __extension__ typedef __int128 Int128;

  void Normalize();

  Int128 coefficient_ = 0;
  int scale_ = 0;
};

// The total of one body column: the cells' texts (already formatted with the
// field's type and decimals) added exactly; cells that are not numeric,
// empty ones included, are skipped.
class ColumnSum {
 public:
  // Adds the cell when it is numeric; returns whether it was added.
  bool Add(std::string_view cell);
  const Decimal& total() const { return total_; }
  // Number of cells added.
  std::int64_t count() const { return count_; }

 private:
  Decimal total_;
  std::int64_t count_ = 0;
};

Decimal SumColumn(const std::vector<std::string>& cells);

}  // namespace cavra
