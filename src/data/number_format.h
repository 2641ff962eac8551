// Number pictures: a picture text is compiled once (when a field's template
// loads) and then applied to many cells. Format is const and allocates only
// its result.
//
//   NumberPicture picture("###,###,####0.00");
//   picture.Format("1234.5");   // "1,234.50"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cavra {

// A compiled numeric picture. Characters of the picture:
//   "#"  optional digit: shown only when significant;
//   "0"  required digit: shown always, a zero when the value has none there;
//   ","  in the integer part: group the integer digits by thousands (where the
//        commas sit does not matter, they are not copied);
//   "."  the decimal point (the first one; it is always copied, so "#.##" on 5
//        gives "5." as VB's Format does);
//   anything else (including "," and "." after the point) is copied as it
//   stands, in its place among the digits.
// Integer digits that do not fit the placeholders all go at the first one
// (at the end of the integer part when the picture has none there).
//
// Values are numeric texts as IsNumericText accepts them, exponents included,
// read digit by digit and never through binary floating point. Our rounding
// rule: the exact decimal value is rounded to the picture's number of decimal
// placeholders HALF AWAY FROM ZERO ("0.00" on 0.125 gives 0.13, on -2.5 with
// "0" gives -3). A negative value keeps its minus sign (placed first) even
// when it rounds to zero: "#" on -0.4 gives "-". A text that is not numeric
// comes back unchanged, and so does every value under the empty picture. A
// value with more than 309 integer digits (beyond any double) raises VbError
// 6 (overflow).
class NumberPicture {
 public:
  NumberPicture() = default;
  explicit NumberPicture(std::string_view picture);

  std::string Format(std::string_view value) const;

  const std::string& text() const { return text_; }
  // Number of decimal placeholders: the digits kept after rounding.
  std::int32_t decimals() const { return decimals_; }

 private:
  struct Token {
    enum Kind : std::uint8_t { kOptional, kRequired, kLiteral } kind;
    std::uint32_t offset = 0;  // a literal's bytes in literals_
    std::uint32_t length = 0;
  };

  std::string text_;
  std::string literals_;
  std::vector<Token> tokens_;      // integer part, then fraction part
  std::size_t int_tokens_ = 0;     // tokens before the point
  bool has_point_ = false;
  bool grouping_ = false;
  std::int32_t int_placeholders_ = 0;
  std::int32_t min_int_digits_ = 0;   // placeholders from the first "0" to the point
  std::int32_t decimals_ = 0;
  std::int32_t min_frac_digits_ = 0;  // placeholders up to the last "0" after the point
};

// Decimals asked of a picture are held to 0..kMaxNumPoint.
inline constexpr std::int32_t kMaxNumPoint = 99;

// The picture for a field's own format text: "" for an empty fmt; otherwise
// the part of fmt before its first "." (all of fmt when it has none) followed
// by "." and numPoint copies of the padding ("#" when fmt ends with "#", else
// "0"), the "." only when numPoint > 0.
std::string BuildNumberPicture(std::string_view fmt, std::int32_t numPoint);

// FormatNumber(value, numPoint, fmt), compiled: the picture is chosen once
// from numPoint and fmt ("1" gives "###,###,####0", "" and "0" give "####0",
// any other text BuildNumberPicture; then numPoint decimals padded with "#"
// when the trimmed fmt ends with "#", else "0"), and Apply gives the empty
// text when the result is a lone "-" (blanks aside).
class NumberFormat {
 public:
  NumberFormat() : NumberFormat(0, "") {}
  NumberFormat(std::int32_t numPoint, std::string_view fmt);

  std::string Apply(std::string_view value) const;
  const NumberPicture& picture() const { return picture_; }

 private:
  NumberPicture picture_;
};

// One-off form of NumberFormat (compiles the picture on every call).
std::string FormatNumber(std::string_view value, std::int32_t numPoint, std::string_view fmt);

}  // namespace cavra
