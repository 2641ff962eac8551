#include "print/print_format.h"

#include <cstdio>

#include "cavra/font.h"
#include "cavra/variant.h"
#include "core/global_helpers.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

void Attr(std::string& out, std::string_view name, std::string_view value) { AppendAttribute(out, name, value); }
void Attr(std::string& out, std::string_view name, std::int32_t value) {
  Attr(out, name, std::to_string(value));
}

void FontAttrs(std::string& out, const FontAttributes& f, bool withName, bool withSize) {
  if (withName) Attr(out, "字体名", f.name);
  if (withSize) Attr(out, "字体大小", f.size);
}

std::int32_t IntOf(std::string_view text) {
  const std::string t = vb::Trim(text);
  if (t.empty() || !IsNumeric(Variant(t))) return 0;
  std::int32_t n = 0;
  try {
    n = CLng(Variant(t));
  } catch (...) {
    n = 0;
  }
  return n;
}

}  // namespace

std::string_view YesNo(bool yes) noexcept { return yes ? "是" : "否"; }

void AppendEscaped(std::string& out, std::string_view text) {
  // Plain runs are copied whole: a char-by-char append dominates long documents.
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find_first_of("&<>'", from);
    out.append(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (at == std::string_view::npos) return;
    switch (text[at]) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += "&apos;"; break;
    }
    from = at + 1;
  }
}

void AppendAttribute(std::string& out, std::string_view name, std::string_view value) {
  out += ' ';
  out += name;
  out += "='";
  AppendEscaped(out, value);
  out += '\'';
}

std::string PlainPunctuation(std::string text) {
  text = vb::Replace(text, "，", ",");
  text = vb::Replace(text, "“", "\"");
  text = vb::Replace(text, "”", "\"");
  text = vb::Replace(text, "‘", "'");
  return vb::Replace(text, "’", "'");
}

std::string EscapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(out, text);
  return out;
}

std::string TenthMm(std::int32_t twips) { return TwipToPrintUnit(twips); }

std::string TopLeft(std::int32_t xTwips, std::int32_t yTwips) {
  return TenthMm(xTwips) + "," + TenthMm(yTwips);
}

std::string ColorText(std::int32_t color) { return ColorToHtml(color); }

std::string_view PrintPositionWord(std::int32_t code) noexcept {
  switch (code) {
    case 1: return "第一页";
    case 2: return "最后一页";
    case 3: return "除第一页";
    case 4: return "除最后一页";
    case 5: return "单页";
    case 6: return "双页";
    case 7: return "不打印";
    case 8: return "第一页(整单)";
    case 9: return "最后一页(整单)";
    default: return "打印";
  }
}

std::string_view ScaleModeText(std::string_view code) {
  switch (IntOf(code)) {
    case 1: return "自动放大";
    case 2: return "自动缩小";
    case 3: return "按图比例缩放";
    case 4: return "按框比例缩放";
    default: return "原始大小";
  }
}

std::string_view BorderText(std::int32_t border) noexcept {
  switch (border) {
    case 0: return " 边框='0' ";
    case 1: return " 边框='0x1F' 垂直对齐='中' ";
    case 2: return " 边框='0' 下标线='是' ";
    default: return " ";
  }
}

std::string_view ItemAlignmentText(std::string_view reserve2, std::int32_t fieldType) noexcept {
  if (!reserve2.empty() && reserve2 != "0") {
    if (reserve2 == "1") return " 对齐方式='左' ";
    if (reserve2 == "2") return " 对齐方式='中' ";
    return " 对齐方式='右' ";
  }
  return fieldType == 1 || fieldType == 5 ? " 对齐方式='左' " : " 对齐方式='右' ";
}

std::string_view ColumnAlignmentWord(std::string_view reserve2, std::int32_t fieldType) noexcept {
  const std::string_view text = ItemAlignmentText(reserve2, fieldType);
  if (text == " 对齐方式='左' ") return "左,";
  if (text == " 对齐方式='中' ") return "中,";
  return "右,";
}

std::string_view LabelAlignmentText(std::int32_t alignment) noexcept {
  switch (alignment) {
    case 1: return " 对齐方式='左' ";
    case 2: return " 对齐方式='中' ";
    case 3: return " 对齐方式='右' ";
    default: return "";
  }
}

