// Voucher benchmarks: generated sales vouchers of 1k, 10k and 100k lines of
// 20 fields, each measured against a baseline taken in the same run, and
// reported as ratios with their targets:
//   load          setVoucherDataXML / (pugixml deep copy + the 'D'-row XPath)   <= 2
//   one cell      bodyText at 100k lines / bodyText at 1k lines                <= 1.5
//   full pass     bodyText over every cell / pugixml serialising the body       <= 10
//   formulas      ExecCalcExpression(-1) / bodyText over the formulas' inputs   <= 3
//   growth        100k lines / 10k lines, for each of the above                 <= 12
// Run: build/<dir>/bench/voucher_bench   (times are CPU times)
//
// The allocator is told to keep what it frees: otherwise each freed 100k-line
// document goes back to the kernel and the next copy page-faults it in again,
// and those faults, not the work compared, decide the ratios.
#include <benchmark/benchmark.h>

#include "generated_order.h"
#include "ratio_reporter.h"

#include <malloc.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cavra/components.h"
#include "cavra/rowset.h"
#include "cavra/template_file.h"
#include "cavra/voucher_service.h"
#include "platform/xml.h"

namespace {

using namespace cavra;

// A data source that answers only what template and data loading ask.
class QuietDataSource : public IDataSource {
 public:
  RecordsetPtr GetRsBySql(const std::string&, std::string& error) override {
    error = "none";
    return nullptr;
  }
  std::string GetAuthString(const std::string&) override { return "1=2"; }
  Variant GetCustomerInfo(std::string&, std::string&) override { return {}; }
  LoginPtr GetLogin() override { return nullptr; }
};


std::string TemplateXml() {
  std::string items =
      "<item fieldname='cCode' cardsection='T' fieldtype='1' showit='1'/>"
      "<item fieldname='ID' cardsection='T' fieldtype='2' showit='0'/>"
      "<item fieldname='irowno' cardsection='B' fieldtype='2' showit='1'/>";
  for (const char* text : {"cInvCode", "cInvName", "cInvStd", "cUnit", "cMemo"})
    items += std::string("<item fieldname='") + text + "' cardsection='B' fieldtype='1' showit='1'/>";
  for (const char* n : {"iQuantity", "iDisCount", "iWeight", "iVolume", "iTaxRate"})
    items += std::string("<item fieldname='") + n + "' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>";
  items +=
      "<item fieldname='iUnitPrice' cardsection='B' fieldtype='4' numpoint='4' formatdata='1' showit='1'/>"
      "<item fieldname='iTaxUnitPrice' cardsection='B' fieldtype='4' numpoint='4' formatdata='1' showit='1' "
      "datarule='cdbl([BiUnitPrice]*(1+[BiTaxRate]/100))'/>"
      "<item fieldname='iMoney' cardsection='B' fieldtype='4' numpoint='2' formatdata='1' showit='1' "
      "datarule='cdbl([BiQuantity]*[BiUnitPrice])'/>"
      "<item fieldname='iTax' cardsection='B' fieldtype='4' numpoint='2' showit='1' "
      "datarule='cdbl([BiMoney]*[BiTaxRate]/100)'/>"
      "<item fieldname='iSum' cardsection='B' fieldtype='4' numpoint='2' formatdata='1' showit='1' "
      "datarule='cdbl([BiMoney]+[BiTax])'/>"
      "<item fieldname='iNatMoney' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
      "<item fieldname='dPreDate' cardsection='B' fieldtype='5' formatdata='YYYY-MM-DD' showit='1'/>"
      "<item fieldname='dArrive' cardsection='B' fieldtype='5' formatdata='YYYY-MM-DD HH:mm:ss' showit='1'/>"
      "<item fieldname='bGift' cardsection='B' fieldtype='1' isenum='1' enumtypestring='否{#}是{##}0{#}1' "
      "showit='1'/>";
  return "<template CardNumber='17' AppName='zh-CN' Shield='0' Name='SO' cCardName='SO' CardType='1' "
         "ItemTblName='t' VchTblPrimarykeyNames='ID' ReceiptNOFieldName='cCode{##}irowno' itemCol='2' "
         "BTTblName='h' BTQName='h' BWTblName='b' BWQName='b' HaveBodyGrid='1' VT_ID='12' VT_Name='n' "
         "VT_Width='1' VT_Height='1' VT_BodyTop='1' VT_BodyLeft='1' VT_BodyWidth='1' VT_BodyHeight='1' "
         "VT_BodyFixedCols='1' VT_BodyMaxRows='-1' VT_SelfDef1='' VT_SelfDef2='' VT_SelfDef3='' VT_Memo='' "
         "VT_TitleName='t' VT_TitleLeft='1' VT_TitleTop='1' VT_TitleFontState='' VT_PageHeader='' "
         "VT_WorkAreaColor='0' VT_ControlStyle='0' VT_FiexdColor='0' VT_TotalColor='0' VT_AmongColor='0' "
         "VT_GridStyleHead='' VT_GridStyleBody='' VT_GridStyleTotal='' VT_GridPrnRows='0' "
         "VT_GridPrnRowHeight='0'>" +
         items + "</template>";
}


struct Fixture {
  std::shared_ptr<QuietDataSource> ds = std::make_shared<QuietDataSource>();
  ScopedComponent source{"DataSourceKit.DefaultDataSource", [this] { return ds; }};
  clsVoucherService svc;
  bench::Voucher voucher;
  explicit Fixture(int lines) : voucher(bench::GenerateOrder(lines, bench::Lines::kToCalculate)) {
    pugi::xml_document tpl;
    tpl.load_string(TemplateXml().c_str());
    svc.setTemplateData(TemplateRecordsetFromXml(tpl).value());
    svc.setVoucherDataXML(voucher.head, voucher.body);
  }
  int live() const { return lines_live; }
  int lines_live = 0;
};

Fixture& Get(int lines) {
  static std::map<int, std::unique_ptr<Fixture>> fixtures;
  auto& f = fixtures[lines];
  if (!f) {
    f = std::make_unique<Fixture>(lines);
    f->lines_live = lines - lines / 100;
  }
  return *f;
}

void BM_Load(benchmark::State& state) {
  Fixture& f = Get(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(f.svc.setVoucherDataXML(f.voucher.head, f.voucher.body));
}

void BM_LoadBaseline(benchmark::State& state) {
  Fixture& f = Get(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    DomPtr head = xml::Clone(*f.voucher.head);
    DomPtr body = xml::Clone(*f.voucher.body);
    pugi::xpath_node_set deleted = xml::SelectNodes(*body, "//z:row[@editprop = 'D']");
    benchmark::DoNotOptimize(deleted.size());
  }
}

void BM_BodyTextOne(benchmark::State& state) {
  Fixture& f = Get(static_cast<int>(state.range(0)));
  const std::int32_t line = f.live() / 2;
  for (auto _ : state) benchmark::DoNotOptimize(f.svc.bodyText(line, Variant("iUnitPrice")));
}

void BM_BodyTextPass(benchmark::State& state) {
  Fixture& f = Get(static_cast<int>(state.range(0)));
  std::vector<Variant> names(std::begin(bench::kFields), std::end(bench::kFields));
  for (auto _ : state)
    for (std::int32_t line = 1; line <= f.live(); ++line)
      for (const Variant& name : names) benchmark::DoNotOptimize(f.svc.bodyText(line, name));
}

void BM_SerializeBody(benchmark::State& state) {
  Fixture& f = Get(static_cast<int>(state.range(0)));
  DomPtr head, body;
  f.svc.getVoucherDataXML(head, body);
  for (auto _ : state) benchmark::DoNotOptimize(xml::Text(*body));
}

void BM_Calc(benchmark::State& state) {
  Fixture& f = Get(static_cast<int>(state.range(0)));
  for (auto _ : state) f.svc.ExecCalcExpression(-1);
}

// What the formulas read: the display text of every input of every formula
// computation of a full pass, in the same order.
void BM_CalcInputsPass(benchmark::State& state) {
  Fixture& f = Get(static_cast<int>(state.range(0)));
  // Computations of a pass: iQuantity -> iMoney; iUnitPrice -> iTaxUnitPrice, iMoney;
  // iMoney -> iTax, iSum; iTax -> iSum; iTaxRate -> iTaxUnitPrice, iTax.
  const std::vector<std::vector<const char*>> inputs = {
      {"iQuantity", "iUnitPrice"}, {"iUnitPrice", "iTaxRate"}, {"iQuantity", "iUnitPrice"},
      {"iMoney", "iTaxRate"},      {"iMoney", "iTax"},         {"iMoney", "iTax"},
      {"iUnitPrice", "iTaxRate"},  {"iMoney", "iTaxRate"}};
  for (auto _ : state)
    for (const auto& computation : inputs)
      for (std::int32_t line = 1; line <= f.live(); ++line)
        for (const char* name : computation) benchmark::DoNotOptimize(f.svc.bodyText(line, Variant(name)));
}

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_Load) SIZES;
BENCHMARK(BM_LoadBaseline) SIZES;
BENCHMARK(BM_BodyTextOne)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BodyTextPass) SIZES;
BENCHMARK(BM_SerializeBody) SIZES;
BENCHMARK(BM_Calc) SIZES;
BENCHMARK(BM_CalcInputsPass) SIZES;


}  // namespace

