#include "platform/vbstring.h"

#include <algorithm>

namespace cavra::vb {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::size_t FindFrom(std::string_view s, std::string_view find, std::size_t from, Compare compare) {
  if (compare == Compare::Binary) return s.find(find, from);
  if (find.size() > s.size()) return std::string_view::npos;
  for (std::size_t i = from; i + find.size() <= s.size(); ++i) {
    bool match = true;
    for (std::size_t j = 0; j < find.size() && match; ++j) match = Upper(s[i + j]) == Upper(find[j]);
    if (match) return i;
  }
  return std::string_view::npos;
}

std::int32_t CharCount(std::string_view s, std::size_t bytes) {
  std::int32_t n = 0;
  for (std::size_t i = 0; i < bytes && i < s.size(); ++i)
    if (!IsContinuation(static_cast<unsigned char>(s[i]))) ++n;
  return n;
}

}  // namespace

std::string UCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Upper(c);
  return out;
}

std::string LCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

std::string LTrim(std::string_view s) {
  const auto b = s.find_first_not_of(' ');
  return b == std::string_view::npos ? std::string() : std::string(s.substr(b));
}

std::string RTrim(std::string_view s) {
  const auto e = s.find_last_not_of(' ');
  return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

std::string Trim(std::string_view s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(' ');
  return std::string(s.substr(b, e - b + 1));
}

std::int32_t Len(std::string_view s) { return CharCount(s, s.size()); }

std::size_t ByteOffset(std::string_view s, std::int32_t i) {
  if (i <= 0) return 0;
  std::int32_t n = 0;
  for (std::size_t b = 0; b < s.size(); ++b) {
    if (!IsContinuation(static_cast<unsigned char>(s[b]))) {
      if (n == i) return b;
      ++n;
    }
  }
  return s.size();
}

std::string Left(std::string_view s, std::int32_t n) { return std::string(s.substr(0, ByteOffset(s, n))); }

std::string Right(std::string_view s, std::int32_t n) {
  const std::int32_t len = Len(s);
  if (n >= len) return std::string(s);
  return std::string(s.substr(ByteOffset(s, len - std::max(n, 0))));
}

std::string Mid(std::string_view s, std::int32_t start, std::int32_t n) {
  if (start < 1) start = 1;
  const std::size_t b = ByteOffset(s, start - 1);
  if (n < 0) return std::string(s.substr(b));
  const std::string_view rest = s.substr(b);
  return std::string(rest.substr(0, ByteOffset(rest, n)));
}

std::int32_t InStr(std::int32_t start, std::string_view s, std::string_view find, Compare compare) {
  if (start < 1) start = 1;
  const std::int32_t len = Len(s);
  if (start > len + 1) return 0;
  if (find.empty()) return start;
  const std::size_t at = FindFrom(s, find, ByteOffset(s, start - 1), compare);
  if (at == std::string_view::npos) return 0;
  return CharCount(s, at) + 1;
}

std::string Replace(std::string_view s, std::string_view find, std::string_view with, Compare compare) {
  if (find.empty()) return std::string(s);
  std::string out;
  out.reserve(s.size());
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = FindFrom(s, find, from, compare);
    if (at == std::string_view::npos) break;
    out.append(s.substr(from, at - from)).append(with);
    from = at + find.size();
  }
  out.append(s.substr(from));
  return out;
}

std::vector<std::string> Split(std::string_view s, std::string_view delimiter) {
  std::vector<std::string> parts;
  if (s.empty()) return parts;
  if (delimiter.empty()) {
    parts.emplace_back(s);
    return parts;
  }
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = s.find(delimiter, from);
    if (at == std::string_view::npos) break;
    parts.emplace_back(s.substr(from, at - from));
    from = at + delimiter.size();
  }
  parts.emplace_back(s.substr(from));
  return parts;
}

std::string Join(const std::vector<std::string>& parts, std::string_view delimiter) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out.append(delimiter);
    out.append(parts[i]);
  }
  return out;
}

std::string Space(std::int32_t n) { return std::string(static_cast<std::size_t>(std::max(n, 0)), ' '); }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}
bool Contains(std::string_view s, std::string_view find) { return s.find(find) != std::string_view::npos; }

}  // namespace cavra::vb
