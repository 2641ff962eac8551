// The print documents of the examples/ sales order, compared byte for byte
// with the reviewed pair under tests/print/golden/. A change to them must be
// deliberate: regenerate with
//   CAVRA_UPDATE_GOLDEN=1 build/dev/tests/print/print_tests --gtest_filter='PrintGolden*'
// then read the diff of tests/print/golden/ before committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <string>

#include "cavra/datasource.h"
#include "cavra/rowset.h"
#include "cavra/template_file.h"
#include "cavra/voucher_service.h"
#include "fakes/fakes.h"
#include "fakes/fixed_clock_source.h"
#include "fakes/sample_order.h"
#include "fakes/scratch.h"

namespace cavra {
namespace {

const std::string kExamples = std::string(CAVRA_SOURCE_DIR) + "/examples/sales_order/";
const std::string kGolden = std::string(CAVRA_SOURCE_DIR) + "/tests/print/golden/";

using testing::FixedClockSource;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

struct SalesOrderPrint {
  std::string style, data;
  SalesOrderPrint() {
    testing::ScratchDir dir;
    auto db = OpenSqliteDataSource(dir / "golden.db", true);
    EXPECT_TRUE(db.ok());
    if (!db.ok()) return;
    auto labels = ReadFixedLabelFile(kExamples + "labels.xml");
    EXPECT_TRUE(labels.ok());
    if (!labels.ok()) return;
    clsVoucherService svc;
    auto login = std::make_shared<testing::FakeLogin>();
    login->user_name = "王晓梅";
    svc.LoginObj(login);
    svc.SetDataSource(std::make_shared<FixedClockSource>(*db));
    const RecordsetPtr tpl = testing::LoadSampleOrder(**db, svc);
    if (!tpl) return;
    svc.LogoPictureDataString("TE9HTw==");
    svc.PreParePrint(tpl, *labels, style, data);
  }
};

void Compare(const std::string& name, const std::string& text) {
  if (std::getenv("CAVRA_UPDATE_GOLDEN")) WriteBytes(kGolden + name, text);
  EXPECT_EQ(text, ReadBytes(kGolden + name)) << name << " differs from the reviewed document";
}

TEST(PrintGolden, SalesOrderDocumentsMatchTheReviewedPair) {
  const SalesOrderPrint print;
  ASSERT_FALSE(print.style.empty());
  for (const std::string* text : {&print.style, &print.data}) {
    pugi::xml_document doc;
    const auto result = doc.load_buffer(text->data(), text->size(), pugi::parse_default, pugi::encoding_utf8);
    EXPECT_TRUE(result) << result.description() << " at " << result.offset;
  }
  Compare("sales_order_style.xml", print.style);
  Compare("sales_order_data.xml", print.data);
}

}  // namespace
}  // namespace cavra