namespace {
std::int32_t BarcodeStandard(std::string_view name) {
  const std::string n = vb::UCase(name);
  if (n == "CODE39") return 1;
  if (n == "EAN-13") return 2;
  if (n == "EAN-8") return 3;
  if (n == "PDF417") return 4;
  return 0;  // CODE128 and any name we do not know
}
}  // namespace

std::int32_t BarcodeMark(std::string_view printInterval) {
  if (!vb::Contains(printInterval, ":")) return -1;
  const auto parts = vb::Split(printInterval, ":");
  if (parts.size() >= 3 && vb::EqualsNoCase(parts[0], "BARCODE") && parts[1] == "1") {
    const std::int32_t format = parts.size() >= 4 ? IntOf(parts[3]) : 0;
    return format + 16 * BarcodeStandard(parts[2]);
  }
  return 0;
}

FontAttributes DecodeFont(std::string_view fontString) {
  clsFont font;
  try {
    font.FontString(std::string(fontString));
  } catch (...) {
    // A font text whose numbers do not convert keeps the defaults.
  }
  FontAttributes f;
  f.name = font.FontName;
  f.size = font.FontSize;
  f.bold = font.FontBold;
  f.italic = font.FontItalic;
  f.underline = font.FontUnderLine;
  f.color = font.FontColor;
  return f;
}

std::string TypeAttributes(std::string_view fieldTypeText, bool upcase, bool fieldType5, bool captionPrints,
                           bool forHeaderItem) {
  std::string out;
  const auto colon = vb::Split(fieldTypeText, ":");
  if (colon.size() >= 3 && vb::EqualsNoCase(colon[0], "BARCODE") && colon[1] == "1") {
    out = " 类型='15' 编码标准='" + EscapeText(colon[2]) + "' 编码格式='" +
          EscapeText(colon.size() >= 4 && !colon[3].empty() ? std::string_view(colon[3]) : "0") + "' ";
  } else {
    const auto comma = vb::Split(fieldTypeText, ",");
    const std::string first = comma.empty() ? std::string() : comma[0];
    const std::string second = comma.size() >= 2 ? comma[1] : std::string();
    if (first == "1") {
      const char* type = upcase ? (fieldType5 ? "20" : "5") : (fieldType5 ? "2" : "1");
      out = std::string("类型='") + type + "' 套打='是' 标题宽度='" + EscapeText(second) + "'";
    } else if (upcase) {
      const char* type = fieldType5 ? "20" : (second == "999" ? "10" : "5");
      out = std::string("类型='") + type + "'";
    } else {
      out = "类型='0'";
    }
  }
  if (forHeaderItem && !captionPrints && !vb::Contains(out, "套打='是'")) out += " 套打='是'";
  return out;
}

bool IsBodyColumnToken(std::string_view code) noexcept {
  return code == "3" || code == "4" || code == "5" || code == "6" || code == "9" || code == "10" ||
         code == "11" || code == "12";
}

std::string TokenTypeAttributes(std::string_view code, bool upcase, std::int32_t column) {
  struct Row {
    std::string_view code, set, clear;
  };
  static constexpr Row kTable[] = {
      {"3", "6", "7"},   {"4", "8", "9"},    {"5", "11", "12"},  {"6", "13", "14"},
      {"9", "13", "14"}, {"10", "11", "12"}, {"11", "18", "19"}, {"12", "16", "17"},
      {"7", "5", "0"},   {"8", "10", "0"},   {"13", "10", "0"},  {"14", "5", "0"},
  };
  for (const Row& row : kTable) {
    if (row.code != code) continue;
    std::string out = " 类型='" + std::string(upcase ? row.set : row.clear) + "'";
    if (IsBodyColumnToken(code)) out += " 对应列号='" + std::to_string(column) + "'";
    return out + " ";
  }
  return {};
}

std::string DisableTypeAttribute(std::string_view typeAttributes) {
  return vb::Replace(typeAttributes, "类型=", "类1型=");
}

PageBandLine ParsePageBand(std::string_view packed) {
  PageBandLine band;
  band.text = GetTextLine(packed, 0);
  band.font = DecodeFont(GetTextLine(packed, 1));
  band.position = GetTextLine(packed, 2);
  band.alignment = GetTextLine(packed, 3);
  band.picture = GetTextLine(packed, 4) == "1";
  band.pictureRight = GetTextLine(packed, 5) == "1";
  band.scaleMode = GetTextLine(packed, 6);
  return band;
}

