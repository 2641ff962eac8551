#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "cavra/error.h"
#include "cavra/sort_command.h"
#include "components/voucher_sorter.h"
#include "fakes/expect_error.h"
#include "fakes/rowset_xml.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra {
namespace {

// A body document; "IDX" and "NEW" stand for the sorter's row attributes.
DomPtr Body(const std::string& rows) {
  std::string text = vb::Replace(rows, "IDX", "tolmvouchersorter_inputorder_index");
  text = vb::Replace(text, "NEW", "isNewAddedBlankRow_OrdraSorter");
  return testing::Rowset("", text);
}

// The ids of rs:data's children in order ("#" for one that is not a row).
std::string Ids(const DomPtr& body) {
  std::string ids;
  for (pugi::xml_node child : xml::SelectSingleNode(*body, "//rs:data").children())
    ids += std::string(child.name()) == "z:row" ? child.attribute("id").value() : "#";
  return ids;
}

TEST(VoucherSorter, OrdersRowsByTheCommand) {
  struct Case {
    const char* name;
    const char* rows;
    const char* command;
    const char* expected;
  };
  const Case kCases[] = {
      {"ascending by default", "<z:row id='a' k='3'/><z:row id='b' k='1'/><z:row id='c' k='2'/>", "k", "bca"},
      {"direction word in any case", "<z:row id='a' k='3'/><z:row id='b' k='1'/><z:row id='c' k='2'/>",
       " k , DESC ", "acb"},
      {"keys in turn, each with its direction, empty keys skipped",
       "<z:row id='a' d='x' n='1'/><z:row id='b' d='y' n='5'/><z:row id='c' d='x' n='7'/><z:row id='d' d='y'"
       " n='2'/>", ";d,Ascending; ;n,descending;,desc", "cabd"},
      {"empty, then numbers by value, then texts by UTF-8 bytes",
       "<z:row id='a' k='1a'/><z:row id='b' k='10'/><z:row id='c'/><z:row id='d' k=' +9e0 '/><z:row id='e'"
       " k='中'/><z:row id='f' k='B'/><z:row id='g' k='-1.5'/>", "k,asc", "cgdbafe"},
      {"descending reverses the classes", "<z:row id='a' k='x'/><z:row id='b' k=''/><z:row id='c' k='5'/>",
       "k,descending", "acb"},
      {"ties by input index, rows without one after the highest",
       "<z:row id='a' k='1'/><z:row id='b' k='1' IDX='5'/><z:row id='c' k='0' IDX='9'/><z:row id='d' k='1'"
       " IDX='0'/><z:row id='e' k='1' IDX='2'/>", "k", "cebad"},
      {"no keys: input order", "<z:row id='a' IDX='2'/><z:row id='b' IDX='1'/>", "", "ba"},
      {"blank new rows last, unsorted",
       "<z:row id='a' k='3'/><z:row id='m' k='9' NEW='1'/><z:row id='b' k='1'/><z:row id='n' k='0' NEW='1'/>"
       "<z:row id='c' k='2' NEW='0'/>", "k", "bcamn"},
      {"other children keep their places",
       "<x/><z:row id='a' k='3'/><z:row id='b' k='2'/><x/><z:row id='c' k='1'/><x/>", "k", "#cb#a#"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    DomPtr body = Body(c.rows);
    EXPECT_TRUE(VoucherSorter().sortDOMVoucherBody("", c.command, body));
    EXPECT_EQ(Ids(body), c.expected);
  }
}

TEST(VoucherSorter, RefusesDocumentsWithoutRowsetDataAndBadDirections) {
  VoucherSorter sorter;
  DomPtr none, head = xml::LoadNew("<xml><z:row id='a'/></xml>"), empty = Body("");
  EXPECT_FALSE(sorter.sortDOMVoucherBody("", "k", none));
  EXPECT_FALSE(sorter.sortDOMVoucherBody("", "k", head));
  EXPECT_TRUE(sorter.sortDOMVoucherBody("", "k", empty));
  for (const char* bad : {"k,upward", "k,asc,x"}) {
    SCOPED_TRACE(bad);
    DomPtr body = Body("<z:row id='a' k='2'/><z:row id='b' k='1'/>");
    EXPECT_VB_ERROR(sorter.sortDOMVoucherBody("", bad, body), err::kInvalidCall);
    EXPECT_EQ(Ids(body), "ab");
  }
}

TEST(SortCommand, IsCheckedAgainstTheBodyFields) {
  const std::vector<std::string> fields{"iSum", "cInvCode", "iQuantity"};
  struct Case {
    const char* command;
    const char* reason;  // "" when valid
  };
  static constexpr Case kCases[] = {
      {"", ""},
      {"iSum", ""},
      {" iSum , Descending ; cInvCode,ascending;;", ""},
      {"iSum,sideways", "unknown sort direction \"sideways\""},
      {"iSum,desc", "unknown sort direction \"desc\""},
      {"iSum,ascending,x", "more than a field and a direction"},
      {",descending", "names no field"},
      {"cNothing", "\"cNothing\" is not a body field"},
      {"isum", "\"isum\" is not a body field"},
      {"iSum;cInvCode,descending;iSum", "\"iSum\" is sorted on twice"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.command);
    const std::string reason = CheckSortCommand(c.command, fields);
    if (!*c.reason)
      EXPECT_EQ(reason, "");
    else
      EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
  }
  // More keys than fields always repeats one.
  std::string keys = "iSum;cInvCode;iQuantity";
  EXPECT_EQ(CheckSortCommand(keys, fields), "");
  EXPECT_NE(CheckSortCommand(keys + ";cInvCode", fields), "");
}

TEST(VoucherSorter, RepeatedAndAbsentKeysDoNotChangeTheOrder) {
  // Thousands of keys, all but two repeats or fields no row has: the order is
  // that of the two (each kept key costs a value per row).
  std::string command = "d;n,descending";
  for (int i = 0; i < 3000; ++i) command += i % 2 ? ";n" : ";absent" + std::to_string(i);
  DomPtr body = Body("<z:row id='a' d='x' n='1'/><z:row id='b' d='y' n='5'/><z:row id='c' d='x' n='7'/>"
                     "<z:row id='d' d='y' n='2'/>");
  EXPECT_TRUE(VoucherSorter().sortDOMVoucherBody("", command, body));
  EXPECT_EQ(Ids(body), "cabd");
}

TEST(VoucherSorter, SortsTenThousandRowsStablyByMovingThem) {
  std::mt19937 random(7);
  std::string rows;
  for (int i = 0; i < 10000; ++i)  // few distinct keys, so ties are common; input order shuffled
    rows += "<z:row g='" + std::string(1, static_cast<char>('a' + random() % 5)) + "' n='" +
            std::to_string(static_cast<int>(random() % 50) - 25) + "' IDX='" +
            std::to_string(i * 7919 % 10000 + 1) + "'/>";
  DomPtr body = Body(rows);
  const pugi::xml_node data = xml::SelectSingleNode(*body, "//rs:data"), first = data.first_child();
  ASSERT_TRUE(VoucherSorter().sortDOMVoucherBody("", "g;n,desc", body));
  std::vector<std::tuple<std::string, int, int>> keys;  // g ascending, n descending, input index
  for (pugi::xml_node row : data.children())
    keys.emplace_back(row.attribute("g").value(), -row.attribute("n").as_int(),
                      row.attribute("tolmvouchersorter_inputorder_index").as_int());
  EXPECT_EQ(keys.size(), 10000u);
  EXPECT_TRUE(std::adjacent_find(keys.begin(), keys.end(), std::greater_equal<>()) == keys.end());
  EXPECT_NE(std::find(data.begin(), data.end(), first), data.end());  // moved, not copied
}

}  // namespace
}  // namespace cavra
