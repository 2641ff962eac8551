#include "business/pictures.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

#include "cavra/components.h"
#include "cavra/outside.h"
#include "components/defaults.h"
#include "fakes/expect_error.h"
#include "fakes/fakes.h"
#include "fakes/hostile_values.h"
#include "fakes/scratch.h"
#include "platform/base64.h"

namespace cavra {
namespace {

using testing::MakeRecordset;

constexpr const char* kFixedQuery =
    "Select * From AA_Picture where cGUID='F32234FC-43DD-4705-9F22-2B0141F909F5'";

Bytes Pattern(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
  return b;
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Records the size of every write the stream receives.
class WriteSizes : public std::streambuf {
 public:
  std::vector<std::streamsize> sizes;
  std::string data;

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    sizes.push_back(n);
    data.append(s, static_cast<std::size_t>(n));
    return n;
  }
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) xsputn(reinterpret_cast<const char*>(&c), 1);
    return c;
  }
};

RecordsetPtr BlobRow(Variant value) { return MakeRecordset({"cGUID", "Picture"}, {{"g", std::move(value)}}); }

class PicturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterDefaultComponents();
    ctx_.SetDataSource(ds_);
  }
  void Answer(const std::string& sql, Variant value) {
    ds_->sql_handlers.emplace_back(sql, [value](const std::string&) { return BlobRow(value); });
  }

  std::shared_ptr<testing::FakeDataSource> ds_ = std::make_shared<testing::FakeDataSource>();
  ServiceContext ctx_;
  Pictures pictures_{ctx_};
};

TEST_F(PicturesTest, PictureTextOfTheFixedGuidAndOfOtherReferences) {
  const Bytes png = {0x89, 'P', 'N', 'G', 0, 1, 2, 0xFF};
  Answer(kFixedQuery, Variant(png));
  std::vector<std::string> parts;
  EXPECT_EQ(pictures_.PictureText("[%0,GUID%]", &parts), Base64Encode(png));
  EXPECT_EQ(parts, (std::vector<std::string>{"0", "F32234FC-43DD-4705-9F22-2B0141F909F5"}));
  EXPECT_EQ(ds_->queries, std::vector<std::string>{kFixedQuery});

  // Other kinds ask nothing and hand nothing back.
  parts = {"untouched"};
  EXPECT_EQ(pictures_.PictureText("[%1,GUID%]", &parts), "");
  EXPECT_EQ(pictures_.PictureText("[%0%]", &parts), "");
  EXPECT_EQ(parts, std::vector<std::string>{"untouched"});
  EXPECT_EQ(ds_->queries.size(), 1u);
}

TEST_F(PicturesTest, PictureTextIsEmptyWhenThereIsNothingToEncode) {
  const std::string missing = "Select * From AA_Picture where cGUID='nope'";
  ds_->sql_handlers.emplace_back(missing, [](const std::string&) {
    return MakeRecordset({"cGUID", "Picture"}, {});
  });
  EXPECT_EQ(pictures_.PictureText("[%0,nope%]", nullptr), "");  // no row
  EXPECT_EQ(pictures_.PictureText("[%0,absent%]", nullptr), "");  // no recordset
  Answer("cGUID='number'", Variant(42));
  EXPECT_EQ(pictures_.PictureText("[%0,number%]", nullptr), "");  // the encoder refuses it
  Answer("cGUID='null'", Variant::Null());
  EXPECT_EQ(pictures_.PictureText("[%0,null%]", nullptr), "");
  ds_->sql_handlers.emplace_back("cGUID='nocolumn'", [](const std::string&) {
    return MakeRecordset({"cGUID"}, {{"nocolumn"}});
  });
  EXPECT_EQ(pictures_.PictureText("[%0,nocolumn%]", nullptr), "");

  // An encoder that cannot be created, or that fails.
  Answer(kFixedQuery, Variant(Bytes{1, 2, 3}));
  {
    ScopedComponent gone("CodeRuleKit.CodeLib", [] { return ObjectPtr(); });
    EXPECT_EQ(pictures_.PictureText("[%0,GUID%]", nullptr), "");
  }
  struct Refusing : ICodeLib {
    std::int32_t Base64encode(const Variant&, std::string& out, std::int32_t, std::int32_t) override {
      out = "partial";
      return 7;
    }
  };
  {
    ScopedComponent refusing("CodeRuleKit.CodeLib", [] { return std::make_shared<Refusing>(); });
    EXPECT_EQ(pictures_.PictureText("[%0,GUID%]", nullptr), "");
  }
  EXPECT_EQ(pictures_.PictureText("[%0,GUID%]", nullptr), "AQID");

  ctx_.SetDataSource(nullptr);
  EXPECT_EQ(pictures_.PictureText("[%0,GUID%]", nullptr), "");
}

TEST_F(PicturesTest, HostileGuidsStayInsideTheirLiteral) {
  for (const auto& [name, value] : testing::HostileValues()) {
    SCOPED_TRACE(name);
    ds_->queries.clear();
    EXPECT_EQ(pictures_.PictureText("[%0," + value + "%]", nullptr), "");
    EXPECT_EQ(pictures_.PictureFile(value), "");
    const std::string sql = "Select * From AA_Picture where cGUID='" + testing::Doubled(value) + "'";
    // Commas split a reference, so the text lookup asks for the first piece only.
    if (value.find(',') == std::string::npos) {
      EXPECT_EQ(ds_->queries.front(), sql);
    }
    EXPECT_EQ(ds_->queries.back(), sql);
  }
  ds_->queries.clear();
  EXPECT_EQ(pictures_.PictureText("[%0," + testing::ValueWithNul() + "%]", nullptr), "");
  EXPECT_EQ(pictures_.PictureFile(testing::ValueWithNul()), "");
  EXPECT_TRUE(ds_->queries.empty());
}