GridStyle ParseGridStyle(std::string_view packed) {
  GridStyle style;
  const auto parts = vb::Split(packed, "@");
  if (parts.size() == 4) {
    style.border = parts[0];
    style.width = parts[1];
    style.font = parts[2];
    style.rowHeight = parts[3];
  }
  return style;
}

std::string GetEnvString(std::string_view printSetting, std::int32_t index, std::string_view fallback) {
  std::string_view text = printSetting;
  const std::size_t at = text.find(kListSeparator);
  if (at != std::string_view::npos) text = text.substr(at + kListSeparator.size());
  const auto parts = vb::Split(text, "|");
  if (index < 0 || static_cast<std::size_t>(index) >= parts.size()) return std::string(fallback);
  return parts[static_cast<std::size_t>(index)];
}

std::string DefaultPrintSettingBlock(bool horzTile, std::int32_t barcodeMultiple,
                                     std::string_view footHeaderFont) {
  std::string out = "<打印设置 打印范围 = '全部' 打印份数 = '1' 压缩 = '否' ";
  if (horzTile) out += "横向平铺='是'";
  out += " 条码长度='" + std::to_string(barcodeMultiple) + "' 多任务强制分页 = '是' 分单小计转合计='";
  out += YesNo(footHeaderFont == "1");
  out += "'/>";
  out += kCrLf;
  out += "<纸张设置 纸张类型='9' 纸张大小='2100,2970' 打印方向='纵向' 页边距='180,200,180,200'/>";
  out += kCrLf;
  return out;
}

void AppendDocumentHead(std::string& out) {
  out += kDocumentHead;
  out += kCrLf;
}

void AppendStyleFormatStart(std::string& out, std::string_view appName) {
  out += "<格式 版本='2.0' 来源='单据'";
  Attr(out, "语言", vb::LCase(appName));
  out += '>';
  out += kCrLf;
}

void AppendStyleTableStart(std::string& out, bool flowMode) {
  out += "<表格";
  Attr(out, "流式打印", YesNo(flowMode));
  out += '>';
}

void AppendStylePageHeader(std::string& out, const PageBandLine& band) {
  out += "<页眉 高='100'";
  Attr(out, "颜色", ColorText(band.font.color));
  FontAttrs(out, band.font, true, true);
  Attr(out, "粗体", YesNo(band.font.bold));
  Attr(out, "打印", band.position);
  Attr(out, "对齐方式", band.alignment);
  Attr(out, "图片", YesNo(band.picture));
  Attr(out, "缩放模式", ScaleModeText(band.scaleMode));
  Attr(out, "图片居右", YesNo(band.pictureRight));
  Attr(out, "斜体", YesNo(band.font.italic));
  out += "/>";
  out += kCrLf;
}

void AppendStylePageFooter(std::string& out, const PageBandLine& band) {
  out += "<页脚 高='170'";
  FontAttrs(out, band.font, true, true);
  Attr(out, "粗体", YesNo(band.font.bold));
  Attr(out, "斜体", YesNo(band.font.italic));
  Attr(out, "下划线", YesNo(band.font.underline));
  Attr(out, "打印", band.position);
  Attr(out, "对齐方式", band.alignment);
  Attr(out, "图片", YesNo(band.picture));
  Attr(out, "缩放模式", ScaleModeText(band.scaleMode));
  Attr(out, "图片居右", YesNo(band.pictureRight));
  Attr(out, "颜色", ColorText(band.font.color));
  out += "/>";
  out += kCrLf;
}

void AppendStyleTitle(std::string& out, const clsBillInformation& bill) {
  std::int32_t height = IntOf(bill.sSelftDef2);
  if (height <= 0) height = 345;
  const FontAttributes font = DecodeFont(bill.sFontState);
  out += "<标题";
  Attr(out, "左顶点", TopLeft(bill.nTitleLeft, bill.nTitleTop));
  Attr(out, "高", TenthMm(height + 150));
  out += " 宽='0' 对齐方式='中'";
  FontAttrs(out, font, true, true);
  Attr(out, "粗体", YesNo(font.bold));
  Attr(out, "斜体", YesNo(font.italic));
  Attr(out, "下划线", YesNo(font.underline));
  Attr(out, "颜色", ColorText(font.color));
  out += "/>";
}

