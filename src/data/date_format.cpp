#include "data/date_format.h"

#include <array>
#include <optional>

#include "platform/vbstring.h"

namespace cavra {
namespace {

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads min..max digits at s[i].
bool ReadNumber(std::string_view s, std::size_t& i, std::size_t min, std::size_t max, int& out) {
  std::size_t n = 0;
  out = 0;
  while (i < s.size() && n < max && IsDigit(s[i])) out = out * 10 + (s[i++] - '0'), ++n;
  return n >= min && !(i < s.size() && IsDigit(s[i]));
}

bool Expect(std::string_view s, std::size_t& i, char c) {
  if (i >= s.size() || s[i] != c) return false;
  ++i;
  return true;
}

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

std::optional<DateTime> ParseStoredDate(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  DateTime t;
  std::size_t i = 0;
  if (!ReadNumber(s, i, 4, 4, t.year) || i >= s.size() || (s[i] != '-' && s[i] != '/')) return std::nullopt;
  const char separator = s[i++];
  if (!ReadNumber(s, i, 1, 2, t.month) || !Expect(s, i, separator) || !ReadNumber(s, i, 1, 2, t.day))
    return std::nullopt;
  if (i < s.size()) {
    if (s[i] != 'T' && s[i] != 't' && s[i] != ' ') return std::nullopt;
    ++i;
    if (!ReadNumber(s, i, 1, 2, t.hour) || !Expect(s, i, ':') || !ReadNumber(s, i, 1, 2, t.minute))
      return std::nullopt;
    if (i < s.size() && (!Expect(s, i, ':') || !ReadNumber(s, i, 1, 2, t.second))) return std::nullopt;
    if (i < s.size()) {
      if (!Expect(s, i, '.') || i == s.size()) return std::nullopt;
      while (i < s.size() && IsDigit(s[i])) ++i;
    }
    if (i != s.size()) return std::nullopt;
  }
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) || t.hour > 23 ||
      t.minute > 59 || t.second > 59)
    return std::nullopt;
  return t;
}

void AppendDigits(std::string& out, int value, int width) {
  char buf[4];
  for (int k = width - 1; k >= 0; --k, value /= 10) buf[k] = static_cast<char>('0' + value % 10);
  out.append(buf, static_cast<std::size_t>(width));
}

}  // namespace

DatePicture::DatePicture(std::string_view picture) : text_(picture) {
  struct Name {
    std::string_view text;
    Field field;
  };
  static constexpr Name kNames[] = {
      {"YYYY", Field::kYear4}, {"yyyy", Field::kYear4}, {"YY", Field::kYear2}, {"yy", Field::kYear2},
      {"MM", Field::kMonth},   {"DD", Field::kDay},     {"dd", Field::kDay},   {"HH", Field::kHour},
      {"hh", Field::kHour},    {"mm", Field::kMinute},  {"ss", Field::kSecond},
  };
  std::size_t i = 0;
  while (i < picture.size()) {
    const Name* match = nullptr;
    for (const Name& name : kNames) {
      if (picture.substr(i, name.text.size()) == name.text) {
        match = &name;
        break;
      }
    }
    if (match) {
      tokens_.push_back({match->field});
      width_ += match->field == Field::kYear4 ? 4 : 2;
      i += match->text.size();
      continue;
    }
    if (!tokens_.empty() && tokens_.back().field == Field::kLiteral) {
      ++tokens_.back().length;
    } else {
      tokens_.push_back({Field::kLiteral, static_cast<std::uint32_t>(literals_.size()), 1});
    }
    literals_ += picture[i++];
    ++width_;
  }
}

std::string DatePicture::Format(std::string_view value) const {
  const std::optional<DateTime> t = text_.empty() ? std::nullopt : ParseStoredDate(value);
  if (!t) return std::string(value);
  std::string out;
  out.reserve(width_);
  for (const Token& token : tokens_) {
    switch (token.field) {
      case Field::kLiteral: out.append(literals_, token.offset, token.length); break;
      case Field::kYear4: AppendDigits(out, t->year, 4); break;
      case Field::kYear2: AppendDigits(out, t->year % 100, 2); break;
      case Field::kMonth: AppendDigits(out, t->month, 2); break;
      case Field::kDay: AppendDigits(out, t->day, 2); break;
      case Field::kHour: AppendDigits(out, t->hour, 2); break;
      case Field::kMinute: AppendDigits(out, t->minute, 2); break;
      case Field::kSecond: AppendDigits(out, t->second, 2); break;
    }
  }
  return out;
}

DateTextFormat::DateTextFormat(std::string_view fmt) {
  const std::int32_t len = vb::Len(fmt);
  active_ = len >= 3;
  if (len == 10) cut_ = 10;
}

std::string DateTextFormat::Apply(std::string_view text) const {
  if (!active_) return std::string(text);
  if (cut_ >= 0) text = text.substr(0, vb::ByteOffset(text, cut_));
  std::string out(text);
  for (char& c : out)
    if (c == 'T') c = ' ';
  return out;
}

std::string FormatDateText(std::string_view text, std::string_view fmt) {
  return DateTextFormat(fmt).Apply(text);
}

}  // namespace cavra