int main(int argc, char** argv) {
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TOP_PAD, 64 << 20);
  benchmark::Initialize(&argc, argv);
  cavra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios({
      {"load 1k / baseline", "BM_Load/1000", "BM_LoadBaseline/1000", 2},
      {"load 10k / baseline", "BM_Load/10000", "BM_LoadBaseline/10000", 2},
      {"load 100k / baseline", "BM_Load/100000", "BM_LoadBaseline/100000", 2},
      {"one bodyText 100k / 1k", "BM_BodyTextOne/100000", "BM_BodyTextOne/1000", 1.5},
      {"bodyText pass 100k / serialise", "BM_BodyTextPass/100000", "BM_SerializeBody/100000", 10},
      {"formulas 10k / input pass", "BM_Calc/10000", "BM_CalcInputsPass/10000", 3},
      {"formulas 100k / input pass", "BM_Calc/100000", "BM_CalcInputsPass/100000", 3},
      {"load 100k / 10k", "BM_Load/100000", "BM_Load/10000", 12},
      {"bodyText pass 100k / 10k", "BM_BodyTextPass/100000", "BM_BodyTextPass/10000", 12},
      {"formulas 100k / 10k", "BM_Calc/100000", "BM_Calc/10000", 12},
      {"(baseline) load 100k / 10k", "BM_LoadBaseline/100000", "BM_LoadBaseline/10000", 0},
  });
  benchmark::Shutdown();
  return 0;
}
