// Services given their own component set and caches, and the small members
// hosts use instead of reading the service's documents.
#include <gtest/gtest.h>

#include <set>

#include "cavra/service_environment.h"
#include "cavra/sort_command.h"
#include "service_fixture.h"

namespace cavra {
namespace {

using testing::Rowset;

struct FixedCalculator : ICalculator {
  explicit FixedCalculator(double value) : value(value) {}
  void Calculatet(const std::string&, double& result) override { result = value; }
  double value;
};

// Counts its calls and leaves the order as it is.
struct CountingSorter : ISorter {
  bool sortDOMVoucherBody(const std::string&, const std::string&, DomPtr&) override {
    ++calls;
    return true;
  }
  int calls = 0;
};

const char* kItems =
    "<item fieldname='key' cardsection='B' showit='1'/>"
    "<item fieldname='iQty' cardsection='B' fieldtype='4' showit='1'/>"
    "<item fieldname='iMoney' cardsection='B' fieldtype='4' showit='1' datarule='[BiQty]*2'/>";

// A service on its own set, which holds a calculator giving `value`, a
// sorter and a default data source; the saved sort makes every load sort.
struct OwnService {
  explicit OwnService(double value, std::shared_ptr<BodyKeyCache> cache = nullptr)
      : set(std::make_shared<ComponentSet>()) {
    set->Register("FormulaKit.Calculator", [value] { return std::make_shared<FixedCalculator>(value); });
    set->Register("TolmVoucherSorter.clsVoucherSorter", [this] { return sorter; });
    set->Register("DataSourceKit.DefaultDataSource", [this] { return ds; });
    ds->customer_info["VoucherSorterCommand|17|12"] = "iQty,descending";
    svc = std::make_unique<clsVoucherService>(ServiceEnvironment{set, std::move(cache)});
    svc->addEventSink(sink);
  }
  std::string Calculated() {
    svc->setTemplateData(testing::TemplateRecordset(kItems));
    svc->setVoucherDataXML(nullptr, Rowset("key,iQty,iMoney", "<z:row key='a' iQty='3'/>"));
    svc->ExecCalcExpression(-1);
    return CStr(svc->bodyText(1, Variant("iMoney")));
  }

