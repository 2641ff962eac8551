// Print preparation benchmarks: PreParePrint of generated sales vouchers of
// 1k, 10k and 100k lines of 20 printed body columns, measured against a
// baseline taken in the same run, and reported as ratios with their targets:
//   prepare      PreParePrint / pugixml serialising the body document      <= 4
//                (both are one pass writing text)
//   growth       PreParePrint 100k lines / 10k lines                        <= 11
// and, reported without a target, the same voucher printed in row layout
// (a four-label panel per line) and printed without summed columns (no
// total row), each against the grid.
// Run: build/<dir>/bench/print_bench   (times are CPU times)
//
// The allocator keeps what it frees, as in voucher_bench: otherwise each
// freed 100k-line text goes back to the kernel and page faults, not the
// work compared, decide the ratios.
#include <benchmark/benchmark.h>

#include "generated_order.h"
#include "ratio_reporter.h"

#include <malloc.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cavra/components.h"
#include "cavra/recordset.h"
#include "cavra/rowset.h"
#include "cavra/template_file.h"
#include "cavra/voucher_service.h"
#include "platform/xml.h"

namespace {

using namespace cavra;

constexpr const char* kPanel =
    "<voucher><template vt_width='5670' vt_height='850' printrowcaption='1'/><fixlabel>"
    "<l localeid='zh-CN' text='行号' x='0' y='0' width='567' height='283'/>"
    "<l localeid='zh-CN' nactiontext='1' nactionsource='2' scol='cInvCode' x='567' y='0' width='1134' "
    "height='283'/>"
    "<l localeid='zh-CN' nactiontext='1' nactionsource='2' scol='cInvName' x='1701' y='0' width='2268' "
    "height='283'/>"
    "<l localeid='zh-CN' nactiontext='1' nactionsource='2' scol='iMoney' x='3969' y='0' width='1134' "
    "height='283'/>"
    "</fixlabel></voucher>";

// Answers the row-layout definition query and nothing else.
class QuietDataSource : public IDataSource {
 public:
  RecordsetPtr GetRsBySql(const std::string& sql, std::string& error) override {
    if (sql.find("vt_RowLayoutXML") != std::string::npos) {
      auto rs = std::make_shared<Recordset>(std::vector<std::string>{"vt_RowLayoutXML"});
      rs->AddRow({Variant(kPanel)});
      return rs;
    }
    error = "none";
    return nullptr;
  }
  std::string GetAuthString(const std::string&) override { return "1=2"; }
  Variant GetCustomerInfo(std::string&, std::string&) override { return {}; }
  std::string GetCustomerizeTotalTitle() override { return "页小计{##}小计{##}序号{##}合计"; }
  std::string GetCustomerizeTotalTitle(const std::string&) override { return GetCustomerizeTotalTitle(); }
  LoginPtr GetLogin() override { return nullptr; }
};


// 20 printed body columns (texts, numbers with pictures and sums, dates, an
// enumeration) and two header fields; page subtotal and total rows.
enum class Kind { kGrid, kRowLayout, kNoSums };

std::string TemplateXml(Kind kind) {
  const std::string sum = kind == Kind::kNoSums ? "0" : "1";
  std::string items =
      "<item fieldname='cCode' carditemname='单号' cardsection='T' fieldtype='1' showit='1' cox='100' coy='100' "
      "width='1500' height='300'/>"
      "<item fieldname='ID' cardsection='T' fieldtype='2' showit='0'/>"
      "<item fieldname='irowno' carditemname='行号' cardsection='B' fieldtype='2' showit='1' width='600'/>";
  for (const char* text : {"cInvCode", "cInvName", "cInvStd", "cUnit", "cMemo"})
    items += std::string("<item fieldname='") + text + "' carditemname='" + text +
             "' cardsection='B' fieldtype='1' showit='1' width='1200' maxlength='60'/>";
  for (const char* n : {"iQuantity", "iDisCount", "iWeight", "iVolume", "iTaxRate", "iTaxUnitPrice", "iTax",
                        "iNatMoney"})
    items += std::string("<item fieldname='") + n + "' carditemname='" + n +
             "' cardsection='B' fieldtype='4' numpoint='2' showit='1' width='900' needsum='" + sum + "'/>";
  for (const char* n : {"iUnitPrice", "iMoney", "iSum"})
    items += std::string("<item fieldname='") + n + "' carditemname='" + n +
             "' cardsection='B' fieldtype='4' numpoint='2' formatdata='1' showit='1' width='900' needsum='" + sum + "'/>";
  items +=
      "<item fieldname='dPreDate' carditemname='预发货日期' cardsection='B' fieldtype='5' formatdata='YYYY-MM-DD' "
      "showit='1' width='1100'/>"
      "<item fieldname='dArrive' carditemname='到货时间' cardsection='B' fieldtype='5' "
      "formatdata='YYYY-MM-DD HH:mm:ss' showit='1' width='1600'/>"
      "<item fieldname='bGift' carditemname='赠品' cardsection='B' fieldtype='1' isenum='1' "
      "enumtypestring='否{#}是{##}0{#}1' showit='1' width='500'/>";
  return std::string("<template CardNumber='17' AppName='zh-CN' Shield='0' Name='SO' cCardName='SO' CardType='1' "
                     "ItemTblName='t' VchTblPrimarykeyNames='ID' ReceiptNOFieldName='cCode{##}irowno' itemCol='2' "
                     "BTTblName='h' BTQName='h' BWTblName='b' BWQName='b' HaveBodyGrid='1' VT_ID='12' VT_Name='n' "
                     "VT_Width='12000' VT_Height='16000' VT_BodyTop='1500' VT_BodyLeft='300' VT_BodyWidth='11000' "
                     "VT_BodyHeight='9000' VT_BodyFixedCols='1' VT_BodyMaxRows='-1' VT_SelfDef1='' VT_SelfDef2='' "
                     "VT_SelfDef3='' VT_Memo='' VT_TitleName='销售订单' VT_TitleLeft='4000' VT_TitleTop='300' "
                     "VT_TitleFontState='' VT_PageHeader='' VT_WorkAreaColor='0' VT_ControlStyle='0' "
                     "VT_FiexdColor='0' VT_TotalColor='0' VT_AmongColor='0' VT_GridStyleHead='' "
                     "VT_GridStyleBody='' VT_GridStyleTotal='' VT_GridPrnRows='0' VT_GridPrnRowHeight='0' "
                     "VT_PageSubTotal='1' VT_PageTotal='1' vt_RowLayoutEnabled='") +
         (kind == Kind::kRowLayout ? "1" : "0") + "'>" + items + "</template>";
}


struct Fixture {
  std::shared_ptr<QuietDataSource> ds = std::make_shared<QuietDataSource>();
  ScopedComponent source{"DataSourceKit.DefaultDataSource", [this] { return ds; }};
  clsVoucherService svc;
  bench::Voucher voucher;
  RecordsetPtr tpl;
  RecordsetPtr labels = std::make_shared<Recordset>(std::vector<std::string>{"Text", "X", "Y"});
  Fixture(int lines, Kind kind) : voucher(bench::GenerateOrder(lines, bench::Lines::kToPrint)) {
    pugi::xml_document doc;
    doc.load_string(TemplateXml(kind).c_str());
    tpl = TemplateRecordsetFromXml(doc).value();
    svc.SetDataSource(ds);
    svc.setTemplateData(tpl);
    svc.setVoucherDataXML(voucher.head, voucher.body);
  }
};

Fixture& Get(int lines, Kind kind = Kind::kGrid) {
  static std::map<std::pair<int, Kind>, std::unique_ptr<Fixture>> fixtures;
  auto& f = fixtures[{lines, kind}];
  if (!f) f = std::make_unique<Fixture>(lines, kind);
  return *f;
}

void Prepare(benchmark::State& state, Kind kind) {
  Fixture& f = Get(static_cast<int>(state.range(0)), kind);
  std::string style, data;
  for (auto _ : state) {
    f.svc.PreParePrint(f.tpl, f.labels, style, data);
    benchmark::DoNotOptimize(data.data());
  }
  // A preparation that silently wrote nothing would look fast.
  if (data.find("<表体行>") == std::string::npos) state.SkipWithError("no body rows in the data document");
  state.counters["data_MB"] = static_cast<double>(data.size()) / 1e6;
}

void BM_PreParePrint(benchmark::State& state) { Prepare(state, Kind::kGrid); }
void BM_PreParePrintRowLayout(benchmark::State& state) { Prepare(state, Kind::kRowLayout); }
void BM_PreParePrintNoSums(benchmark::State& state) { Prepare(state, Kind::kNoSums); }

void BM_SerializeBody(benchmark::State& state) {
  Fixture& f = Get(static_cast<int>(state.range(0)));
  DomPtr head, body;
  f.svc.getVoucherDataXML(head, body);
  std::string text;
  for (auto _ : state) {
    text = xml::Text(*body);
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["data_MB"] = static_cast<double>(text.size()) / 1e6;
}

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_PreParePrint) SIZES;
BENCHMARK(BM_SerializeBody) SIZES;
BENCHMARK(BM_PreParePrintRowLayout)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PreParePrintNoSums)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TOP_PAD, 64 << 20);
  benchmark::Initialize(&argc, argv);
  cavra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios({
      {"prepare 1k / serialise", "BM_PreParePrint/1000", "BM_SerializeBody/1000", 4},
      {"prepare 10k / serialise", "BM_PreParePrint/10000", "BM_SerializeBody/10000", 4},
      {"prepare 100k / serialise", "BM_PreParePrint/100000", "BM_SerializeBody/100000", 4},
      {"prepare 100k / 10k", "BM_PreParePrint/100000", "BM_PreParePrint/10000", 11},
      {"(baseline) serialise 100k / 10k", "BM_SerializeBody/100000", "BM_SerializeBody/10000", 0},
      {"row layout 100k / grid 100k", "BM_PreParePrintRowLayout/100000", "BM_PreParePrint/100000", 0},
      {"no sums 10k / grid 10k", "BM_PreParePrintNoSums/10000", "BM_PreParePrint/10000", 0},
      {"no sums 100k / grid 100k", "BM_PreParePrintNoSums/100000", "BM_PreParePrint/100000", 0},
      {"no sums 100k / serialise", "BM_PreParePrintNoSums/100000", "BM_SerializeBody/100000", 0},
  });
  benchmark::Shutdown();
  return 0;
}
