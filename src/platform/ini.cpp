#include "platform/ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/vbstring.h"

namespace cavra::ini {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t npos = std::string::npos;

std::string_view TrimWs(std::string_view s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// "[name]" -> name (trimmed); false for any other line.
bool SectionName(std::string_view line, std::string_view& name) {
  line = TrimWs(line);
  if (line.empty() || line.front() != '[') return false;
  const auto close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = TrimWs(line.substr(1, close - 1));
  return true;
}

// "key=value" -> key and raw value (both trimmed); false for comments and
// lines without "=".
bool KeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
  line = TrimWs(line);
  if (line.empty() || line.front() == ';') return false;
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = TrimWs(line.substr(0, eq));
  value = TrimWs(line.substr(eq + 1));
  return true;
}

std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

IniDocument IniDocument::Load(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return Parse(text);
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  if (text.substr(0, kBom.size()) == kBom) {
    doc.bom_ = kBom;
    text.remove_prefix(kBom.size());
  }
  bool eol_seen = false;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    Line line;
    if (nl == std::string_view::npos) {
      line.body = text;
      text = {};
    } else {
      const bool crlf = nl > 0 && text[nl - 1] == '\r';
      line.body = text.substr(0, crlf ? nl - 1 : nl);
      line.eol = crlf ? "\r\n" : "\n";
      text.remove_prefix(nl + 1);
      if (!eol_seen) {
        doc.eol_ = line.eol;
        eol_seen = true;
      }
    }
    doc.lines_.push_back(std::move(line));
  }
  return doc;
}

std::size_t IniDocument::FindSection(std::string_view section) const {
  section = TrimWs(section);
  std::string_view name;
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (SectionName(lines_[i].body, name) && vb::EqualsNoCase(name, section)) return i;
  return npos;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
  std::string_view name;
  std::size_t i = header + 1;
  while (i < lines_.size() && !SectionName(lines_[i].body, name)) ++i;
  return i;
}

std::size_t IniDocument::FindKey(std::size_t header, std::string_view key) const {
  key = TrimWs(key);
  std::string_view k, v;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i)
    if (KeyLine(lines_[i].body, k, v) && vb::EqualsNoCase(k, key)) return i;
  return npos;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const std::size_t header = FindSection(section);
  if (header == npos) return std::nullopt;
  const std::size_t at = FindKey(header, key);
  if (at == npos) return std::nullopt;
  std::string_view k, v;
  KeyLine(lines_[at].body, k, v);
  return Unquote(v);
}

void IniDocument::InsertLine(std::size_t at, std::string body) {
  // The line before the new one may be a last line without a break.
  if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = eol_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(body), eol_});
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = TrimWs(section);
  key = TrimWs(key);
  if (section.empty() || key.empty() || section.find(']') != std::string_view::npos ||
      key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';' ||
      HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
    return false;

  std::string entry(key);
  entry.append("=").append(value);
  const std::size_t header = FindSection(section);
  if (header == npos) {
    InsertLine(lines_.size(), "[" + std::string(section) + "]");
    InsertLine(lines_.size(), std::move(entry));
    return true;
  }
  if (const std::size_t at = FindKey(header, key); at != npos) {
    lines_[at].body = std::move(entry);
    return true;
  }
  // After the section's last non-blank line, so blank lines keep separating
  // it from the next section.
  std::size_t at = SectionEnd(header);
  while (at > header + 1 && TrimWs(lines_[at - 1].body).empty()) --at;
  InsertLine(at, std::move(entry));
  return true;
}

std::string IniDocument::Text() const {
  std::string out = bom_;
  for (const Line& line : lines_) out.append(line.body).append(line.eol);
  return out;
}

bool IniDocument::Save(const std::filesystem::path& file) const { return WriteFileAtomically(file, Text()); }

std::string ReadString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                       std::string_view default_value) {
  if (auto value = IniDocument::Load(file).Get(section, key)) return *value;
  return std::string(default_value);
}

bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value) {
  IniDocument doc = IniDocument::Load(file);
  return doc.Set(section, key, value) && doc.Save(file);
}

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view content) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target = file;
  if (fs::is_symlink(fs::symlink_status(file, ec))) {  // replace the file, not the link
    target = fs::canonical(file, ec);
    if (ec) return false;
  }
  const fs::path folder = target.parent_path();
  if (!folder.empty()) {
    fs::create_directories(folder, ec);
    if (ec) return false;
  }

  std::string temp = target.string() + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  struct stat old{};
  const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder's entry.
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace cavra::ini
