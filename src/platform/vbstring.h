// The VB text operations, on UTF-8 text. Lengths and positions count
// characters (code points), not bytes, so Chinese captions measure as
// intended; positions are 1-based like VB's. Case mapping is ASCII-only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cavra::vb {

enum class Compare { Binary = 0, Text = 1 };

std::string UCase(std::string_view s);
std::string LCase(std::string_view s);
// Removes blanks (U+0020) only, not tabs or line breaks.
std::string Trim(std::string_view s);
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);

// Number of characters.
std::int32_t Len(std::string_view s);
std::string Left(std::string_view s, std::int32_t n);
std::string Right(std::string_view s, std::int32_t n);
// From 1-based character start, n characters (all when n < 0).
std::string Mid(std::string_view s, std::int32_t start, std::int32_t n = -1);
// 1-based character position of find in s at or after start, or 0.
// An empty find gives start (when start <= Len(s) + 1).
std::int32_t InStr(std::int32_t start, std::string_view s, std::string_view find,
                   Compare compare = Compare::Binary);
inline std::int32_t InStr(std::string_view s, std::string_view find, Compare compare = Compare::Binary) {
  return InStr(1, s, find, compare);
}
// Every occurrence of find replaced by with, scanning left to right.
std::string Replace(std::string_view s, std::string_view find, std::string_view with,
                    Compare compare = Compare::Binary);
// VB Split: an empty text gives no pieces at all; an empty delimiter gives
// the whole text as one piece.
std::vector<std::string> Split(std::string_view s, std::string_view delimiter);
std::string Join(const std::vector<std::string>& parts, std::string_view delimiter);
std::string Space(std::int32_t n);

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
bool Contains(std::string_view s, std::string_view find);

// Byte offset of the character at 0-based character index i (s.size() past
// the end).
std::size_t ByteOffset(std::string_view s, std::int32_t i);

}  // namespace cavra::vb
