#include <gtest/gtest.h>

#include <functional>

#include "service_fixture.h"

namespace cavra {
namespace {

// What the service's boundary gives back when the host's input or set-up is
// not what a member needs: no exception, the error convention instead.
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

// Documents handed over to setVoucherDataXML: kept when nobody else holds
// them, copied otherwise, and loaded alike either way.
const char* kHandOverItems =
    "<item fieldname='cCode' cardsection='T' showit='1'/>"
    "<item fieldname='key' cardsection='B' showit='1'/>"
    "<item fieldname='parent' cardsection='B' showit='1'/>"
    "<item fieldname='iAmount' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>";

DomPtr Body() {
  return Rowset("key,parent,iAmount",
                "<z:row key='a' iAmount='5'/><z:row key='b' iAmount='7' editprop='D'/>"
                "<z:row key='c' parent='a' iAmount='9'/>");
}

std::string Texts(clsVoucherService& svc) {
  DomPtr head, body;
  svc.getVoucherDataXML(head, body);
  return xml::Text(*head) + xml::Text(*body);
}

TEST(VoucherDataHandOver, OnlyOwnerIsKeptAndLoadsLikeACopy) {
  ServiceHarness copied, kept;
  copied.LoadTemplate(kHandOverItems);
  kept.LoadTemplate(kHandOverItems);
  DomPtr head = Rowset("cCode", "<z:row cCode='SO-1'/>"), body = Body();
  const std::weak_ptr<pugi::xml_document> watch = body;
  const DomPtr head_given = head, body_given = body;
  copied.svc.setVoucherDataXML(head_given, body_given);
  kept.svc.setVoucherDataXML(std::move(head), std::move(body));
  EXPECT_FALSE(watch.expired());  // the service holds the very document
  EXPECT_EQ(Texts(kept.svc), Texts(copied.svc));
  EXPECT_EQ(CStr(kept.svc.bodyText(2, Variant("key"))), "c");  // the "D" row is set aside
  EXPECT_EQ(kept.svc.QueryDataLineStatus(3), "");
}

TEST(VoucherDataHandOver, SharedDocumentsAreCopied) {
  ServiceHarness h;
  h.LoadTemplate(kHandOverItems);
  DomPtr body = Body();
  const DomPtr other = body;  // still held by the caller
  h.svc.setVoucherDataXML(nullptr, std::move(body));
  other->document_element().child("rs:data").child("z:row").attribute("key") = "changed";
  EXPECT_EQ(CStr(h.svc.bodyText(1, Variant("key"))), "a");

  // A shared head makes the body a copy too.
  DomPtr head = Rowset("cCode", "<z:row cCode='SO-1'/>");
  const DomPtr head_held = head;
  body = Body();
  const std::weak_ptr<pugi::xml_document> watch = body;
  h.svc.setVoucherDataXML(std::move(head), std::move(body));
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(CStr(h.svc.headerText(Variant("cCode"))), "SO-1");
}

TEST(VoucherDataHandOver, RowOutlineGetsCopies) {
  ServiceHarness h;
  h.LoadTemplate(kHandOverItems, "cParentKey='parent' cKey='key'");
  DomPtr body = Body();
  const std::weak_ptr<pugi::xml_document> watch = body;
  h.svc.setVoucherDataXML(nullptr, std::move(body));
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(CStr(h.svc.bodyText(1, Variant("key"))), "a");
}

struct CountingControl : IPrintControl {
  int previews = 0;
  Variant PrintPreview() override { return Variant(++previews); }
};

TEST(ServicePrintState, TemplateLoadsClearThePrintEnvironmentAndUnInitialiseReleasesTheControl) {
  ServiceHarness h;
  auto control = std::make_shared<CountingControl>();
  std::weak_ptr<CountingControl> held = control;
  h.svc.PrintControlObj(control);
  control.reset();
  EXPECT_FALSE(held.expired()) << "the service holds the host's control";

  h.svc.m_sPrintEntir("<打印设置/>");
  h.svc.LogoPictureDataString("logo");
  h.svc.StopPrintControl(true);
  h.svc.CardnumAndValueForPrintControl("17|SO-1");
  h.LoadTemplate("<item fieldname='a' cardsection='T'/>");
  EXPECT_EQ(h.svc.m_sPrintEntir(), "");
  h.svc.m_sPrintEntir("<打印设置/>");
  h.svc.RefreshTemplate();
  EXPECT_EQ(h.svc.m_sPrintEntir(), "");
  // Only the environment text belongs to a template.
  EXPECT_EQ(h.svc.LogoPictureDataString(), "logo");
  EXPECT_TRUE(h.svc.StopPrintControl());
  EXPECT_EQ(h.svc.CardnumAndValueForPrintControl(), "17|SO-1");

  h.svc.UnInitialise();
  EXPECT_TRUE(held.expired());
}

}  // namespace
}  // namespace cavra
