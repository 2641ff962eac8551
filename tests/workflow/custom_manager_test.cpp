#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cavra/custom_manager.h"
#include "fakes/fakes.h"
#include "template/template_fixture.h"

namespace cavra {
namespace {

using testing::MakeRecordset;
const std::vector<std::string> kColumns = {"ItemKey", "IsPrimary", "ArchivesName", "ArchivesIndex",
                                           "cTablename"};

std::string Custom(const char* section, const char* name, const std::string& rule, int selfdef = 1,
                   int source = 1) {
  return std::string("<item cardsection='") + section + "' fieldname='" + name + "' isselfdef='" +
         std::to_string(selfdef) + "' datasource='" + std::to_string(source) + "' datarule='" + rule + "'/>";
}

struct CustomManager : ::testing::Test {
  testing::TemplateHarness h;
  clsCustomManager manager;

  // Initializes the manager with rows over the loaded template's items.
  bool Init(std::vector<std::vector<Variant>> rows, const std::vector<std::string>& columns = kColumns) {
    Variant rs(MakeRecordset(columns, std::move(rows)));
    const std::shared_ptr<const ItemCollection> items(std::shared_ptr<const void>(), &h.model.Items());
    return manager.Initialize(rs, items);
  }
  // The strItemName of the record a change of field yields, or "-" for none.
  std::string BackFill(const char* field) {
    Variant found;
    if (!manager.IsNeedAutoBackFillCustom(Variant(field), found)) return "-";
    const auto record = found.As<clsCustomRecord>();
    return record ? record->strItemName : "not a record";
  }
  std::vector<std::string> Keys(const char* itemKey) {
    std::vector<std::string> keys;
    const CustomRecordPtr* record = manager.m_colRecords.Find(itemKey);
    if (!record) return {"no record"};
    for (std::int32_t k = 1; k <= (*record)->m_colCustom.Count(); ++k)
      keys.push_back((*record)->m_colCustom.KeyAt(k));
    return keys;
  }
};

TEST_F(CustomManager, EveryReferenceFieldOfAnArchiveYieldsTheRecordOfItsPrimaryField) {
  h.Load("<item cardsection='T' fieldname='ccuscode'/><item cardsection='T' fieldname='ccusabbname'/>" +
         Custom("T", "cdefine1", "customer,cCusPhone"));
  ASSERT_TRUE(Init({{"ccuscode", true, "customer", "cCusCode", "Customer_extradefine"},
                    {"ccusabbname", false, "customer", "cCusAbbName", Variant::Null()}}));
  EXPECT_EQ(BackFill("ccuscode"), "ccuscode");
  EXPECT_EQ(BackFill("ccusabbname"), "ccuscode");
  EXPECT_EQ(BackFill("CCUSABBNAME"), "ccuscode");
  EXPECT_EQ(BackFill("cdefine1"), "-");
  EXPECT_EQ(manager.GetPrimaryIndex(Variant("CUSTOMER")), "ccuscode");

  const auto& record = *manager.m_colRecords.Item("ccuscode");
  EXPECT_TRUE(record.bIsPrimary);
  EXPECT_EQ(record.strOppArchIndex, "cCusCode");
  EXPECT_EQ(record.cExtendTablename, "Customer_extradefine");
  EXPECT_EQ(CStr(record.vtAppend), "");
  ASSERT_EQ(record.m_colCustom.Count(), 1);
  EXPECT_EQ(record.m_colCustom.KeyAt(1), "Tcdefine1");
  const clsCustomItem& item = *record.m_colCustom.Item(1);
  EXPECT_EQ(item.strCustomKey, "cdefine1");
  EXPECT_EQ(item.strArchName, "customer");
  EXPECT_EQ(item.strItemName, "cCusPhone");
  EXPECT_EQ(CStr(item.reserved1), "T");
  EXPECT_TRUE(item.reserved2.IsEmpty());
}

TEST_F(CustomManager, OnlySelfDefinedItemsWithAnArchiveRuleAreAttached) {
  h.Load(Custom("T", "c1", "customer,a") + Custom("B", "c6", "customer, b ", 6) +
         Custom("T", "c2", "customer,c", 2) + Custom("T", "c0", "customer,d", 1, 0) +
         Custom("T", "cNoComma", "customer") + Custom("T", "cBlank", " customer,e") +
         Custom("T", "cOther", "vendor,f") + Custom("T", "cEmpty", ""));
  ASSERT_TRUE(Init({{"ccuscode", 1, "customer", "", ""}}));
  // In the items' order: body items come first.
  EXPECT_EQ(Keys("ccuscode"), (std::vector<std::string>{"Bc6", "Tc1"}));
  EXPECT_EQ(manager.m_colRecords.Item("ccuscode")->m_colCustom.Item("Bc6")->strItemName, "b");
  EXPECT_EQ(manager.m_colRecords.Item("ccuscode")->m_colCustom.Item("Bc6")->strArchName, "customer");
}

TEST_F(CustomManager, AnArchiveWithoutAPrimaryRowNeverBacksFill) {
  h.Load(Custom("T", "cdefine2", "vendor,cVenPhone"));
  ASSERT_TRUE(Init({{"cvencode", false, "vendor", "", ""}, {"cvenabbname", 0, "vendor", "", ""}}));
  EXPECT_EQ(BackFill("cvencode"), "-");
  EXPECT_EQ(BackFill("cvenabbname"), "-");
  EXPECT_EQ(Keys("cvencode"), std::vector<std::string>{});
}

TEST_F(CustomManager, BadRowsLoadWithDefaultsAndTheFirstOfEqualKeysStays) {
  h.Load(Custom("T", "cdefine1", "customer,cCusPhone"));
  ASSERT_TRUE(Init({{" ccuscode ", "True", " customer ", Variant::Null(), Variant::Null()},
                    {"CCUSCODE", 0, "vendor", "x", "y"},               // same key: ignored
                    {"ccusname", 1, "customer", "", ""},               // second primary: not used
                    {Variant::Null(), 1, Variant::Null(), "", ""},     // no key, no archive
                    {"cbad", "not a flag", "customer", "", ""},        // IsPrimary unreadable: False
                    {"cnull", Variant::Null(), "customer", "", ""}}));
  const auto& first = *manager.m_colRecords.Item("ccuscode");
  EXPECT_EQ(first.strItemName, "ccuscode");
  EXPECT_EQ(first.strOppArch, "customer");
  EXPECT_EQ(first.strOppArchIndex, "");
  EXPECT_EQ(manager.GetPrimaryIndex(Variant("customer")), "ccuscode");
  EXPECT_EQ(BackFill("ccusname"), "ccuscode");
  EXPECT_EQ(BackFill("cbad"), "ccuscode");
  EXPECT_FALSE(manager.m_colRecords.Item("cbad")->bIsPrimary);
  EXPECT_FALSE(manager.m_colRecords.Item("cnull")->bIsPrimary);
  EXPECT_EQ(BackFill(""), "-");
  EXPECT_EQ(manager.GetPrimaryIndex(Variant("")), "");
  Variant untouched("kept");
  EXPECT_FALSE(manager.IsNeedAutoBackFillCustom(Variant::Null(), untouched));
  EXPECT_EQ(CStr(untouched), "kept");
}

TEST_F(CustomManager, MissingColumnsReadAsEmpty) {
  h.Load(Custom("T", "cdefine1", "customer,cCusPhone"));
  ASSERT_TRUE(Init({{"ccuscode", 1, "customer"}}, {"ItemKey", "IsPrimary", "ArchivesName"}));
  EXPECT_EQ(BackFill("ccuscode"), "ccuscode");
  EXPECT_EQ(manager.m_colRecords.Item("ccuscode")->cExtendTablename, "");
}

TEST_F(CustomManager, InitializeWantsARecordsetAndItems) {
  h.Load(Custom("T", "cdefine1", "customer,cCusPhone"));
  const std::shared_ptr<const ItemCollection> items(std::shared_ptr<const void>(), &h.model.Items());
  for (Variant v : {Variant(), Variant::Null(), Variant("rows"), Variant(std::make_shared<Object>())})
    EXPECT_FALSE(manager.Initialize(v, items));
  Variant rs(MakeRecordset(kColumns, {{"ccuscode", 1, "customer", "", ""}}));
  EXPECT_FALSE(manager.Initialize(rs, nullptr));
  rs.As<Recordset>()->Close();
  EXPECT_FALSE(manager.Initialize(rs, items));
  EXPECT_TRUE(manager.m_colRecords.empty());
}

}  // namespace
}  // namespace cavra
