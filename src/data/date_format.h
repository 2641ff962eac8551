// Date pictures and the date cut of display texts, compiled once per field
// and applied to many cells.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cavra {

// A compiled date picture. Tokens (matched longest first, case as written):
//   YYYY yyyy  year, 4 digits        YY yy  year, last 2 digits
//   MM         month (upper case)    DD dd  day
//   HH hh      hour, 0-23            mm     minutes (lower case)
//   ss         seconds
// every other character is copied as it stands; all fields are zero-padded.
//
// Format reads the stored forms "YYYY-MM-DD", "YYYY-MM-DDTHH:mm:ss" and
// "YYYY-MM-DD HH:mm:ss" ("/" may stand for "-", "t" for "T"; seconds, with or
// without a fraction, may be left out; month, day and time fields may have
// one digit; blanks around are ignored). A text that is not such a valid
// date comes back unchanged, and so does every text under the empty picture.
// A date without a time renders its time fields as zeros.
class DatePicture {
 public:
  DatePicture() = default;
  explicit DatePicture(std::string_view picture);

  std::string Format(std::string_view value) const;
  const std::string& text() const { return text_; }

 private:
  enum class Field : std::uint8_t { kLiteral, kYear4, kYear2, kMonth, kDay, kHour, kMinute, kSecond };
  struct Token {
    Field field;
    std::uint32_t offset = 0;  // a literal's bytes in literals_
    std::uint32_t length = 0;
  };

  std::string text_;
  std::string literals_;
  std::vector<Token> tokens_;
  std::size_t width_ = 0;  // bytes of every rendered result
};

// FormatDateText(text, fmt), compiled. It cuts, it does not re-render: when
// Len(fmt) >= 3 every "T" of the text becomes a blank and, when Len(fmt) is
// 10 (a date-only format such as "YYYY-MM-DD"), the text is cut to its first
// 10 characters; an empty text stays empty. When Len(fmt) < 3 the text comes
// back unchanged.
class DateTextFormat {
 public:
  DateTextFormat() = default;  // as for a format shorter than 3 characters
  explicit DateTextFormat(std::string_view fmt);

  std::string Apply(std::string_view text) const;
  // The text kept by Apply: at most this many characters (-1: all).
  std::int32_t cut() const { return cut_; }
  bool active() const { return active_; }

 private:
  bool active_ = false;
  std::int32_t cut_ = -1;
};

std::string FormatDateText(std::string_view text, std::string_view fmt);

}  // namespace cavra