std::string ItemCaption(const clsItemState& item) {
  return item.sCardFormula1.empty() ? item.sCardItemName : item.sCardFormula1;
}

void AppendStyleItemField(std::string& out, const clsItemState& item) {
  const bool captionPrints = item.bPrintCaption || item.ReserveSegTitlePos;
  const std::string caption = ItemCaption(item);
  const FontAttributes font = DecodeFont(item.sFontState);
  out += "<字段 ";
  out += TypeAttributes(item.sPrintInterval, item.bPrintUpcase, item.nFieldType == 5, captionPrints, true);
  if (captionPrints) Attr(out, "名字", caption);
  Attr(out, "关键字", caption + "(" + item.sFieldName + ")");
  FontAttrs(out, font, true, true);
  Attr(out, "粗体", YesNo(font.bold));
  Attr(out, "下划线", YesNo(font.underline));
  Attr(out, "斜体", YesNo(font.italic));
  Attr(out, "左顶点", TopLeft(item.nCOX, item.nCOY));
  Attr(out, "宽", TenthMm(item.nwidth));
  Attr(out, "高", TenthMm(item.nheight));
  Attr(out, "颜色", ColorText(font.color));
  out += BorderText(item.nBorder());
  Attr(out, "打印", item.sPrintPosition);
  out += ItemAlignmentText(item.Reserve2, item.nFieldType);
  out += "/>";
  out += kCrLf;
}

void AppendStyleLabelField(std::string& out, const LabelStyle& label) {
  const std::string name = "文本" + std::to_string(label.number);
  out += "<字段";
  if (label.picture) {
    Attr(out, "名字", name);
    out += " 图片='是' ";
    Attr(out, "缩放模式", ScaleModeText(label.scaleMode));
    Attr(out, "图片居右", YesNo(label.pictureRight));
  } else {
    Attr(out, "关键字", name);
  }
  Attr(out, "粗体", YesNo(label.font.bold));
  Attr(out, "下划线", YesNo(label.font.underline));
  Attr(out, "斜体", YesNo(label.font.italic));
  Attr(out, "左顶点", TopLeft(label.x, label.y));
  Attr(out, "宽", TenthMm(label.width));
  Attr(out, "高", TenthMm(label.height));
  Attr(out, "颜色", ColorText(label.font.color));
  out += BorderText(label.border);
  Attr(out, "打印", PrintPositionWord(label.positionCode));
  out += LabelAlignmentText(label.alignment);
  out += ' ';
  out += label.tokenType.empty() ? label.typeAttributes : DisableTypeAttribute(label.typeAttributes);
  out += label.tokenType;
  out += "/>";
  out += kCrLf;
}

void AppendStyleBodyStart(std::string& out, const clsBillInformation& bill, const BodyColumnLists& lists) {
  out += "<表体";
  Attr(out, "左顶点", TopLeft(bill.nBodyLeft, bill.nBodyTop));
  Attr(out, "宽", bill.nAutoCalcWidth != 0 ? std::string("0") : TenthMm(bill.nBodyWidth));
  Attr(out, "高", bill.nAutoCalcHeight != 0 ? std::string("0") : TenthMm(bill.nBodyHeight));
  Attr(out, "固定行数", bill.nPrnRows);
  Attr(out, "列宽", lists.widths);
  Attr(out, "条码", lists.barcodes);
  Attr(out, "字段类型", lists.types.empty() ? std::string_view("10") : std::string_view(lists.types));
  Attr(out, "字段大小", lists.sizes.empty() ? std::string_view("255") : std::string_view(lists.sizes));
  Attr(out, "字段名称", lists.names);
  out += '>';
  out += kCrLf;
}

namespace {
void GridBorder(std::string& out, const GridStyle& style) {
  Attr(out, "边框风格", style.border);
  Attr(out, "边框宽度", style.width);
  Attr(out, "行高", style.rowHeight);
}
}  // namespace

void AppendStyleBodyHead(std::string& out, const GridStyle& style, std::string_view alignment) {
  const FontAttributes font = DecodeFont(style.font);
  out += "<表体头";
  Attr(out, "对齐方式", alignment);
  GridBorder(out, style);
  FontAttrs(out, font, true, true);
  Attr(out, "粗体", YesNo(font.bold));
  Attr(out, "斜体", YesNo(font.italic));
  Attr(out, "下划线", YesNo(font.underline));
  Attr(out, "颜色", ColorText(font.color));
  out += "/>";
}

