// A host program against the installed library: loads a template and a
// voucher, runs the formulas and checks the display texts. Exits non-zero on
// any difference.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <cavra/cavra.h>

namespace {

const char* kTemplate =
    "<template CardNumber='9' AppName='zh-CN' Shield='0' Name='n' cCardName='X' CardType='1' ItemTblName='t' "
    "VchTblPrimarykeyNames='ID' ReceiptNOFieldName='cCode' itemCol='1' BTTblName='h' BTQName='h' BWTblName='b' "
    "BWQName='b' HaveBodyGrid='1' VT_ID='3' VT_Name='n' VT_Width='0' VT_Height='0' VT_BodyTop='0' VT_BodyLeft='0' "
    "VT_BodyWidth='0' VT_BodyHeight='0' VT_BodyFixedCols='0' VT_BodyMaxRows='0' VT_SelfDef1='' VT_SelfDef2='' "
    "VT_SelfDef3='' VT_Memo='' VT_TitleName='' VT_TitleLeft='0' VT_TitleTop='0' VT_TitleFontState='' "
    "VT_PageHeader='' VT_WorkAreaColor='0' VT_ControlStyle='0' VT_FiexdColor='0' VT_TotalColor='0' "
    "VT_AmongColor='0' VT_GridStyleHead='' VT_GridStyleBody='' VT_GridStyleTotal='' VT_GridPrnRows='0' "
    "VT_GridPrnRowHeight='0'>"
    "<item fieldname='cCode' cardsection='T' fieldtype='1' showit='1'/>"
    "<item fieldname='iQty' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='iPrice' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='iMoney' cardsection='B' fieldtype='4' numpoint='2' formatdata='1' showit='1' "
    "datarule='cdbl([BiQty]*[BiPrice])'/>"
    "</template>";

cavra::DomPtr Rowset(const std::string& columns, const std::string& rows) {
  auto doc = cavra::NewDom();
  doc->load_string(("<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
                    "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' xmlns:rs='urn:schemas-microsoft-com:rowset' "
                    "xmlns:z='#RowsetSchema'><s:Schema id='RowsetSchema'><s:ElementType name='row'>" +
                    columns + "</s:ElementType></s:Schema><rs:data>" + rows + "</rs:data></xml>")
                       .c_str());
  return doc;
}

int failures = 0;

void Expect(const std::string& got, const std::string& want, const char* what) {
  if (got == want) return;
  std::fprintf(stderr, "%s: got '%s', want '%s'\n", what, got.c_str(), want.c_str());
  ++failures;
}

}  // namespace

int main() {
  // Keep the default database out of the user's data folder.
  const auto db = std::filesystem::temp_directory_path() / "cavra-consumer.db";
  setenv("CAVRA_DB", db.c_str(), 1);

  pugi::xml_document tpl;
  tpl.load_string(kTemplate);
  const cavra::Result<cavra::RecordsetPtr> template_rs = cavra::TemplateRecordsetFromXml(tpl);
  if (!template_rs.ok()) {
    std::fprintf(stderr, "template: %s\n", template_rs.error().description().c_str());
    return 1;
  }
  const cavra::Result<cavra::RecordsetPtr> no_template =
      cavra::TemplateRecordsetFromXml(pugi::xml_document());
  Expect(no_template.ok() ? "a value" : std::to_string(no_template.error().number()), "5", "Result error");
  cavra::clsVoucherService svc;
  svc.setTemplateData(*template_rs);
  svc.setVoucherDataXML(Rowset("<s:AttributeType name='cCode'/>", "<z:row cCode='A-1'/>"),
                        Rowset("<s:AttributeType name='iQty'/><s:AttributeType name='iPrice'/>"
                               "<s:AttributeType name='iMoney'/>",
                               "<z:row iQty='1200' iPrice='2.5' editprop='A'/>"));
  svc.ExecCalcExpression(-1);
  Expect(cavra::CStr(svc.headerText("cCode")), "A-1", "headerText");
  Expect(cavra::CStr(svc.bodyText(1, "iMoney")), "3000.00", "bodyText");
  Expect(cavra::CStr(svc.GetInteralBodyText(1, 3)), "3,000.00", "GetInteralBodyText");
  Expect(svc.QueryDataLineStatus(1), "A", "QueryDataLineStatus");
  Expect(svc.GetLastError(), "", "GetLastError");
  std::printf(failures ? "consumer: %d failure(s)\n" : "consumer: ok\n", failures);
  return failures ? 1 : 0;
}
