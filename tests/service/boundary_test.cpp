// What the service's boundary gives back when the host's input or set-up is
// not what a member needs: no exception, the error convention instead.
#include <gtest/gtest.h>

#include <functional>

#include "service_fixture.h"

namespace cavra {
namespace {

using testing::Rowset;
using testing::ServiceHarness;

const char* kItems =
    "<item fieldname='cInvCode' cardsection='B' showit='1'/>"
    "<item fieldname='iQty' cardsection='B' showit='1' fieldtype='4'/>"
    "<item fieldname='ID' cardsection='T' showit='1'/>";

TEST(ServiceBoundary, EveryGridMemberReportsAMissingGrid) {
  ServiceHarness h;
  h.LoadTemplate(kItems);
  h.svc.setVoucherDataXML(Rowset("ID", "<z:row ID='1'/>"),
                          Rowset("cInvCode,iQty", "<z:row cInvCode='A' iQty='1'/><z:row cInvCode='B'/>"));
  clsVoucherService& s = h.svc;
  const DomPtr line = s.GetLineDom(1);
  ASSERT_TRUE(line);
  h.sink->errors.clear();
  const std::pair<const char*, std::function<std::string()>> members[] = {
      {"BodyTopRow", [&] { return std::to_string(s.BodyTopRow()); }},
      {"BodyTopRow(n)", [&] { s.BodyTopRow(3); return std::string("0"); }},
      {"BodyRedraw", [&] { return std::to_string(s.BodyRedraw()); }},
      {"BodyRedraw(b)", [&] { s.BodyRedraw(true); return std::string("0"); }},
      {"BodyProtectUnload", [&] { return std::to_string(s.BodyProtectUnload()); }},
      {"BodyBadStr", [&] { return s.BodyBadStr() + "0"; }},
      {"BodyBadStr(s)", [&] { s.BodyBadStr("x"); return std::string("0"); }},
      {"GetSelectedRows", [&] { return s.GetSelectedRows() + "0"; }},
      {"SetCurrentRow", [&] { s.SetCurrentRow("@cInvCode='B'"); return std::string("0"); }},
      {"FillList", [&] { DomPtr d; s.FillList(d); return std::string("0"); }},
      {"TotalText(column)", [&] { return s.TotalText(Variant(2)) + "0"; }},
      {"UpdateLineData(current row)", [&] { return std::to_string(s.UpdateLineData(line, -1)); }},
      {"GetLineDom(current row)", [&] { return std::to_string(s.GetLineDom(0) != nullptr); }},
      {"QueryDataLineStatus(current row)", [&] { return s.QueryDataLineStatus(0) + "0"; }},
  };
  for (const auto& [name, call] : members) {
    SCOPED_TRACE(name);
    h.sink->errors.clear();
    std::string result;
    EXPECT_NO_THROW(result = call());
    EXPECT_EQ(result, "0");  // false, 0, "" or null
    ASSERT_EQ(h.sink->errors.size(), 1u);
    EXPECT_EQ(h.sink->errors[0].first, err::kObjectNotSet);
    EXPECT_EQ(s.GetLastError(), VbError::StandardText(err::kObjectNotSet));
  }
}

TEST(ServiceBoundary, DisplayNamesWithQuotesMapWithoutAnError) {
  ServiceHarness h;
  h.LoadTemplate(kItems);
  const DomPtr body = Rowset("c1 rs:name=\"a'b\",c2 rs:name='数量'", "");
  ASSERT_TRUE(body);
  h.svc.setVoucherDataXML(nullptr, body);
  h.svc.m_BodyChineseData(true);
  EXPECT_EQ(h.svc.GetChineseFieldNameMap("a'b"), "c1");
  EXPECT_EQ(h.svc.GetChineseFieldNameMap("数量"), "c2");
  EXPECT_EQ(h.svc.GetChineseFieldNameMap("x' or '1'='1"), "x' or '1'='1");
  EXPECT_EQ(h.svc.GetChineseFieldNameMap("'"), "'");
  EXPECT_TRUE(h.sink->errors.empty());
}

}  // namespace
}  // namespace cavra
