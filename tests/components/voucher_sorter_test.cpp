#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "cavra/error.h"
#include "cavra/variant.h"
#include "components/voucher_sorter.h"
#include "platform/xml.h"

namespace cavra {
namespace {

DomPtr Body(const std::string& rows) {
  return xml::LoadNew("<xml xmlns:z='#RowsetSchema' xmlns:rs='urn:rs'><s:Schema/><rs:data>" + rows +
                      "</rs:data></xml>");
}

// The "id" attributes of rs:data's children in order ("#" for a non-row).
std::string Ids(const DomPtr& body) {
  std::string ids;
  for (pugi::xml_node child : xml::SelectSingleNode(*body, "//rs:data").children()) {
    if (!ids.empty()) ids += ',';
    ids += std::string(child.name()) == "z:row" ? child.attribute("id").value() : "#";
  }
  return ids;
}

std::string Sort(const std::string& rows, const std::string& command) {
  DomPtr body = Body(rows);
  EXPECT_TRUE(VoucherSorter().sortDOMVoucherBody("", command, body));
  return Ids(body);
}

TEST(VoucherSorter, OrdersRowsByTheCommand) {
  struct Case {
    const char* name;
    const char* rows;
    const char* command;
    const char* expected;
  };
  const Case kCases[] = {
      {"one key, direction missing", "<z:row id='a' k='3'/><z:row id='b' k='1'/><z:row id='c' k='2'/>", "k",
       "b,c,a"},
      {"direction words in any case",
       "<z:row id='a' k='3'/><z:row id='b' k='1'/><z:row id='c' k='2'/>", " k , DESC ", "a,c,b"},
      {"descending spelled out", "<z:row id='a' k='1'/><z:row id='b' k='2'/>", "k,Descending", "b,a"},
      {"asc and ascending", "<z:row id='a' k='2'/><z:row id='b' k='1'/>", "k,asc;x,ASCENDING", "b,a"},
      {"second key breaks ties, each with its direction",
       "<z:row id='a' d='x' n='1'/><z:row id='b' d='y' n='5'/><z:row id='c' d='x' n='7'/>"
       "<z:row id='d' d='y' n='2'/>",
       "d,ascending;n,descending", "c,a,b,d"},
      {"empty keys are skipped", "<z:row id='a' k='2'/><z:row id='b' k='1'/>", ";; ;k;,desc", "b,a"},
      {"numbers compare as numbers",
       "<z:row id='a' k='10'/><z:row id='b' k='9'/><z:row id='c' k='-1.5'/><z:row id='d' k=' +2e0 '/>", "k",
       "c,d,b,a"},
      {"texts compare by UTF-8 bytes",
       "<z:row id='a' k='b'/><z:row id='b' k='B'/><z:row id='c' k='中'/><z:row id='d' k='ab'/>", "k",
       "b,d,a,c"},
      {"empty first, then numbers, then texts",
       "<z:row id='a' k='1a'/><z:row id='b' k='10'/><z:row id='c'/><z:row id='d' k='9'/><z:row id='e' k=''/>",
       "k", "c,e,d,b,a"},
      {"descending reverses the classes too", "<z:row id='a' k='x'/><z:row id='b' k=''/><z:row id='c' k='5'/>",
       "k,desc", "a,c,b"},
      {"ties keep the input-order index",
       "<z:row id='a' k='1' tolmvouchersorter_inputorder_index='3'/>"
       "<z:row id='b' k='1' tolmvouchersorter_inputorder_index='1'/>"
       "<z:row id='c' k='0' tolmvouchersorter_inputorder_index='9'/>"
       "<z:row id='d' k='1' tolmvouchersorter_inputorder_index='2'/>",
       "k", "c,b,d,a"},
      {"rows without an index follow the highest, in document order",
       "<z:row id='a' k='1'/><z:row id='b' k='1' tolmvouchersorter_inputorder_index='5'/>"
       "<z:row id='c' k='1' tolmvouchersorter_inputorder_index='0'/>"
       "<z:row id='d' k='1' tolmvouchersorter_inputorder_index='2'/>",
       "k", "d,b,a,c"},
      {"no keys: input order",
       "<z:row id='a' tolmvouchersorter_inputorder_index='2'/><z:row id='b' tolmvouchersorter_inputorder_index='1'/>",
       "", "b,a"},
      {"blank new rows stay at the end, unsorted",
       "<z:row id='a' k='3'/><z:row id='n1' k='9' isNewAddedBlankRow_OrdraSorter='1'/><z:row id='b' k='1'/>"
       "<z:row id='n2' k='0' isNewAddedBlankRow_OrdraSorter='1'/><z:row id='c' k='2' isNewAddedBlankRow_OrdraSorter='0'/>",
       "k", "b,c,a,n1,n2"},
      {"other children keep their places",
       "<x/><z:row id='a' k='3'/><z:row id='b' k='2'/><x/><z:row id='c' k='1'/><x/>", "k",
       "#,c,b,#,a,#"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Sort(c.rows, c.command), c.expected);
  }
}

TEST(VoucherSorter, RefusesDocumentsWithoutRowsetDataAndBadCommands) {
  VoucherSorter sorter;
  DomPtr none;
  EXPECT_FALSE(sorter.sortDOMVoucherBody("", "k", none));
  DomPtr head = xml::LoadNew("<xml><z:row id='a'/></xml>");
  EXPECT_FALSE(sorter.sortDOMVoucherBody("", "k", head));
  EXPECT_EQ(xml::Text(*head), "<xml><z:row id=\"a\"/></xml>");

  DomPtr empty = Body("");
  EXPECT_TRUE(sorter.sortDOMVoucherBody("", "k", empty));
  for (const char* bad : {"k,upward", "k,asc,x"}) {
    SCOPED_TRACE(bad);
    DomPtr body = Body("<z:row id='a' k='2'/><z:row id='b' k='1'/>");
    EXPECT_THROW(sorter.sortDOMVoucherBody("", bad, body), VbError);
    EXPECT_EQ(Ids(body), "a,b");
  }
}

TEST(VoucherSorter, SortsTenThousandRowsStablyAndMovesTheSameNodes) {
  std::mt19937 random(7);
  const int kRows = 10000;
  std::string rows;
  for (int i = 0; i < kRows; ++i) {
    // Few distinct keys, so ties are common; input order is a shuffle.
    rows += "<z:row id='" + std::to_string(i) + "' g='" + std::string(1, static_cast<char>('a' + random() % 5)) +
            "' n='" + std::to_string(static_cast<int>(random() % 50) - 25) +
            "' tolmvouchersorter_inputorder_index='" + std::to_string((i * 7919) % kRows + 1) + "'/>";
  }
  DomPtr body = Body(rows);
  const pugi::xml_node data = xml::SelectSingleNode(*body, "//rs:data");
  const pugi::xml_node first_before = data.first_child();
  ASSERT_TRUE(VoucherSorter().sortDOMVoucherBody("", "g;n,desc", body));

  int count = 0;
  bool found_first = false;
  pugi::xml_node previous;
  for (pugi::xml_node row : data.children()) {
    ++count;
    found_first = found_first || row == first_before;
    if (previous) {
      const std::string pg = previous.attribute("g").value(), g = row.attribute("g").value();
      const int pn = previous.attribute("n").as_int(), n = row.attribute("n").as_int();
      const int pi = previous.attribute("tolmvouchersorter_inputorder_index").as_int();
      const int i = row.attribute("tolmvouchersorter_inputorder_index").as_int();
      ASSERT_TRUE(pg < g || (pg == g && (pn > n || (pn == n && pi < i))))
          << previous.attribute("id").value() << " before " << row.attribute("id").value();
    }
    previous = row;
  }
  EXPECT_EQ(count, kRows);
  EXPECT_TRUE(found_first);  // nodes were moved, not copied
}

}  // namespace
}  // namespace cavra