  std::shared_ptr<ComponentSet> set;
  std::shared_ptr<CountingSorter> sorter = std::make_shared<CountingSorter>();
  std::shared_ptr<testing::FakeDataSource> ds = std::make_shared<testing::FakeDataSource>();
  std::shared_ptr<testing::RecordingSink> sink = std::make_shared<testing::RecordingSink>();
  std::unique_ptr<clsVoucherService> svc;
};

TEST(ServiceEnvironment, EachServiceCreatesItsComponentsFromItsOwnSet) {
  // What a service on the process-wide set gets: none of it may leak into
  // the others, nor theirs into it.
  testing::ServiceHarness process;
  auto process_sorter = std::make_shared<CountingSorter>();
  ScopedComponent calculator("FormulaKit.Calculator", [] { return std::make_shared<FixedCalculator>(99); });
  ScopedComponent sorter("TolmVoucherSorter.clsVoucherSorter", [process_sorter] { return process_sorter; });

  OwnService one(1), two(2);
  EXPECT_EQ(one.svc->SetDataSource().AsObject(), one.ds);
  EXPECT_EQ(two.svc->SetDataSource().AsObject(), two.ds);
  EXPECT_EQ(one.Calculated(), "1");
  EXPECT_EQ(two.Calculated(), "2");
  EXPECT_EQ(one.sorter->calls, 1);
  EXPECT_EQ(two.sorter->calls, 1);
  EXPECT_TRUE(one.sink->errors.empty());
  EXPECT_TRUE(two.sink->errors.empty());

  process.ds->customer_info["VoucherSorterCommand|17|12"] = "iQty,descending";
  process.LoadTemplate(kItems);
  process.svc.setVoucherDataXML(nullptr, Rowset("key,iQty,iMoney", "<z:row key='a' iQty='3'/>"));
  process.svc.ExecCalcExpression(-1);
  EXPECT_EQ(CStr(process.svc.bodyText(1, Variant("iMoney"))), "99");
  EXPECT_EQ(process_sorter->calls, 1);
  EXPECT_EQ(one.sorter->calls + two.sorter->calls, 2);
}

TEST(ServiceEnvironment, AnOwnSetFallsBackToTheProcessWideOneForWhatItLacks) {
  testing::ServiceHarness process;  // the process-wide default data source
  auto set = std::make_shared<ComponentSet>();
  set->Register("FormulaKit.Calculator", [] { return std::make_shared<FixedCalculator>(5); });
  clsVoucherService svc(ServiceEnvironment{set, nullptr});
  EXPECT_EQ(svc.SetDataSource().AsObject(), process.ds);

  // The library's sorter, from the process-wide set, sorts the load.
  process.ds->customer_info["VoucherSorterCommand|17|12"] = "iQty,descending";
  auto body = Rowset("key,iQty,iMoney", "<z:row key='a' iQty='1'/><z:row key='b' iQty='2'/>");
  svc.SetDataSource(process.ds);
  svc.setTemplateData(testing::TemplateRecordset(kItems));
  svc.setVoucherDataXML(nullptr, body);
  svc.ExecCalcExpression(-1);
  EXPECT_EQ(CStr(svc.bodyText(1, Variant("key"))), "b");
  EXPECT_EQ(CStr(svc.bodyText(1, Variant("iMoney"))), "5");

  // Without a fallback nothing else can be created: no data source, no
  // sorter (the lines keep their order), and no calculator (empty results).
  auto bare = std::make_shared<ComponentSet>(nullptr);
  clsVoucherService alone(ServiceEnvironment{bare, nullptr});
  EXPECT_FALSE(alone.SetDataSource().AsObject());
  alone.SetDataSource(process.ds);
  alone.setTemplateData(testing::TemplateRecordset(kItems));
  alone.setVoucherDataXML(nullptr, body);
  alone.ExecCalcExpression(-1);
  EXPECT_EQ(CStr(alone.bodyText(1, Variant("key"))), "a");
  EXPECT_EQ(CStr(alone.bodyText(1, Variant("iMoney"))), "");
}

TEST(ServiceEnvironment, AServicesOwnBodyKeyCacheIsNotShared) {
  auto own = std::make_shared<BodyKeyCache>();
  const std::string card = "ENV-OWN-CACHE";
  auto ask = [&](OwnService& s) {
    s.ds->OnSql("vouchers_base", testing::MakeRecordset({"vchBodyPKName"}, {{"RowKey"}}));
    s.svc->setTemplateData(testing::TemplateRecordset(kItems, "CardNumber='" + card + "'"));
    EXPECT_EQ(s.svc->GetBodyPKName(), "RowKey");
    EXPECT_EQ(s.svc->GetBodyPKName(), "RowKey");
    int sent = 0;
    for (const auto& q : s.ds->queries) sent += q.find("vouchers_base") != std::string::npos;
    return sent;
  };
  OwnService first(1, own), second(1, own), apart(1, std::make_shared<BodyKeyCache>());
  EXPECT_EQ(ask(first), 1);
  EXPECT_EQ(ask(second), 0);  // the cache they share answers
  EXPECT_EQ(ask(apart), 1);   // its own cache knows nothing yet
  EXPECT_EQ(own->Find(card), "RowKey");
  EXPECT_EQ(BodyKeyCache::Process()->Find(card), "");
}

TEST(BodyLineCount, CountsTheLiveLinesOfTheLoadedBody) {
  for (const char* items : {kItems, ""}) {  // a template without body items too
    SCOPED_TRACE(*items ? "with body items" : "without body items");
    testing::ServiceHarness h;
    h.LoadTemplate(items);
    EXPECT_EQ(h.svc.BodyLineCount(), 0);
    h.svc.setVoucherDataXML(nullptr, Rowset("key,iQty", "<z:row key='a'/><z:row key='b' editprop='D'/>"
                                                        "<z:row key='c' editprop='A'/><z:row key='d'/>"));
    EXPECT_EQ(h.svc.BodyLineCount(), 3);
    EXPECT_EQ(h.svc.GetLineDom(3)->document_element().child("rs:data").child("z:row").attribute("key").value(),
              std::string("d"));
    h.svc.setVoucherDataXML(nullptr, Rowset("key,iQty", "<z:row key='x'/>"));
    EXPECT_EQ(h.svc.BodyLineCount(), 1);
    h.svc.setVoucherDataXML(nullptr, Rowset("key,iQty", ""));
    EXPECT_EQ(h.svc.BodyLineCount(), 0);
  }
}

// A host that compares the rows it loaded with the ones it gets back needs
// to know which attributes are not data: after a sort every attribute of a
// row is a column, the row state, or one of the sorter's.
TEST(SorterAttributes, NameEveryAttributeASortAdds) {
  testing::ServiceHarness h;
  h.LoadTemplate(kItems);
  h.ds->customer_info["VoucherSorterCommand|17|12"] = "iQty,descending";
  h.svc.setVoucherDataXML(nullptr, Rowset("key,iQty", "<z:row key='a' iQty='1'/><z:row key='' editprop='A'/>"
                                                      "<z:row key='b' iQty='2'/>"));
  DomPtr head, body;
  h.svc.getVoucherDataXML(head, body);
  std::set<std::string> added;
  for (pugi::xml_node row : body->document_element().child("rs:data").children("z:row"))
    for (pugi::xml_attribute a : row.attributes()) {
      const std::string name = a.name();
      if (name != "key" && name != "iQty" && name != "editprop") added.insert(name);
    }
  EXPECT_EQ(added, (std::set<std::string>{kSorterInputOrderAttribute, kSorterBlankRowAttribute}));
  for (const std::string& name : added) EXPECT_TRUE(IsSorterAttribute(name)) << name;
  for (const char* other : {"key", "editprop", "", "TOLMVOUCHERSORTER_INPUTORDER_INDEX"})
    EXPECT_FALSE(IsSorterAttribute(other)) << other;
}

}  // namespace
}  // namespace cavra
