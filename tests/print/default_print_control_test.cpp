#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <string>

#include "cavra/error.h"
#include "fakes/expect_error.h"
#include "fakes/scratch.h"
#include "print/default_print_control.h"
#include "print/output_sink.h"

namespace cavra {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;

const std::string kData = "<?xml version='1.0' encoding='utf-16' ?>\r\n<数据><任务><单据号>SO-1</单据号></任务></数据>";
const std::string kStyle = "<?xml version='1.0' encoding='utf-16' ?>\r\n<样式 纸张='A4'/>";

// UTF-16LE with a byte-order mark, as the default control writes, for text
// within the basic plane.
std::string Utf16Le(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = utf8[i];
    char32_t cp;
    int n;
    if (c < 0x80) cp = c, n = 1;
    else if (c < 0xE0) cp = c & 0x1F, n = 2;
    else cp = c & 0x0F, n = 3;
    for (int k = 1; k < n; ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    i += n;
    out += static_cast<char>(cp & 0xFF);
    out += static_cast<char>(cp >> 8);
  }
  return out;
}

struct CountingPolicy : IPrintPolicy {
  int printed = 0;
  bool fail = false;
  void Printed() override {
    if (fail) throw VbError(err::kInvalidCall, "table is locked");
    ++printed;
  }
};

class DefaultControl : public ::testing::Test {
 protected:
  ScratchDir dir;
  ScopedEnv print_dir{"CAVRA_PRINT_DIR", dir / "out"};
  DefaultPrintControl control;
};

TEST_F(DefaultControl, DocumentsThatDoNotParseGiveTheirCodeAndTheParsersReason) {
  EXPECT_EQ(control.SetDataStyleXML("<数据><任务>", false, kStyle, false, "default"), 1);
  EXPECT_NE(control.ErrorText().find("data document"), std::string::npos);
  EXPECT_EQ(control.SetDataStyleXML(kData, false, "<样式 a='1'>", false, "default"), 2);
  EXPECT_NE(control.ErrorText().find("style document: "), std::string::npos);
  EXPECT_GT(control.ErrorText().size(), std::string("style document: ").size());
  EXPECT_EQ(control.SetDataStyleXML(dir / "missing.xml", true, kStyle, false, "default"), 3);
  // Nothing is written after a failed hand-over.
  EXPECT_EQ(CLng(control.PrintEx(true)), 4);
  EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

TEST_F(DefaultControl, PrintWritesBothDocumentsAsUtf16UnderNewNamesAndCountsOnlyRealPrints) {
  auto policy = std::make_shared<CountingPolicy>();
  ASSERT_EQ(control.SetDataStyleXML(kData, false, kStyle, false, "default"), 0);
  control.SetOB(policy);
  EXPECT_EQ(CLng(control.PrintPreview()), 0);
  EXPECT_EQ(policy->printed, 0) << "a preview is not a print";
  EXPECT_EQ(CLng(control.PrintEx(false)), 0);
  EXPECT_EQ(CLng(control.PrintEx(false)), 0);
  EXPECT_EQ(policy->printed, 2);
  EXPECT_EQ(ReadFile(dir / "out" / "preview-1.data.xml"), Utf16Le(kData));
  EXPECT_EQ(ReadFile(dir / "out" / "print-1.style.xml"), Utf16Le(kStyle));
  EXPECT_EQ(ReadFile(dir / "out" / "print-2.data.xml"), Utf16Le(kData));
  EXPECT_EQ(control.WrittenFiles().front(), dir / "out" / "print-2.data.xml");

  policy->fail = true;
  EXPECT_EQ(CLng(control.PrintEx(false)), 6);
  EXPECT_NE(control.ErrorText().find("table is locked"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "out" / "print-3.data.xml"));

  // New documents are a new job: the client of the earlier ones is let go.
  policy->fail = false;
  ASSERT_EQ(control.SetDataStyleXML(kData, false, kStyle, false, "default"), 0);
  EXPECT_EQ(CLng(control.PrintEx(false)), 0);
  EXPECT_EQ(policy->printed, 2);
}

TEST_F(DefaultControl, ExportsCarryTheFileTypeOrGoWhereTheHostSaysOrToANewTempFile) {
  ASSERT_EQ(control.SetDataStyleXML(kData, false, kStyle, false, "default"), 0);
  control.sFileType(2);
  std::string types, sizes, names;
  EXPECT_EQ(CLng(control.ExportToFileEx(0, types, sizes, names, "")), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "out" / "export-1-type2.data.xml"));

  Variant named((dir / "a.xml").string());
  EXPECT_EQ(CLng(control.ExportToAttached(0, 0, types, sizes, names, "", named)), 0);
  EXPECT_EQ(ReadFile(dir / "a.xml"), Utf16Le(kData));
  EXPECT_EQ(ReadFile(dir / "a.xml.style.xml"), Utf16Le(kStyle));

  Variant fresh("");
  EXPECT_EQ(CLng(control.ExportToAttached(0, 0, types, sizes, names, "", fresh)), 0);
  const std::filesystem::path made = CStr(fresh);
  EXPECT_EQ(made.parent_path(), std::filesystem::temp_directory_path());
  EXPECT_EQ(ReadFile(made), Utf16Le(kData));
  std::filesystem::remove(made);
  std::filesystem::remove(made.string() + ".style.xml");
}

TEST_F(DefaultControl, AFailingWriteKeepsTheEarlierFileAndSaysWhy) {
  ASSERT_EQ(control.SetDataStyleXML(kData, false, kStyle, false, "default"), 0);
  const auto locked = dir / "locked";
  WriteFile(locked / "a.xml", "earlier");
  // A folder where the file is first written makes the write fail.
  std::filesystem::create_directories(locked / "a.xml.part" / "x");
  std::string t, s, n;
  Variant named((locked / "a.xml").string());
  EXPECT_EQ(CLng(control.ExportToAttached(0, 0, t, s, n, "", named)), 5);
  EXPECT_NE(control.ErrorText().find("a.xml"), std::string::npos);
  EXPECT_EQ(ReadFile(locked / "a.xml"), "earlier");
  EXPECT_EQ(CStr(named), (locked / "a.xml").string());
}

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
