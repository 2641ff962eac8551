// Custom archive relations and the back-fill event through the service, and
// the sample's number rule and relation on a fresh embedded database (and on
// PostgreSQL when CAVRA_TEST_PG is set).
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "cavra/datasource.h"
#include "datasource/data_source.h"
#include "fakes/hostile_values.h"
#include "core/global_helpers.h"
#include "fakes/scratch_database.h"
#include "service/service_fixture.h"

namespace cavra {
namespace {

using testing::MakeRecordset;

struct BackFillSink : clsVoucherServiceEvents {
  struct Call {
    Variant index, value;
    ItemPtr item;
    CustomRecordPtr record;
    Variant append;  // the record's vtAppend while the event runs
  };
  std::vector<Call> calls;
  std::function<void()> during;
  void AutoFillBackEvent(Variant& vtIndex, const Variant& vtCurrentValue, const Variant& vtCurrentFieldObject,
                         const Variant& vtAutoFieldInfo) override {
    const auto record = vtAutoFieldInfo.As<clsCustomRecord>();
    calls.push_back({vtIndex, vtCurrentValue, vtCurrentFieldObject.As<clsItemState>(), record,
                     record ? record->vtAppend : Variant()});
    if (during) during();
  }
};

std::string Custom(const char* section, const char* name, const char* rule) {
  return std::string("<item cardsection='") + section + "' fieldname='" + name +
         "' isselfdef='1' datasource='1' datarule='" + rule + "'/>";
}

Variant Relations() {
  return Variant(MakeRecordset({"ItemKey", "IsPrimary", "ArchivesName", "ArchivesIndex", "cTablename"},
                               {{"cInvCode", 1, "inventory", "cInvCode", "inventory"},
                                {"cInvAddCode", 0, "inventory", "cInvAddCode", Variant::Null()}}));
}

struct ServiceRelation : ::testing::Test {
  testing::ServiceHarness h;
  std::shared_ptr<BackFillSink> events = std::make_shared<BackFillSink>();
  ServiceRelation() {
    h.svc.addEventSink(events);
    h.LoadTemplate("<item cardsection='B' fieldname='cInvCode'/>"
                   "<item cardsection='B' fieldname='cInvAddCode'/>" +
                   Custom("B", "cDefine22", "inventory,cInvStd") +
                   Custom("T", "cdefine1", "inventory,cInvName") +
                   "<item cardsection='T' fieldname='cHeadOnly'/>");
  }
};

TEST_F(ServiceRelation, CallAutoFillBackEventRaisesTheEventWithThePrimaryFieldsRecord) {
  ASSERT_TRUE(h.svc.SetCustomRelation(Relations()));
  h.svc.CallAutoFillBackEvent("cinvaddcode", 3);
  ASSERT_EQ(events->calls.size(), 1u);
  const auto& call = events->calls[0];
  EXPECT_EQ(CStr(call.index), "cInvAddCode");  // the item's name, not the caller's spelling
  EXPECT_TRUE(call.value.IsEmpty());
  EXPECT_EQ(call.item, h.svc.ItemState(Variant("cInvAddCode"), sibody));
  ASSERT_TRUE(call.record);
  EXPECT_EQ(call.record->strItemName, "cInvCode");
  EXPECT_EQ(call.append, Variant(std::int32_t{3}));
  ASSERT_EQ(call.record->m_colCustom.Count(), 2);
  EXPECT_EQ(call.record->m_colCustom.KeyAt(1), "BcDefine22");
  EXPECT_EQ(call.record->m_colCustom.KeyAt(2), "Tcdefine1");

  // The host asks the same question itself.
  Variant found;
  ASSERT_TRUE(h.svc.IsAutoFillBackFillCustomField(Variant("cInvCode"), found));
  EXPECT_EQ(found.As<clsCustomRecord>(), call.record);
  EXPECT_TRUE(h.sink->errors.empty());
}

TEST_F(ServiceRelation, FieldsWithoutARelationRaiseNothing) {
  ASSERT_TRUE(h.svc.SetCustomRelation(Relations()));
  h.svc.CallAutoFillBackEvent("cDefine22", 1);
  EXPECT_TRUE(h.sink->errors.empty());
  // Unknown as a body field: the lookup's controlError, once, and no event.
  for (const char* name : {"cNothing", "cHeadOnly"}) {
    h.sink->errors.clear();
    h.svc.CallAutoFillBackEvent(name, 1);
    EXPECT_EQ(h.sink->errors.size(), 1u) << name;
  }
  EXPECT_TRUE(events->calls.empty());
}

TEST_F(ServiceRelation, NoRowsOrNoItemsLeaveAnEmptyRelationSetInPlace) {
  Variant found;
  EXPECT_FALSE(h.svc.IsAutoFillBackFillCustomField(Variant("cInvCode"), found));  // before any relation
  for (const Variant& none : {Variant(), Variant(ObjectPtr()), Variant("rows")}) {
    ASSERT_TRUE(h.svc.SetCustomRelation(Relations()));
    EXPECT_FALSE(h.svc.SetCustomRelation(none));
    EXPECT_FALSE(h.svc.IsAutoFillBackFillCustomField(Variant("cInvCode"), found));
  }
  h.svc.UnInitialise();  // no template items any more
  EXPECT_FALSE(h.svc.SetCustomRelation(Relations()));
  EXPECT_TRUE(found.IsEmpty());
  EXPECT_TRUE(h.sink->errors.empty());
}

TEST_F(ServiceRelation, HandlersMayAskButNotChange) {
  ASSERT_TRUE(h.svc.SetCustomRelation(Relations()));
  bool asked = false;
  events->during = [&] {
    Variant found;
    asked = h.svc.IsAutoFillBackFillCustomField(Variant("cInvAddCode"), found);
    EXPECT_FALSE(h.svc.SetCustomRelation(Variant()));
    EXPECT_FALSE(h.svc.SetBillNumberRule("<r><p 源表字段名='cHeadOnly'/></r>"));
    h.svc.CallAutoFillBackEvent("cInvCode", 9);  // no second event
  };
  h.svc.CallAutoFillBackEvent("cInvCode", 2);
  EXPECT_TRUE(asked);
  EXPECT_EQ(events->calls.size(), 1u);
  ASSERT_EQ(h.sink->errors.size(), 3u);
  for (const auto& [number, text] : h.sink->errors) EXPECT_EQ(number, err::kPassInProgress) << text;
  // Nothing changed: the relation and the (empty) number rule are as they were.
  Variant found;
  EXPECT_TRUE(h.svc.IsAutoFillBackFillCustomField(Variant("cInvAddCode"), found));
  EXPECT_EQ(CStr(found.As<clsCustomRecord>()->vtAppend), "2");
  EXPECT_TRUE(h.svc.GetBillNumberRule().fields.empty());
}

TEST_F(ServiceRelation, AHandlerThatThrowsReachesNeitherTheHostNorTheNextSink) {
  ASSERT_TRUE(h.svc.SetCustomRelation(Relations()));
  events->during = [] { throw std::runtime_error("handler failed"); };
  auto next = std::make_shared<BackFillSink>();
  h.svc.addEventSink(next);
  EXPECT_NO_THROW(h.svc.CallAutoFillBackEvent("cInvCode", 1));
  EXPECT_EQ(next->calls.size(), 1u);
}

// ---------------------------------------------------------------- the sample on a real database

class SampleRules : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!db_.ds) GTEST_SKIP() << "CAVRA_TEST_PG is not set";
    svc_.addEventSink(events_);
    svc_.addEventSink(sink_);
    svc_.SetDataSource(db_.ds);
    auto tpl = LoadTemplateRecordset(*db_.ds, "17", 12);
    ASSERT_TRUE(tpl.ok()) << tpl.error().description();
    svc_.setTemplateData(*tpl);
  }
  testing::ScratchDatabase db_{GetParam(), "", datasource::EmbeddedExamples()};
  clsVoucherService svc_;
  std::shared_ptr<BackFillSink> events_ = std::make_shared<BackFillSink>();
  std::shared_ptr<testing::RecordingSink> sink_ = std::make_shared<testing::RecordingSink>();
};

