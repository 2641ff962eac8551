// A host of the library: opens the embedded database, loads the sample sales
// order, reads display texts, edits a line and takes the documents back.
// Built and run by the tests, so that it keeps working as the README shows it.
#include <cstdio>

#include <cavra/cavra.h>

struct Events : cavra::clsVoucherServiceEvents {
  void controlError(std::int32_t n, const std::string& text) override {
    std::fprintf(stderr, "error %d: %s\n", n, text.c_str());
  }
  void ExpressionCalculated(const cavra::Variant&, const cavra::Variant& item, std::int32_t row,
                            const cavra::Variant& value) override {
    std::printf("line %d: %s = %s\n", row, cavra::CStr(item).c_str(), cavra::CStr(value).c_str());
  }
};

// The library's own functions return a cavra::Result: a value, or the VbError saying why not.
int Fail(const cavra::VbError& e) {
  std::fprintf(stderr, "error %d: %s\n", e.number(), e.description().c_str());
  return 1;
}

int main() {
  auto db = cavra::OpenDefaultDataSource();                // SQLite, created on first use
  if (!db.ok()) return Fail(db.error());
  cavra::clsVoucherService svc;
  svc.addEventSink(std::make_shared<Events>());
  svc.SetDataSource(*db);

  auto tpl = cavra::LoadTemplateRecordset(**db, "17", 12);  // the sample sales order
  if (!tpl.ok()) return Fail(tpl.error());
  svc.setTemplateData(*tpl);

  auto head = (*db)->QuerySql("select * from SO_SOMain where ID=?", {1000001});
  auto body = (*db)->QuerySql("select * from SO_SODetails where ID=? order by AutoID", {1000001});
  if (!head.ok()) return Fail(head.error());
  if (!body.ok()) return Fail(body.error());
  svc.setVoucherDataXML(cavra::RecordsetToRowset(**head), cavra::RecordsetToRowset(**body));

  std::string customer = cavra::CStr(svc.headerText("cCusName"));      // display texts
  std::string amount = cavra::CStr(svc.bodyText(2, "iMoney"));         // "44800.00"

  cavra::DomPtr line = svc.GetLineDom(2);                              // edit line 2
  line->document_element().child("rs:data").child("z:row").attribute("iQuantity") = "40";
  svc.UpdateLineData(line, 2);                                          // its formulas run

  cavra::DomPtr newHead, newBody;
  svc.getVoucherDataXML(newHead, newBody);                              // live lines, then deleted ones
  return customer.empty() || amount.empty() ? 1 : 0;
}
