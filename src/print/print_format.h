// The grammar of the two print documents: the style document (layout) and the
// data document (content) the print control reads. Everything here appends
// text to a growing std::string in one pass; no DOM is ever built. Element and
// attribute names are the control's contract and are written as they stand,
// blanks included (some pieces carry their own leading and trailing blanks,
// so doubled blanks are intended).
//
// Lengths are tenths of a millimetre converted from twips; every user text
// (captions, values, titles) goes through EscapeText or AppendEscaped.
//
// Example:
//   std::string style;
//   AppendDocumentHead(style);
//   AppendStyleFormatStart(style, bill.sAppName);
//   style += DefaultPrintSettingBlock(false, bill.nbarcodeMultiple, bill.sfootHeaderFont);
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cavra/bill_information.h"
#include "cavra/item_state.h"

namespace cavra {

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kDocumentHead = "<?xml version='1.0' encoding='utf-16' ?>";
// Separator inside 单据号 and of the remembered column lists.
inline constexpr std::string_view kListSeparator = "{##}";

// ---- Values ----

// "是" or "否".
std::string_view YesNo(bool yes) noexcept;
// "&", "<", ">", "'" replaced by their entities, in that order; the double
// quote stays as it is.
std::string EscapeText(std::string_view text);
void AppendEscaped(std::string& out, std::string_view text);
// " name='value'", the value escaped.
void AppendAttribute(std::string& out, std::string_view name, std::string_view value);
// A formatted value's full-width comma and curly quotes as plain ASCII, which
// the control's fonts print as they should.
std::string PlainPunctuation(std::string text);
// Twips to tenths of a millimetre, nearest integer with halves to even.
std::string TenthMm(std::int32_t twips);
// "x,y", both converted.
std::string TopLeft(std::int32_t xTwips, std::int32_t yTwips);
// "#" + red, green, blue as two upper-case hex digits each (low byte red).
std::string ColorText(std::int32_t color);
// The word of a print-position code; "打印" for any unknown code.
std::string_view PrintPositionWord(std::int32_t code) noexcept;
// The picture scale-mode text of a code text (empty or not numeric: 0).
std::string_view ScaleModeText(std::string_view code);
// Border text of nBorder: " 边框='0' " and friends, " " for other values.
std::string_view BorderText(std::int32_t border) noexcept;
// Alignment text of a header item from Reserve2 and nFieldType.
std::string_view ItemAlignmentText(std::string_view reserve2, std::int32_t fieldType) noexcept;
// The same rule as a column-list word: "左,", "中," or "右,".
std::string_view ColumnAlignmentWord(std::string_view reserve2, std::int32_t fieldType) noexcept;
// Alignment text of a fixed label (1 left, 2 centre, 3 right; "" otherwise).
std::string_view LabelAlignmentText(std::int32_t alignment) noexcept;
// Barcode mark of a body column's field-type text: -1 no barcode, else
// format + 16 * standard (0 for a ":" text that is not a barcode).
std::int32_t BarcodeMark(std::string_view printInterval);

// ---- Fonts ----

// The print attributes of a clsFont font string. A text that does not decode
// leaves the defaults of a new clsFont (Tahoma 9, black, regular).
struct FontAttributes {
  std::string name = "Tahoma";
  std::int32_t size = 9;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  std::int32_t color = 0;
};
FontAttributes DecodeFont(std::string_view fontString);

// ---- Type attributes of a 字段 ----

// Type attributes from the field-type text (sPrintInterval / "PrintInterval"),
// the upper-case flag, whether nFieldType is 5 and whether the caption prints.
// forHeaderItem: a header item whose caption does not print gets "套打='是'"
// when the rules did not already add it (labels never do).
std::string TypeAttributes(std::string_view fieldTypeText, bool upcase, bool fieldType5, bool captionPrints,
                           bool forHeaderItem);

// The 类型 of a fixed label holding a special token. code: "3".."14";
// column: the 对应列号 (used only by the body-column codes). Empty text for a
// code without its own 类型.
std::string TokenTypeAttributes(std::string_view code, bool upcase, std::int32_t column);
// Whether the token code shows a body column (and so carries 对应列号).
bool IsBodyColumnToken(std::string_view code) noexcept;
// Renames every 类型 of earlier type attributes to 类1型 so that a token's
// own 类型 applies.
std::string DisableTypeAttribute(std::string_view typeAttributes);

// ---- Packed descriptor strings ----

// One of the seven lines of sHeader/sFoot.
struct PageBandLine {
  std::string text;           // line 0
  FontAttributes font;        // line 1
  std::string position;       // line 2: value of 打印
  std::string alignment;      // line 3: value of 对齐方式
  bool picture = false;       // line 4 is "1"
  bool pictureRight = false;  // line 5 is "1"
  std::string scaleMode;      // line 6, as its text
};
PageBandLine ParsePageBand(std::string_view packed);

// A grid style (sGridStyleHead/Body/Total): four "@" parts or all defaults.
struct GridStyle {
  std::string border = "783";
  std::string width = "1";
  std::string font = "宋体,9,0,0,1";
  std::string rowHeight = "0";
};
GridStyle ParseGridStyle(std::string_view packed);

// Element index of sPrintSetting (the part after the first "{##}" when there
// is one, split at "|"); fallback when the element is missing.
std::string GetEnvString(std::string_view printSetting, std::int32_t index, std::string_view fallback);

// The default 打印设置 and 纸张设置 elements (each followed by CR LF).
std::string DefaultPrintSettingBlock(bool horzTile, std::int32_t barcodeMultiple,
                                     std::string_view footHeaderFont);

// ---- Style document writers ----

void AppendDocumentHead(std::string& out);  // declaration + CR LF
// <格式 ...> + CR LF
void AppendStyleFormatStart(std::string& out, std::string_view appName);
// <表格 流式打印='...'>
void AppendStyleTableStart(std::string& out, bool flowMode);
// The 页眉 element from sHeader lines 1-6 (+ CR LF).
void AppendStylePageHeader(std::string& out, const PageBandLine& band);
// The 页脚 element from sFoot lines 1-6 (+ CR LF).
void AppendStylePageFooter(std::string& out, const PageBandLine& band);
// The 标题 element from nTitleLeft/nTitleTop, sSelftDef2 and sFontState.
void AppendStyleTitle(std::string& out, const clsBillInformation& bill);
inline constexpr std::string_view kStyleHeaderStart = "<表头 字体名='Tahoma' 字体大小='9' 颜色='#800000'>";
inline constexpr std::string_view kStyleHeaderEnd = "</表头>";
// The caption a header item prints: sCardFormula1, else sCardItemName.
std::string ItemCaption(const clsItemState& item);
// The style 字段 of a header item (+ CR LF).
void AppendStyleItemField(std::string& out, const clsItemState& item);

// What the style 字段 of a fixed label is made of.
struct LabelStyle {
  std::int32_t number = 0;  // n of "文本" + n
  bool picture = false;
  std::string scaleMode;      // picture labels: the scale-mode code text
  bool pictureRight = false;  // picture labels
  FontAttributes font;
  std::int32_t x = 0, y = 0, width = 0, height = 0;  // twips
  std::int32_t border = 0;
  std::int32_t positionCode = 0;
  std::int32_t alignment = 0;  // 1 left, 2 centre, 3 right
  std::string typeAttributes;  // from TypeAttributes (forHeaderItem false)
  std::string tokenType;       // from TokenTypeAttributes, or empty
};
void AppendStyleLabelField(std::string& out, const LabelStyle& label);

// The lists that describe the printed body columns, comma-joined.
struct BodyColumnLists {
  std::string widths;    // converted widths
  std::string barcodes;  // barcode marks
  std::string types;     // "10", "7", "8"
  std::string sizes;
  std::string names;       // CR and LF removed
  std::string alignments;  // "左,中,右"
};
// <表体 ...> + CR LF. Empty types/sizes print as "10"/"255".
void AppendStyleBodyStart(std::string& out, const clsBillInformation& bill, const BodyColumnLists& lists);
void AppendStyleBodyHead(std::string& out, const GridStyle& style, std::string_view alignment);
void AppendStyleBodyRow(std::string& out, const GridStyle& style, std::string_view alignment);
void AppendStyleBodyTail(std::string& out, const GridStyle& style, std::string_view alignment,
                         std::int32_t pageTotal);
inline constexpr std::string_view kStyleBodyEnd = "</表体>";
// <表尾 ...> + CR LF.
void AppendStyleFooterStart(std::string& out, bool allOnLastPage, bool tailAfterBody);
inline constexpr std::string_view kStyleFooterEnd = "</表尾>";
inline constexpr std::string_view kStyleEnd = "</表格></格式>";

// ---- Data document writers ----

// Declaration, 数据, 任务, 页眉, 标题 and 单据号, each + CR LF.
void AppendDataHead(std::string& out, std::string_view headerText, std::string_view title,
                    std::string_view receiptNo, std::string_view primaryKeyValues,
                    std::string_view cardnumAndValue);
inline constexpr std::string_view kDataHeaderStart = "<表头>\r\n";
inline constexpr std::string_view kDataHeaderEnd = "</表头>";
inline constexpr std::string_view kDataFooterStart = "<表尾>";
inline constexpr std::string_view kDataFooterEnd = "</表尾>";
inline constexpr std::string_view kDataBodyEnd = "</表体>";
// <字段 名字='name'>value</字段>; both escaped.
void AppendDataField(std::string& out, std::string_view name, std::string_view value);
// <表体> CR LF <表体头> CR LF, the titles as 单元 (tabs become CR LF), </表体头> CR LF.
void AppendDataBodyHead(std::string& out, const std::vector<std::string>& titles);
// <单元>text</单元>, text escaped.
void AppendDataCell(std::string& out, std::string_view text);
inline constexpr std::string_view kDataRowStart = "<表体行>";
inline constexpr std::string_view kDataSumRowStart = "<表体行 SumRow='1'>";
inline constexpr std::string_view kDataRowEnd = "</表体行>";
inline constexpr std::string_view kDataGroupStart = "<分单>";
inline constexpr std::string_view kDataGroupEnd = "</分单>";
inline constexpr std::string_view kDataTailStart = "<表体尾>";
inline constexpr std::string_view kDataTailEnd = "</表体尾>";
// <页脚 图片='公司LOGO'>text</页脚>.
void AppendDataPageFooter(std::string& out, std::string_view footText);
// <图片 名字='name' 数据='base64'/>.
void AppendDataPicture(std::string& out, std::string_view name, std::string_view base64);
inline constexpr std::string_view kDataEnd = "</任务>\r\n</数据>";

// Cell references and running sums the control resolves.
std::string CellReference(std::int32_t row, std::string_view column);  // "%G:r,##col##%"
std::string PageSumCell(std::string_view format);                      // "%PAGE_SUM_F%[f]"
std::string SubTotalCell(std::string_view format);                     // "%SUB_TOTAL_F%[f]"

}  // namespace cavra