TEST_P(SampleRules, TheSampleOrderRecordsItsNumberRule) {
  auto rule = LoadBillNumberRule(*db_.ds, "17");
  ASSERT_TRUE(rule.ok()) << rule.error().description();
  EXPECT_FALSE(svc_.SetBillNumberRule(*rule));
  const BillNumberRuleRecord record = svc_.GetBillNumberRule();
  EXPECT_TRUE(record.recorded);
  EXPECT_EQ(record.fields, std::vector<std::string>{"dDate"});
  EXPECT_EQ(record.formats, (std::vector<std::pair<std::string, std::string>>{{"dDate", "年月"}}));
  EXPECT_TRUE(sink_->errors.empty());
}

TEST_P(SampleRules, ANewInventoryCodeFillsNameAndModelBack) {
  auto rows = LoadCustomRelation(*db_.ds, "17");
  ASSERT_TRUE(rows.ok()) << rows.error().description();
  ASSERT_TRUE(svc_.SetCustomRelation(Variant(*rows)));
  svc_.CallAutoFillBackEvent("cInvCode", 2);
  ASSERT_EQ(events_->calls.size(), 1u);
  const CustomRecordPtr& record = events_->calls[0].record;
  ASSERT_TRUE(record);
  EXPECT_EQ(record->strOppArch, "inventory");
  EXPECT_EQ(record->cExtendTablename, "inventory");
  ASSERT_EQ(record->m_colCustom.Count(), 2);
  EXPECT_EQ(record->m_colCustom.Item("BcInvName")->strItemName, "cInvName");
  EXPECT_EQ(record->m_colCustom.Item("BcInvStd")->strItemName, "cInvStd");
  EXPECT_TRUE(sink_->errors.empty());
}

TEST_P(SampleRules, RulesOfAnyVoucherTypeAreReadBack) {
  for (const auto& [name, card] : testing::HostileValues()) {
    SCOPED_TRACE(name);
    datasource::SeedTemplate(
        *db_.ds, "<template CardNumber='" + XmlEncode(card) + "' VT_ID='1'>"
                 "<numberrule><r 允许手工修改='" + XmlEncode(card) + "'/></numberrule>"
                 "<customrelation ItemKey='" + XmlEncode(card) + "' IsPrimary='1'/></template>");
    auto rule = LoadBillNumberRule(*db_.ds, card);
    ASSERT_TRUE(rule.ok()) << rule.error().description();
    auto doc = xml::LoadNew(*rule);
    ASSERT_TRUE(doc);
    EXPECT_EQ(std::string(doc->document_element().attribute("允许手工修改").value()), card);
    auto rows = LoadCustomRelation(*db_.ds, card);
    ASSERT_TRUE(rows.ok()) << rows.error().description();
    ASSERT_EQ((*rows)->RecordCount(), 1);
    EXPECT_EQ(CStr((*rows)->Value("ItemKey")), card);
  }
  auto none = LoadBillNumberRule(*db_.ds, "no such type");
  ASSERT_TRUE(none.ok());
  EXPECT_EQ(*none, "");
}

INSTANTIATE_TEST_SUITE_P(Backends, SampleRules, ::testing::Values("sqlite", "postgresql"));

}  // namespace
}  // namespace cavra
