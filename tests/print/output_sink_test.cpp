#include "fakes/expect_error.h"
#include "print/output_sink.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <fstream>
#include <iterator>
#include <string>

#include "cavra/error.h"
#include "fakes/scratch.h"

namespace cavra {
namespace {

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The UTF-16LE bytes of a list of code units.
std::string Units(std::initializer_list<unsigned> units) {
  std::string out;
  for (unsigned u : units) out += {char(u & 0xFF), char(u >> 8)};
  return out;
}

TEST(OutputSink, StringSinkKeepsEveryPiece) {
  StringSink sink;
  sink.Write("<数据>");
  sink.Write("");
  sink.Write("</数据>");
  EXPECT_EQ(sink.Text(), "<数据></数据>");
  EXPECT_EQ(sink.Take(), "<数据></数据>");
}

TEST(OutputSink, Utf16FileHasBomAndEveryCodePoint) {
  testing::ScratchDir dir;
  const auto path = dir / "doc.xml";
  Utf16FileSink sink(path);
  const std::string text = "a数\xF0\x9F\x98\x80";  // ASCII, BMP, and a character beyond it
  // Cut inside every sequence: the sink must join the pieces.
  for (char c : text) sink.Write(std::string_view(&c, 1));
  sink.Close();
  EXPECT_EQ(Bytes(path), "\xFF\xFE" + Units({'a', 0x6570, 0xD83D, 0xDE00}));
}

TEST(OutputSink, Utf16FileReplacesWhatIsNotUtf8) {
  struct Case {
    const char* name;
    std::string input;
    std::string units;
  };
  const Case cases[] = {
      {"stray continuation byte", "a\x80" "b", Units({'a', 0xFFFD, 'b'})},
      {"sequence cut by a new one", "\xE6\x95" "b", Units({0xFFFD, 'b'})},
      {"overlong slash", "\xC0\xAF", Units({0xFFFD})},
      {"surrogate encoded in UTF-8", "\xED\xA0\x80", Units({0xFFFD})},
      {"byte never in UTF-8", "\xFF", Units({0xFFFD})},
      {"unfinished at the end", "x\xE6\x95", Units({'x', 0xFFFD})},
  };
  testing::ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = dir / "bad.txt";
    Utf16FileSink sink(path);
    sink.Write(c.input);
    sink.Close();
    EXPECT_EQ(Bytes(path), "\xFF\xFE" + c.units);
  }
}

TEST(OutputSink, Utf16FileReadsBackAsItsDeclaredEncoding) {
  testing::ScratchDir dir;
  const auto path = dir / "style.xml";
  {
    Utf16FileSink sink(path);
    sink.Write("<?xml version='1.0' encoding='utf-16'?>\r\n<打印 标题='销售订单 &amp; 发货'/>");
  }  // closed by the destructor
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(path.c_str()));
  EXPECT_STREQ(doc.child("打印").attribute("标题").value(), "销售订单 & 发货");
}

TEST(OutputSink, Utf16FileFailuresNameThePath) {
  testing::ScratchDir dir;
  const auto path = dir / "missing" / "doc.xml";
  EXPECT_VB_ERROR(Utf16FileSink sink(path), err::kPathFileAccess, path.string());
  Utf16FileSink sink(dir / "closed.xml");
  sink.Close();
  EXPECT_VB_ERROR(sink.Write("x"), err::kPathFileAccess, "closed.xml");
}

}  // namespace
}  // namespace cavra
