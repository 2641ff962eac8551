// The layout of a template recordset: one record per template field. Item
// columns are read by position (0 .. kTemplateItemColumnCount-1, in the
// order below); template-wide columns are read by name from the first
// record and may stand anywhere after the item columns. Body items come
// before header items.
//
// The item column names are the lower-case attribute names of an item
// element; positions named "reservedN" are not read.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace cavra {

inline constexpr std::size_t kTemplateItemColumnCount = 127;

namespace detail {
constexpr std::array<std::string_view, kTemplateItemColumnCount> MakeItemColumns() {
  std::array<std::string_view, kTemplateItemColumnCount> c{};
  c[0] = "vt_id";           c[1] = "cardnum";        c[2] = "carditemnum";    c[3] = "cannotselect";
  c[4] = "showit";          c[5] = "linkit";         c[6] = "linktbl";        c[7] = "linkfield";
  c[8] = "tablename";       c[9] = "fieldname";      c[10] = "fieldtype";     c[11] = "refertype";
  c[12] = "refertable";     c[13] = "cardsection";   c[14] = "canmodify";     c[15] = "maxlength";
  c[16] = "maxshowlen";     c[17] = "numpoint";      c[18] = "isnull";        c[19] = "candelete";
  c[20] = "usercheck";      c[21] = "userprompt";    c[22] = "formatchar";    c[23] = "ismain";
  c[24] = "needsum";        c[25] = "calcfield";     c[26] = "aliasnum";      c[27] = "isselfdef";
  c[28] = "height";         c[29] = "tabindex";      c[30] = "defaultvalue";  c[31] = "isfixedlenght";
  c[32] = "formatdata";     c[33] = "printcaption";  c[34] = "printupcase";   c[35] = "printinterval";
  c[36] = "datasource";     c[37] = "entertype";     c[38] = "datarule";      c[39] = "validitycheck";
  c[40] = "reservesegtitlepos"; c[41] = "buildarchives"; c[42] = "reserved42"; c[43] = "nborder";
  c[44] = "cox";            c[45] = "coy";           c[46] = "width";         c[47] = "reserved47";
  c[48] = "isenum";         c[49] = "enumtypestring"; c[50] = "zeroallowable"; c[51] = "reserved51";
  c[52] = "vvaluedefault";  c[53] = "reserved53";    c[54] = "carditemname";  c[55] = "cardformula1";
  c[56] = "cardformula2";   c[57] = "fontstate";
  constexpr std::string_view spare[] = {
      "reserved58", "reserved59", "reserved60", "reserved61", "reserved62", "reserved63", "reserved64",
      "reserved65", "reserved66", "reserved67", "reserved68", "reserved69", "reserved70", "reserved71",
      "reserved72", "reserved73", "reserved74", "reserved75", "reserved76", "reserved77", "reserved78",
      "reserved79", "reserved80", "reserved81", "reserved82", "reserved83", "reserved84", "reserved85",
      "reserved86", "reserved87", "reserved88", "reserved89", "reserved90", "reserved91", "reserved92",
      "reserved93", "reserved94", "reserved95", "reserved96", "reserved97", "reserved98", "reserved99",
      "reserved100", "reserved101", "reserved102", "reserved103", "reserved104", "reserved105",
      "reserved106", "reserved107", "reserved108", "reserved109", "reserved110", "reserved111",
      "reserved112"};
  for (std::size_t i = 0; i < std::size(spare); ++i) c[58 + i] = spare[i];
  c[113] = "refobject";     c[114] = "autofillrule"; c[115] = "reserved115";  c[116] = "reserved116";
  c[117] = "reserved117";   c[118] = "reserved118";  c[119] = "catalog";      c[120] = "isjoinquery";
  c[121] = "reserved121";   c[122] = "extended";     c[123] = "imfld";        c[124] = "autocomplete";
  c[125] = "colshow";       c[126] = "multitableheadertitle";
  return c;
}
}  // namespace detail

// Name of each item column, by position.
inline constexpr std::array<std::string_view, kTemplateItemColumnCount> kTemplateItemColumns =
    detail::MakeItemColumns();

// The template-wide columns, read by name.
inline constexpr std::string_view kTemplateColumns[] = {
    "CardNumber", "AppName", "Shield", "Name", "cCardName", "CardType", "ItemTblName",
    "VchTblPrimarykeyNames", "ReceiptNOFieldName", "itemCol", "BTTblName", "BTQName", "BWTblName",
    "BWQName", "HaveBodyGrid", "VT_ID", "VT_Name", "VT_Width", "VT_Height", "VT_BodyTop", "VT_BodyLeft",
    "VT_BodyWidth", "VT_BodyHeight", "VT_BodyFixedCols", "VT_BodyMaxRows", "VT_SelfDef1", "VT_SelfDef2",
    "VT_SelfDef3", "VT_Memo", "VT_TitleName", "VT_TitleLeft", "VT_TitleTop", "VT_TitleFontState",
    "VT_PageHeader", "VT_WorkAreaColor", "VT_ControlStyle", "VT_FiexdColor", "VT_TotalColor",
    "VT_AmongColor", "VT_GridStyleHead", "VT_GridStyleBody", "VT_GridStyleTotal", "VT_GridPrnRows",
    "VT_GridPrnRowHeight", "VT_Header", "VT_Foot", "VT_footHeaderFont", "VT_PrintTemplID", "VT_PrintGrid",
    "VT_AutoCalc", "VT_PageSubTotal", "VT_PageTotal", "nAutoCalcWidth", "nPrintSeril", "nPrintGridLine",
    "VT_ReservedInfo", "vt_RowLayoutEnabled", "inventoryFieldName", "TemplateSubType", "cParentKey", "cKey",
    "nbarcodeMultiple", "cBarCodeFieldNames"};

}  // namespace cavra
