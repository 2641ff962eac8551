#include "cavra/sql_text.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "cavra/error.h"
#include "cavra/host.h"
#include "fakes/expect_error.h"
#include "fakes/hostile_values.h"

namespace cavra {
namespace {

// Reads a literal the way an SQL tokenizer does: the value up to the first
// quote that is not doubled, and whether that quote ends the text.
std::pair<std::string, bool> ReadLiteral(std::string_view text) {
  std::string value;
  if (text.empty() || text[0] != '\'') return {value, false};
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] != '\'') {
      value.push_back(text[i]);
    } else if (i + 1 < text.size() && text[i + 1] == '\'') {
      value.push_back('\'');
      ++i;
    } else {
      return {value, i + 1 == text.size()};
    }
  }
  return {value, false};
}

TEST(SqlText, LiteralsDoubleQuotesAndNothingElse) {
  struct Case {
    const char* value;
    const char* literal;
  };
  static constexpr Case kCases[] = {
      {"SO", "'SO'"},
      {"", "''"},
      {"O'Brien", "'O''Brien'"},
      {"'", "''''"},
      {"a\\'b", "'a\\''b'"},  // a backslash is an ordinary character
      {"a; b -- c", "'a; b -- c'"},
      {"销售", "'销售'"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(SqlLiteral(c.value), c.literal);
    EXPECT_EQ(SqlNLiteral(c.value), std::string("N") + c.literal);
  }
}

TEST(SqlText, NoValueEndsItsLiteralEarly) {
  auto values = testing::HostileValues();
  values.push_back({"union", testing::UnionInjection()});
  for (const auto& [name, value] : values) {
    SCOPED_TRACE(name);
    const auto [read, whole] = ReadLiteral(SqlLiteral(value));
    EXPECT_TRUE(whole);
    EXPECT_EQ(read, value);
  }
}

TEST(SqlText, RefusesNul) {
  for (auto quote : {&SqlLiteral, &SqlNLiteral}) {
    EXPECT_VB_ERROR((void)quote(testing::ValueWithNul()), err::kInvalidCall);
  }
}

TEST(SqlText, NamesArePlainOrRefused) {
  for (const char* good : {"AutoID", "_x1", "SO_SODetails", "db.table", "tolmmeta_001..Cavra_JointQuery",
                           "db.dbo.table"}) {
    SCOPED_TRACE(good);
    EXPECT_EQ(SqlName(good), good);
  }
  for (const char* bad : {"", "AutoID desc", "1abc", "a-b", "a;b", "a'b", "a\"b", "[a]", "a.", ".a", "a...b",
                          "a.b.c.d", "a..b..c", "名称", "a\tb", "AutoID--"}) {
    SCOPED_TRACE(bad);
    EXPECT_VB_ERROR((void)SqlName(bad), err::kInvalidCall, bad);
  }
}

TEST(CustomerInfoRecordText, BenignValuesGiveTheRecordAsItStands) {
  EXPECT_EQ(CustomerInfoRecord("voucherAggregate", "SO", "12", "<a b='1'/>"),
            "<Data fchrOperator='#cUserName#' fchrType='voucherAggregate' fchrVoucherType='SO' "
            "fchrVoucherTemplateType='12' ><a b='1'/></Data>");
  EXPECT_EQ(CustomerInfoRecord("VoucherSorterCommand", "17", "12", ""),
            "<Data fchrOperator='#cUserName#' fchrType='VoucherSorterCommand' fchrVoucherType='17' "
            "fchrVoucherTemplateType='12' ></Data>");
}

TEST(CustomerInfoRecordText, AnyValueReadsBackFromItsAttribute) {
  auto values = testing::HostileValues();
  values.push_back({"line breaks", "a\tb\nc\r\nd"});
  for (const auto& [name, value] : values) {
    SCOPED_TRACE(name);
    const std::string record = CustomerInfoRecord(value, value, value, "x");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(record.c_str())) << record;
    const pugi::xml_node data = doc.child("Data");
    EXPECT_EQ(std::string(data.attribute("fchrType").value()), value);
    EXPECT_EQ(std::string(data.attribute("fchrVoucherType").value()), value);
    EXPECT_EQ(std::string(data.attribute("fchrVoucherTemplateType").value()), value);
    EXPECT_EQ(std::string(data.text().get()), "x");
  }
}

}  // namespace
}  // namespace cavra
