// The service's members that put a voucher type into SQL text or into a
// customer-info record, with hostile voucher types, on a real database:
// SQLite, and PostgreSQL when CAVRA_TEST_PG is set.
#include <gtest/gtest.h>

#include "cavra/datasource.h"
#include "cavra/voucher_service.h"
#include "datasource/data_source.h"
#include "fakes/fakes.h"
#include "fakes/hostile_values.h"
#include "fakes/scratch_database.h"
#include "fakes/template_xml.h"
#include "platform/xml.h"

namespace cavra {
namespace {

class ServiceSqlValuesTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!db_.ds) GTEST_SKIP() << "CAVRA_TEST_PG is not set";
    ds_ = db_.ds;
    // The body key cache is the process's: each backend gets voucher types of its own.
    suffix_ = GetParam() == "sqlite" ? " sq" : " pg";
    recording_ = std::make_shared<testing::RecordingDataSource>(ds_);
    svc_.addEventSink(sink_);
    svc_.SetDataSource(recording_);
  }

  // A template of voucher type card whose card name is card too.
  std::string TemplateOf(const std::string& card, const std::string& body_key) {
    auto doc =
        xml::LoadNew(testing::TemplateXml("<item cardsection='T' fieldname='cCode' carditemnum='1'/>"));
    pugi::xml_node root = doc->child("template");
    root.attribute("CardNumber") = card.c_str();
    root.attribute("cCardName") = card.c_str();
    root.append_attribute("vchBodyPKName") = body_key.c_str();
    return xml::Text(*doc);
  }

  testing::ScratchDatabase db_{GetParam()};
  std::shared_ptr<datasource::SqlDataSourceImpl> ds_;
  std::string suffix_;
  std::shared_ptr<testing::RecordingDataSource> recording_;
  clsVoucherService svc_;
  std::shared_ptr<testing::RecordingSink> sink_ = std::make_shared<testing::RecordingSink>();
};

TEST_P(ServiceSqlValuesTest, BodyKeyAndCustomerInfoTakeAnyVoucherType) {
  int n = 0;
  for (const auto& [name, base] : testing::HostileValues()) {
    SCOPED_TRACE(name);
    const std::string card = base + suffix_;
    const std::string key = "Key" + std::to_string(++n);
    datasource::SeedTemplate(*ds_, TemplateOf(card, key));
    Result<RecordsetPtr> loaded = LoadTemplateRecordset(*recording_, card, 12);
    ASSERT_TRUE(loaded.ok()) << loaded.error().description();
    svc_.setTemplateData(*loaded);
    ASSERT_EQ(sink_->errors.size(), 0u) << sink_->errors.front().second;

    EXPECT_EQ(svc_.GetBodyPKName(), key);
    EXPECT_EQ(svc_.GetBodyPKName(), key);
    int sent = 0;
    for (const auto& q : recording_->queries) sent += q.find("vchBodyPKName") != std::string::npos;
    EXPECT_EQ(sent, n);  // once per voucher type

    const std::string content = "<sort by='" + base + "'/> & \"more\"";
    svc_.SaveCustomerInfo(content);
    EXPECT_EQ(CStr(svc_.GetCustomerInfo()), content);
    Result<RecordsetPtr> stored = ds_->QuerySql(
        "select fchrXmlInfo from VoucherCustomerInfo where fchrType = 'voucherAggregate' and "
        "fchrVoucherType = ?",
        {Variant(card)});
    ASSERT_TRUE(stored.ok()) << stored.error().description();
    EXPECT_EQ((*stored)->RecordCount(), 1);
  }
  std::vector<std::string> body_key_queries;
  for (const auto& q : recording_->queries)
    if (q.find("vchBodyPKName") != std::string::npos) body_key_queries.push_back(q);
  ASSERT_FALSE(body_key_queries.empty());
  EXPECT_EQ(body_key_queries.front(),
            "select vchBodyPKName from vouchers_base where cardnumber='O''Brien" + suffix_ + "'");
}

TEST_P(ServiceSqlValuesTest, AnInjectedVoucherTypeReadsNoTableList) {
  auto doc = xml::LoadNew(testing::TemplateXml("<item cardsection='T' fieldname='a'/>"));
  // As it stands, on both backends: it is never cached, so the other backend's
  // run cannot answer it from the cache.
  const std::string card = testing::UnionInjection();
  doc->child("template").attribute("CardNumber") = card.c_str();
  svc_.setTemplateData(TemplateRecordsetFromXml(*doc).value());
  EXPECT_EQ(svc_.GetBodyPKName(), "");
  EXPECT_EQ(svc_.GetBodyPKName(), "");  // not cached: asked again
  std::vector<std::string> body_key_queries;
  for (const auto& q : recording_->queries)
    if (q.find("vchBodyPKName") != std::string::npos) body_key_queries.push_back(q);
  ASSERT_EQ(body_key_queries.size(), 2u);
  EXPECT_EQ(body_key_queries[0],
            "select vchBodyPKName from vouchers_base where cardnumber='x'' union select "
            "group_concat(name) from sqlite_master where type=''table'");
}

INSTANTIATE_TEST_SUITE_P(Backends, ServiceSqlValuesTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& param_info) { return param_info.param; });

}  // namespace
}  // namespace cavra
