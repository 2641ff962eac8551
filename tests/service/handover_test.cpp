// Documents handed over to setVoucherDataXML: kept when nobody else holds
// them, copied otherwise, and loaded alike either way.
#include <gtest/gtest.h>

#include "service_fixture.h"

namespace cavra {
namespace {

using testing::Rowset;
using testing::ServiceHarness;

const char* kItems =
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
  copied.LoadTemplate(kItems);
  kept.LoadTemplate(kItems);
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
  h.LoadTemplate(kItems);
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
  h.LoadTemplate(kItems, "cParentKey='parent' cKey='key'");
  DomPtr body = Body();
  const std::weak_ptr<pugi::xml_document> watch = body;
  h.svc.setVoucherDataXML(nullptr, std::move(body));
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(CStr(h.svc.bodyText(1, Variant("key"))), "a");
}

}  // namespace
}  // namespace cavra