TEST_F(PicturesTest, PictureFileIsWrittenAnewInPlace) {
  const Bytes first = {0x89, 'P', 'N', 'G', 1, 2, 3};
  const Bytes second = {0xFF, 0xD8, 0xFF, 9};
  Bytes current = first;
  ds_->sql_handlers.emplace_back("AA_Picture", [&](const std::string&) { return BlobRow(Variant(current)); });

  testing::ScratchDir tmp;
  testing::ScopedEnv env("TMPDIR", tmp.path);
  const std::string id = "../evil/a b";
  const std::string path = pictures_.PictureFile(id);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(std::filesystem::path(path).parent_path(), tmp.path / "cavra-pictures");
  EXPECT_EQ(std::filesystem::path(path).filename(), "_2e_2e_2fevil_2fa_20b.png");
  EXPECT_EQ(ReadFile(path), first);
  EXPECT_EQ(pictures_.PictureFile(id), path);

  current = second;  // the picture changed in the database
  const std::string again = pictures_.PictureFile(id);
  EXPECT_EQ(std::filesystem::path(again).extension(), ".jpg");
  EXPECT_EQ(ReadFile(again), second);
  std::filesystem::remove(path);
  std::filesystem::remove(again);
  int left = 0;
  for (const auto& e : std::filesystem::directory_iterator(Pictures::PictureFolder()))
    left += e.path().filename().string().rfind("_2e_2e_2fevil", 0) == 0;
  EXPECT_EQ(left, 0);  // no temporary files stay behind

  // Distinct identifiers never share a file.
  EXPECT_NE(pictures_.PictureFile("a_20b"), pictures_.PictureFile("a b"));
  std::filesystem::remove(pictures_.PictureFile("a_20b"));
  std::filesystem::remove(pictures_.PictureFile("a b"));

  EXPECT_EQ(pictures_.PictureFile("  "), "");
  current.clear();
  ds_->sql_handlers.clear();
  Answer("AA_Picture", Variant("text, not binary"));
  EXPECT_EQ(pictures_.PictureFile("x"), "");
}

TEST(BlobToFile, OnePieceOrChunksOfTheFieldSize) {
  testing::ScratchDir dir;
  const Bytes blob = Pattern(50000);
  auto rs = MakeRecordset({"Picture"}, {{Variant(blob)}});

  const std::string whole = (dir.path / "whole.bin").string();
  Pictures::BlobToFile(rs->Fields("Picture"), whole);
  EXPECT_EQ(ReadFile(whole), blob);

  const std::string part = (dir.path / "part.bin").string();
  Pictures::BlobToFile(rs->Fields("Picture"), part, 40000, 1000);
  EXPECT_EQ(ReadFile(part), Bytes(blob.begin(), blob.begin() + 40000));
  // At the threshold the field is still written whole.
  Pictures::BlobToFile(rs->Fields("Picture"), part, 1000, 1000);
  EXPECT_EQ(ReadFile(part), blob);

  auto chunks = MakeRecordset({"Picture"}, {{Variant(Pattern(40000))}});
  WriteSizes sizes;
  std::ostream out(&sizes);
  Pictures::WriteFromBinary(out, chunks->Fields(0), 40000);
  EXPECT_EQ(sizes.sizes, (std::vector<std::streamsize>{16384, 16384, 7232}));
  EXPECT_EQ(Bytes(sizes.data.begin(), sizes.data.end()), Pattern(40000));
}

TEST(BlobToFile, FailuresRaiseToTheCaller) {
  testing::ScratchDir dir;
  auto blob = MakeRecordset({"Picture"}, {{Variant(Pattern(100))}});
  auto null = MakeRecordset({"Picture"}, {{Variant::Null()}});
  auto number = MakeRecordset({"Picture"}, {{Variant(3.5)}});
  const std::string file = (dir.path / "f.bin").string();
  EXPECT_VB_ERROR(Pictures::BlobToFile(blob->Fields(0), (dir.path / "no/such/dir/f").string()), 75);
  EXPECT_VB_ERROR(Pictures::BlobToFile(null->Fields(0), file), 94);
  EXPECT_VB_ERROR(Pictures::BlobToFile(number->Fields(0), file), 13);
  // The field ends before the size asked for.
  EXPECT_VB_ERROR(Pictures::BlobToFile(blob->Fields(0), file, 40000, 10), 94);
  std::ostringstream sink;
  EXPECT_VB_ERROR(Pictures::WriteFromBinary(sink, blob->Fields(0), -1), 5);
  std::ostringstream bad;
  bad.setstate(std::ios::badbit);
  auto fresh = MakeRecordset({"Picture"}, {{Variant(Pattern(100))}});
  EXPECT_VB_ERROR(Pictures::WriteFromBinary(bad, fresh->Fields(0), 10), 75);
}

}  // namespace
}  // namespace cavra
