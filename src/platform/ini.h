// Private-profile (ini) files: "[section]" lines followed by "key=value"
// lines. Sections and keys are matched without regard to (ASCII) case and
// with surrounding blanks and tabs ignored; a value is read trimmed, with
// one pair of enclosing double or single quotes removed. Lines starting with
// ";" are comments. Texts are UTF-8; a leading byte-order mark is kept.
//
// A write replaces the key's line or adds it at the end of its section (the
// section is appended when missing), keeps every other line as it was, and
// creates the file and its folder. The new file is written beside the old
// one and renamed over it, so a crash leaves either the old or the new file,
// never a torn one. Concurrent writers from several processes are not
// serialized: the last rename wins.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cavra::ini {

// The parsed lines of one file, for several lookups or changes with one read.
class IniDocument {
 public:
  // The file's lines; a missing or unreadable file gives an empty document.
  static IniDocument Load(const std::filesystem::path& file);
  static IniDocument Parse(std::string_view text);

  // The value of key in section, or nullopt when either is absent.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Sets key in section. False (and no change) when the text cannot be
  // stored as one line: an empty section or key, a section containing "]",
  // a key containing "=" or starting with "[" or ";", or a CR or LF anywhere.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  // The file text: unchanged lines as read, new lines ended like the file's
  // first line (LF for a new file).
  std::string Text() const;
  // Writes Text() to file atomically, creating the folder; false on failure.
  bool Save(const std::filesystem::path& file) const;

 private:
  struct Line {
    std::string body;  // without its line break
    std::string eol;   // "\r\n", "\n" or "" (last line without a break)
  };
  // Index of the section's header line, or npos.
  std::size_t FindSection(std::string_view section) const;
  // Index of the key's line in the section starting at header, or npos.
  std::size_t FindKey(std::size_t header, std::string_view key) const;
  std::size_t SectionEnd(std::size_t header) const;
  void InsertLine(std::size_t at, std::string body);

  std::vector<Line> lines_;
  std::string bom_;
  std::string eol_ = "\n";
};

// GetPrivateProfileString: the value, or default_value when absent.
std::string ReadString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                       std::string_view default_value = {});
// WritePrivateProfileString: false when the value cannot be stored (see
// IniDocument::Set) or the file cannot be written.
bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value);

// Replaces file's content with content through a temporary file in the same
// folder and a rename (creating the folder); false on failure, and then the
// old file is untouched.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view content);

}  // namespace cavra::ini
