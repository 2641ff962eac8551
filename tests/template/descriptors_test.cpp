#include <gtest/gtest.h>

#include "cavra/bill_information.h"
#include "cavra/item_state.h"
#include "fakes/rowset_xml.h"
#include "platform/xml.h"
#include "template/item_metadata.h"
#include "template/item_state_access.h"

namespace cavra {
namespace {

TEST(ItemDescriptor, BorderKeepsTheRemainderAndDerivesThePrintPage) {
  struct Case {
    std::int32_t in, border;
    const char* position;
  } cases[] = {{23, 3, "最后一页"}, {35, 5, "除第一页"}, {5, 5, "打印"}, {105, 5, "打印"}, {-13, -3, "打印"},
               {91, 1, "最后一页(整单)"}, {70, 0, "不打印"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    clsItemState item;
    item.nBorder(c.in);
    EXPECT_EQ(item.nBorder(), c.border);
    EXPECT_EQ(item.sPrintPosition, c.position);
  }
}

TEST(ItemDescriptor, CanModifyFollowsTheRightFlag) {
  clsItemState item;
  item.bCanModify(true);
  item.AuthFlag = "R";
  item.bCanModify(true);
  EXPECT_FALSE(item.bCanModify());
  EXPECT_TRUE(detail::ItemStateAccess::StoredCanModify(item));  // True was ignored, not stored
  item.bCanModify(false);
  EXPECT_FALSE(detail::ItemStateAccess::StoredCanModify(item));
  item.AuthFlag = "W";
  EXPECT_TRUE(item.bCanModify());
  item.AuthFlag = "N";
  item.bCanModify(true);
  EXPECT_FALSE(detail::ItemStateAccess::StoredCanModify(item));
  item.AuthFlag = "";
  EXPECT_FALSE(item.bCanModify());
}

TEST(TemplateDescriptor, PrintSerialStoresWidthAndParity) {
  clsBillInformation bill;
  bill.nPrintSeril(50);
  EXPECT_EQ(bill.nSerialNumberColWidth, 800);
  EXPECT_EQ(bill.nPrintSeril(), 0);
  bill.nPrintSeril(601);
  EXPECT_EQ(bill.nSerialNumberColWidth, 601);
  EXPECT_EQ(bill.nPrintSeril(), 1);
  bill.nPrintSeril(-3);
  EXPECT_EQ(bill.nPrintSeril(), 1);
}

TEST(ItemDescriptor, ReadFromAnXmlItemElement) {
  auto doc = xml::LoadNew(
      "<r><item fieldname='cCode' cardsection='T' nborder='33' catalog='25' candelete='2' ismain='1' "
      "canmodify='1' vvaluedefault=' x '/>"
      "<item nborderline='' catalog=''/><item nborderline='7'/></r>");
  ASSERT_TRUE(doc);
  auto items = doc->child("r").children("item");
  auto it = items.begin();
  ItemPtr a = ItemStateFromXmlNode(*it++);
  EXPECT_EQ(a->sFieldName, "cCode");
  EXPECT_EQ(a->nBorder(), 3);
  EXPECT_EQ(a->sPrintPosition, "除第一页");
  EXPECT_EQ(a->Reserve2, "2");
  EXPECT_TRUE(a->bCanDelete);
  EXPECT_EQ(a->nCanDelete, 2);
  EXPECT_EQ(a->bIsMain, "1");
  EXPECT_TRUE(a->bCanModify());
  EXPECT_EQ(a->vValueDefault, " x ");  // the XML reader keeps blanks
  EXPECT_EQ(detail::ItemStateAccess::BorderLine(*a), -1);
  EXPECT_FALSE(a->IsEnum);
  ItemPtr b = ItemStateFromXmlNode(*it++);
  EXPECT_EQ(detail::ItemStateAccess::BorderLine(*b), -1);
  EXPECT_EQ(b->Reserve2, "0");
  EXPECT_EQ(detail::ItemStateAccess::BorderLine(*ItemStateFromXmlNode(*it)), 7);
}

TEST(EnumerationMap, MapsNamesToCodesAndBack) {
  Collection<std::string> map;
  GetCollectFromEnumString("普通{#}委托{##}01{#}02{#}03", map);
  EXPECT_EQ(map.Count(), 4);  // the extra code has no name
  EXPECT_EQ(map.Item("key委托"), "02");
  EXPECT_EQ(map.Item("name01"), "普通");

  Collection<std::string> more_names;
  GetCollectFromEnumString("a{#}b{#}a{##}1{#}2{#}3", more_names);  // duplicate name "a"
  EXPECT_EQ(more_names.Item("keya"), "1");
  EXPECT_EQ(more_names.Item("name3"), "a");

  Collection<std::string> none;
  GetCollectFromEnumString("a{#}b", none);
  EXPECT_EQ(none.Count(), 0);

  clsItemState item;
  item.IsEnum = true;
  item.collEnumMap = std::make_shared<Collection<std::string>>(map);
  EXPECT_EQ(LookUpEnumText("01", item, false), "普通");
  EXPECT_EQ(LookUpEnumText("委托", item, true), "02");
  EXPECT_EQ(LookUpEnumText("99", item, false), "99");
  item.IsEnum = false;
  EXPECT_EQ(LookUpEnumText("01", item, false), "01");
}

TEST(SchemaMapping, FindsTheColumnByDisplayName) {
  auto doc = testing::Rowset("c1 rs:name='数量',c2,c3 rs:name=\"a'b\",c4 rs:name='x||y\"'", "");
  ASSERT_TRUE(doc);
  EXPECT_EQ(MapSchemaFieldName(doc.get(), "数量"), "c1");
  EXPECT_EQ(MapSchemaFieldName(doc.get(), "c2"), "");
  EXPECT_EQ(MapSchemaFieldName(nullptr, "数量"), "");
  // Display names are values, never part of the query.
  EXPECT_EQ(MapSchemaFieldName(doc.get(), "a'b"), "c3");
  EXPECT_EQ(MapSchemaFieldName(doc.get(), "x||y\""), "c4");
  EXPECT_EQ(MapSchemaFieldName(doc.get(), "it's"), "");
  EXPECT_EQ(MapSchemaFieldName(doc.get(), "x' or '1'='1"), "");
  EXPECT_EQ(MapSchemaFieldName(doc.get(), "数量' or @rs:name='a"), "");
  EXPECT_EQ(MapSchemaFieldName(doc.get(), std::string_view("数量\0'", 8)), "");
}

}  // namespace
}  // namespace cavra
