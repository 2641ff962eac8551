#include "data/number_format.h"

#include <algorithm>
#include <optional>

#include "cavra/error.h"
#include "data/decimal.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

// Integer digits beyond any double's: such a value is an overflow, not a
// text to print a megabyte of.
constexpr std::int64_t kMaxIntegerDigits = 309;

void AppendDecimals(std::string& picture, std::int32_t numPoint, char pad) {
  numPoint = std::clamp(numPoint, 0, kMaxNumPoint);
  if (numPoint > 0) picture.append(1, '.').append(static_cast<std::size_t>(numPoint), pad);
}

char PadFor(std::string_view fmt) { return vb::EndsWith(fmt, "#") ? '#' : '0'; }

bool IsLoneMinus(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s == "-";
}

}  // namespace

NumberPicture::NumberPicture(std::string_view picture) : text_(picture) {
  std::size_t part_start = 0;  // literals merge only within one part
  std::int32_t first_required = -1;
  for (char c : picture) {
    const bool in_fraction = has_point_;
    if (c == '.' && !in_fraction) {
      has_point_ = true;
      int_tokens_ = part_start = tokens_.size();
    } else if (c == '#' || c == '0') {
      const bool required = c == '0';
      tokens_.push_back({required ? Token::kRequired : Token::kOptional});
      if (in_fraction) {
        ++decimals_;
        if (required) min_frac_digits_ = decimals_;
      } else {
        if (required && first_required < 0) first_required = int_placeholders_;
        ++int_placeholders_;
      }
    } else if (c == ',' && !in_fraction) {
      grouping_ = true;
    } else {
      if (tokens_.size() > part_start && tokens_.back().kind == Token::kLiteral) {
        ++tokens_.back().length;
      } else {
        tokens_.push_back({Token::kLiteral, static_cast<std::uint32_t>(literals_.size()), 1});
      }
      literals_ += c;
    }
  }
  if (!has_point_) int_tokens_ = tokens_.size();
  if (first_required >= 0) min_int_digits_ = int_placeholders_ - first_required;
}

std::string NumberPicture::Format(std::string_view value) const {
  const std::optional<DecimalText> d = DecimalText::Scan(value);
  if (!d || text_.empty()) return std::string(value);

  // Rounding half away from zero: when the first dropped digit is 5 or more,
  // the lowest kept digit that is not a 9 goes up by one and the 9s below it
  // become 0s.
  const std::int64_t decimals = decimals_;
  const std::optional<std::int64_t> top = d->TopPower();
  const bool up = top && d->Digit(-decimals - 1) >= 5;
  std::int64_t carry_at = -decimals;
  if (up)
    while (d->Digit(carry_at) == 9) ++carry_at;
  const auto digit = [&](std::int64_t power) {
    if (!up || power > carry_at) return d->Digit(power);
    return power == carry_at ? d->Digit(power) + 1 : 0;
  };
  const std::int64_t rounded_top = up ? std::max(*top, carry_at) : top.value_or(-1);
  const std::int64_t int_digits = rounded_top >= 0 ? rounded_top + 1 : 0;
  if (int_digits > kMaxIntegerDigits) throw VbError::Standard(err::kOverflow);

  std::int32_t frac_shown = min_frac_digits_;
  for (std::int32_t f = decimals_; f > frac_shown; --f) {
    if (digit(-f) != 0) {
      frac_shown = f;
      break;
    }
  }

  std::int64_t left = std::max<std::int64_t>(int_digits, min_int_digits_);  // integer digits still to write
  std::string out;
  out.reserve(static_cast<std::size_t>(2 + left + left / 3 + decimals) + literals_.size());
  if (d->negative && top) out += '-';
  const auto put_integer_digit = [&] {
    --left;
    out += static_cast<char>('0' + digit(left));
    if (grouping_ && left > 0 && left % 3 == 0) out += ',';
  };
  std::int32_t placeholders_after = int_placeholders_;
  for (std::size_t i = 0; i < int_tokens_; ++i) {
    const Token& t = tokens_[i];
    if (t.kind == Token::kLiteral) {
      out.append(literals_, t.offset, t.length);
      continue;
    }
    --placeholders_after;
    while (left > placeholders_after) put_integer_digit();
  }
  while (left > 0) put_integer_digit();

  if (has_point_) out += '.';
  std::int32_t f = 0;
  for (std::size_t i = int_tokens_; i < tokens_.size(); ++i) {
    const Token& t = tokens_[i];
    if (t.kind == Token::kLiteral) {
      out.append(literals_, t.offset, t.length);
    } else if (++f <= frac_shown) {
      out += static_cast<char>('0' + digit(-f));
    }
  }
  return out;
}

std::string BuildNumberPicture(std::string_view fmt, std::int32_t numPoint) {
  if (fmt.empty()) return "";
  std::string picture(fmt.substr(0, fmt.find('.')));
  AppendDecimals(picture, numPoint, PadFor(fmt));
  return picture;
}

NumberFormat::NumberFormat(std::int32_t numPoint, std::string_view fmt) {
  std::string trimmed = vb::Trim(fmt);
  const char pad = PadFor(trimmed);
  if (trimmed == "0") trimmed.clear();
  std::string picture;
  if (trimmed == "1") {
    picture = "###,###,####0";
    AppendDecimals(picture, numPoint, pad);
  } else if (trimmed.empty()) {
    picture = "####0";
    AppendDecimals(picture, numPoint, pad);
  } else {
    picture = BuildNumberPicture(trimmed, numPoint);
  }
  picture_ = NumberPicture(picture);
}

std::string NumberFormat::Apply(std::string_view value) const {
  std::string out = picture_.Format(value);
  if (IsLoneMinus(out)) out.clear();
  return out;
}

std::string FormatNumber(std::string_view value, std::int32_t numPoint, std::string_view fmt) {
  return NumberFormat(numPoint, fmt).Apply(value);
}

}  // namespace cavra
