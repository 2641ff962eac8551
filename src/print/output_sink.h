// OutputSink: where a print document is written as it is built, so that a
// document of a 100,000-line voucher never has to exist twice in memory.
// Texts arrive as UTF-8 in pieces of any size; a sink may cut nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace cavra {

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual void Write(std::string_view text) = 0;
};

// Collects the text in memory.
class StringSink final : public OutputSink {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  const std::string& Text() const noexcept { return text_; }
  std::string Take() noexcept { return std::move(text_); }

 private:
  std::string text_;
};

// Writes a file in UTF-16LE with a byte-order mark, the encoding the print
// documents declare. A UTF-8 sequence may be split across two writes; an
// invalid one becomes U+FFFD. Errors throw VbError err::kPathFileAccess with
// the path; Close() reports a failed flush, and the destructor closes quietly.
class Utf16FileSink final : public OutputSink {
 public:
  explicit Utf16FileSink(const std::filesystem::path& path);
  ~Utf16FileSink() override;
  Utf16FileSink(const Utf16FileSink&) = delete;
  Utf16FileSink& operator=(const Utf16FileSink&) = delete;

  void Write(std::string_view text) override;
  // Ends the text (an unfinished sequence becomes U+FFFD) and closes the file.
  void Close();

 private:
  void Put(char32_t c);
  void Fail(const char* doing) const;

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  char32_t pending_ = 0;   // the code point being decoded
  int missing_ = 0;        // continuation bytes it still needs
  char32_t minimum_ = 0;   // the smallest code point its length may encode
};

}  // namespace cavra