void AppendStyleBodyRow(std::string& out, const GridStyle& style, std::string_view alignment) {
  const FontAttributes font = DecodeFont(style.font);
  out += "<表体行";
  GridBorder(out, style);
  FontAttrs(out, font, true, false);
  Attr(out, "对齐方式", alignment);
  FontAttrs(out, font, false, true);
  Attr(out, "粗体", YesNo(font.bold));
  Attr(out, "斜体", YesNo(font.italic));
  Attr(out, "下划线", YesNo(font.underline));
  Attr(out, "颜色", ColorText(font.color));
  out += "/>";
}

void AppendStyleBodyTail(std::string& out, const GridStyle& style, std::string_view alignment,
                         std::int32_t pageTotal) {
  const FontAttributes font = DecodeFont(style.font);
  out += "<表体尾";
  GridBorder(out, style);
  FontAttrs(out, font, true, false);
  Attr(out, "对齐方式", alignment);
  FontAttrs(out, font, false, true);
  out += ' ';
  if (pageTotal == 2) out += "合计行='1' 打印='最后一表' ";
  out += "颜色='" + ColorText(font.color) + "'";
  out += "/>";
}

void AppendStyleFooterStart(std::string& out, bool allOnLastPage, bool tailAfterBody) {
  out += "<表尾 字体名='宋体' 字体大小='9' 颜色='#800000'  ";
  if (allOnLastPage) out += " 打印='最后一页' ";
  out += " 紧贴表体='";
  out += YesNo(tailAfterBody);
  out += "'>";
  out += kCrLf;
}

void AppendDataHead(std::string& out, std::string_view headerText, std::string_view title,
                    std::string_view receiptNo, std::string_view primaryKeyValues,
                    std::string_view cardnumAndValue) {
  AppendDocumentHead(out);
  out += "<数据>";
  out += kCrLf;
  out += "<任务>";
  out += kCrLf;
  out += "<页眉 图片='公司LOGO'>";
  AppendEscaped(out, headerText);
  out += "</页眉>";
  out += kCrLf;
  out += "<标题>";
  AppendEscaped(out, vb::Replace(title, "\\n", "\r\n"));
  out += "</标题>";
  out += kCrLf;
  out += "<单据号>";
  AppendEscaped(out, receiptNo);
  out += kListSeparator;
  AppendEscaped(out, primaryKeyValues);
  if (!cardnumAndValue.empty()) {
    out += kListSeparator;
    AppendEscaped(out, cardnumAndValue);
  }
  out += "</单据号>";
  out += kCrLf;
}

void AppendDataField(std::string& out, std::string_view name, std::string_view value) {
  out += "<字段 名字='";
  AppendEscaped(out, name);
  out += "'>";
  AppendEscaped(out, value);
  out += "</字段>";
}

void AppendDataBodyHead(std::string& out, const std::vector<std::string>& titles) {
  out += "<表体>";
  out += kCrLf;
  out += "<表体头>";
  out += kCrLf;
  for (const std::string& title : titles) AppendDataCell(out, vb::Replace(title, "\t", "\r\n"));
  out += "</表体头>";
  out += kCrLf;
}

void AppendDataCell(std::string& out, std::string_view text) {
  out += "<单元>";
  AppendEscaped(out, text);
  out += "</单元>";
}

void AppendDataPageFooter(std::string& out, std::string_view footText) {
  out += "<页脚 图片='公司LOGO'>";
  AppendEscaped(out, footText);
  out += "</页脚>";
}

void AppendDataPicture(std::string& out, std::string_view name, std::string_view base64) {
  out += "<图片 名字='";
  AppendEscaped(out, name);
  out += "' 数据='";
  AppendEscaped(out, base64);
  out += "'/>";
}

std::string CellReference(std::int32_t row, std::string_view column) {
  return "%G:" + std::to_string(row) + ",##" + std::string(column) + "##%";
}

std::string PageSumCell(std::string_view format) { return "%PAGE_SUM_F%[" + std::string(format) + "]"; }

std::string SubTotalCell(std::string_view format) { return "%SUB_TOTAL_F%[" + std::string(format) + "]"; }

}  // namespace cavra
