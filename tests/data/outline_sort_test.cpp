#include <gtest/gtest.h>

#include "cavra/components.h"
#include "data_fixture.h"

namespace cavra {
namespace {

using testing::Rowset;
using testing::DataHarness;

const char* kItems =
    "<item fieldname='cCode' cardsection='T' showit='1'/>"
    "<item fieldname='key' cardsection='B' showit='1'/>"
    "<item fieldname='parent' cardsection='B' showit='1'/>"
    "<item fieldname='iAmount' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>";
const char* kOutline = "cParentKey='parent' cKey='key'";

std::vector<std::string> Keys(const DomPtr& doc) {
  std::vector<std::string> keys;
  for (pugi::xml_node row : doc->document_element().child("rs:data").children("z:row"))
    keys.push_back(row.attribute("key").value());
  return keys;
}

TEST(RowOutline, ChildrenFollowTheirParent) {
  DataHarness h;
  h.Load(kItems, kOutline);
  auto body = Rowset("key,parent", "<z:row key='1'/><z:row key='2'/><z:row key='3' parent='1'/>"
                                    "<z:row key='4' parent='3'/><z:row key='' parent=''/><z:row key='6' parent='9'/>");
  h.LoadData(nullptr, body);
  DomPtr out;
  ASSERT_TRUE(h.outline.GetRowOutLineDomDocument(body, out));
  EXPECT_EQ(Keys(out), (std::vector<std::string>{"1", "3", "4", "2", "", "6"}));  // nothing lost

  auto no_data = testing::Rowset("key", "");
  no_data->document_element().remove_child("rs:data");
  ASSERT_TRUE(h.outline.GetRowOutLineDomDocument(no_data, out));
  EXPECT_EQ(xml::Text(*out), xml::Text(*no_data));
  EXPECT_FALSE(h.outline.GetRowOutLineDomDocument(nullptr, out));
}

TEST(RowOutline, OffGivesAPlainCopyAndFalse) {
  DataHarness h;
  h.Load(kItems);
  auto body = Rowset("key,parent", "<z:row key='2'/><z:row key='1' parent='2'/><z:row key='3'/>");
  DomPtr out;
  EXPECT_FALSE(h.outline.GetRowOutLineDomDocument(body, out));
  EXPECT_EQ(xml::Text(*out), xml::Text(*body));
}

TEST(Sorting, TheSavedSortIsReappliedOnEveryLoad) {
  DataHarness h;
  h.Load(kItems);
  h.saved_sort = "iAmount,descending";
  h.LoadData(nullptr, Rowset("key,iAmount", "<z:row key='a' iAmount='5'/><z:row key='b' iAmount='50'/>"
                                                         "<z:row key='' editprop='A' iAmount=''/><z:row key='c' iAmount='7'/>"));
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "c", "a", ""}));  // the blank new row stays last
  EXPECT_EQ(h.Column("tolmvouchersorter_inputorder_index"), (std::vector<std::string>{"2", "4", "1", "3"}));
  EXPECT_EQ(h.Column("isNewAddedBlankRow_OrdraSorter"), (std::vector<std::string>{"", "", "", "1"}));
  EXPECT_EQ(CStr(h.values.bodyText(1, Variant("iAmount"))), "50.00");  // line numbers follow the new order
}

TEST(Sorting, InputOrderContinuesAfterTheHighestIndex) {
  DataHarness h;
  h.Load(kItems);
  h.saved_sort = "key";
  h.LoadData(nullptr, Rowset("key", "<z:row key='e' tolmvouchersorter_inputorder_index='3'/>"
                                                 "<z:row key='d'/><z:row key='c' tolmvouchersorter_inputorder_index='1'/>"
                                                 "<z:row key='b' editprop='A' iAmount='1'/>"
                                                 "<z:row key='a' tolmvouchersorter_inputorder_index='2'/>"));
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(h.Column("tolmvouchersorter_inputorder_index"), (std::vector<std::string>{"2", "5", "1", "4", "3"}));
  EXPECT_EQ(h.Column("isNewAddedBlankRow_OrdraSorter"), (std::vector<std::string>{"", "", "", "", ""}));
}

TEST(Sorting, NoCommandOrABrokenSorterLeavesTheOrder) {
  DataHarness h;
  h.Load(kItems);
  auto body = Rowset("key", "<z:row key='b'/><z:row key='a'/>");
  h.LoadData(nullptr, body);
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "a"}));

  h.saved_sort = "key";
  ScopedComponent broken("TolmVoucherSorter.clsVoucherSorter", []() -> ObjectPtr { return nullptr; });
  h.LoadData(nullptr, body);
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "a"}));
  EXPECT_TRUE(h.sink->errors.empty());
}

TEST(Sorting, ABadSavedCommandLeavesTheOrderAndIsReportedOnce) {
  std::string many = "iAmount";
  for (int i = 0; i < 3000; ++i) many += ";f" + std::to_string(i);
  for (const std::string& command : {std::string("iAmount,sideways"), std::string("cNothing"),
                                     std::string("key;iAmount;key"), many}) {
    SCOPED_TRACE(command.substr(0, 40));
    DataHarness h;
    h.Load(kItems);
    h.saved_sort = command;
    auto body = Rowset("key,iAmount", "<z:row key='b' iAmount='1'/><z:row key='a' iAmount='2'/>");
    h.LoadData(nullptr, body);
    EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "a"}));
    ASSERT_EQ(h.sink->errors.size(), 1u);
    EXPECT_EQ(h.sink->errors[0].first, err::kBadSavedSort);
    EXPECT_NE(h.sink->errors[0].second.find("sort command"), std::string::npos) << h.sink->errors[0].second;
    h.LoadData(nullptr, body);  // the same command again: no second report
    EXPECT_EQ(h.sink->errors.size(), 1u);
    EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "a"}));
  }
}

TEST(Sorting, AnOutlineIsSortedByItsTopRowsWithChildrenKept) {
  DataHarness h;
  h.Load(kItems, kOutline);
  h.saved_sort = "iAmount,descending";
  // A row with an empty own key and a parent puts the outline sort in charge.
  h.LoadData(
      nullptr, Rowset("key,parent,iAmount",
                      "<z:row key='1' iAmount='10'/><z:row key='11' parent='1' iAmount='99'/>"
                      "<z:row key='2' iAmount='30'/><z:row key='21' parent='2' iAmount='1'/>"
                      "<z:row key='' parent='21' iAmount='2'/><z:row key='3' iAmount='20'/>"
                      "<z:row key='9' parent='404' iAmount='5'/>"));
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"2", "21", "", "3", "1", "11", "9"}));
}

}  // namespace
}  // namespace cavra
