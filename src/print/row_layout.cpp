#include "print/row_layout.h"

#include <cmath>
#include <pugixml.hpp>

#include "cavra/recordset.h"
#include "cavra/sql_text.h"
#include "cavra/variant.h"
#include "core/global_helpers.h"
#include "core/resources.h"
#include "core/trace_log.h"
#include "data/field_values.h"
#include "data/voucher_documents.h"
#include "platform/vbstring.h"
#include "platform/xml.h"
#include "print/print_format.h"
#include "template/item_metadata.h"

namespace cavra {
namespace {

constexpr std::string_view kPictureCaption = "存货图片";
constexpr std::string_view kPictureCell = "<单元 图片='存货图片'></单元>";
constexpr std::string_view kPictureCaptionCell = "<单元 >存货图片</单元>";
constexpr std::string_view kReferenceEnd = "##%";

// Lengths and codes may be stored as decimals; CLng rounds half to even,
// which is what nearbyint does in the default rounding mode.
std::int32_t IntAttr(const pugi::xml_node& e, const char* name) {
  const double v = e.attribute(name).as_double(0.0);
  if (!std::isfinite(v) || std::fabs(v) > 2147483647.0) return 0;
  return static_cast<std::int32_t>(std::nearbyint(v));
}

bool FlagAttr(const pugi::xml_node& e, const char* name) {
  const std::string v = vb::Trim(e.attribute(name).value());
  return vb::EqualsNoCase(v, "true") || (!v.empty() && IntAttr(e, name) != 0);
}

// The column named by a "%G:-1,##col##%" text; empty when it is none.
std::string ReferencedColumn(std::string_view text) {
  const std::size_t start = text.find(kCurrentRowReference);
  if (start == std::string_view::npos) return {};
  const std::size_t from = start + kCurrentRowReference.size();
  const std::size_t end = text.rfind(kReferenceEnd);
  if (end == std::string_view::npos || end < from) return {};
  return std::string(text.substr(from, end - from));
}

struct Cell {
  bool picture = false;
  std::string text;
  std::string column;                    // of a current-row reference
  const clsItemState* item = nullptr;    // the template item of column
};

void AppendCellText(std::string& out, const Cell& cell, std::string_view text) {
  if (cell.picture) {
    out += kPictureCell;
  } else {
    AppendDataCell(out, text);
  }
}

void AppendHeaderRow(std::string& out, const std::vector<Cell>& cells) {
  out += "<表体>";
  out += kCrLf;
  out += "<表体头>";
  out += kCrLf;
  for (const Cell& cell : cells) {
    if (cell.picture) {
      out += kPictureCaptionCell;
    } else if (!cell.column.empty()) {
      AppendDataCell(out, cell.item ? ItemCaption(*cell.item) : cell.column);
    } else {
      AppendDataCell(out, cell.text);
    }
  }
  out += "</表体头>";
  out += kCrLf;
}

enum class Summary { kPageSum, kSubTotal, kTotal };

void AppendSummaryRow(std::string& out, const std::vector<Cell>& cells, Summary kind, RowLayoutVoucher& voucher) {
  out += kDataTailStart;
  for (const Cell& cell : cells) {
    if (cell.picture) {
      out += kPictureCell;
    } else if (cell.item && cell.item->nNeedSum != 0) {
      switch (kind) {
        case Summary::kPageSum: AppendDataCell(out, PageSumCell(cell.item->sFormatData)); break;
        case Summary::kSubTotal: AppendDataCell(out, SubTotalCell(cell.item->sFormatData)); break;
        case Summary::kTotal: AppendDataCell(out, voucher.ColumnTotal(*cell.item)); break;
      }
    } else {
      out += "<单元></单元>";
    }
  }
  out += kDataTailEnd;
}

}  // namespace

// ---- Reading the definition ----

std::string RowLayoutDefinitionSql(std::int32_t templateId, std::string_view billNo, std::string_view language) {
  return std::string(" select vt_RowLayoutXML from  vouchertemplates_lang ") + " where  vt_id=" +
         SqlLiteral(std::to_string(templateId)) + " and vt_cardNUmber=" + SqlLiteral(billNo) +
         " and localeid=" + SqlLiteral(language);
}

bool RowLayout::Prepare(IDataSource* source, const clsBillInformation& bill, std::string_view language,
                               RowLayoutVoucher& voucher) {
  loaded_ = false;
  if (source == nullptr) return false;
  try {
    std::string errText;
    const RecordsetPtr rs = source->GetRsBySql(RowLayoutDefinitionSql(bill.nID, bill.sBillNo, language), errText);
    if (!rs || !rs->IsOpen() || rs->Eof()) return false;
    const Variant& value = rs->Value("vt_RowLayoutXML");
    if (value.IsNull() || value.IsEmpty()) return false;
    std::string definition = CStr(value);
    if (vb::Trim(definition).empty()) return false;
    return Load(std::move(definition), language, voucher);
  } catch (...) {
    Trace(InfoMessage("PreParePrint", "row layout skipped: " + CurrentErrorInfo().second));
    loaded_ = false;
    return false;
  }
}

bool RowLayout::Load(std::string definition, std::string_view language, RowLayoutVoucher& voucher) {
  loaded_ = false;
  style_fields_.clear();
  row_template_.clear();
  UTLCase(definition, false);
  pugi::xml_document doc;
  if (!xml::Load(doc, definition)) return false;
  const pugi::xml_node root = doc.child("voucher");
  const pugi::xml_node panel = root.child("template");
  if (!panel) return false;
  width_ = IntAttr(panel, "vt_width");
  height_ = IntAttr(panel, "vt_height");
  print_caption_ = FlagAttr(panel, "printrowcaption");

  std::vector<ItemPtr> panelItems;
  for (const pugi::xml_node e : root.child("head").children("item")) {
    if (ItemPtr item = ItemStateFromXmlNode(e)) panelItems.push_back(std::move(item));
  }
  auto itemOf = [&](std::string_view field) -> const clsItemState* {
    for (const ItemPtr& item : panelItems) {
      if (vb::EqualsNoCase(item->sFieldName, field)) return item.get();
    }
    return voucher.Item(field);
  };

  const std::string lang = vb::LCase(language);
  std::int32_t n = 0;
  for (const pugi::xml_node label : root.child("fixlabel").children()) {
    if (label.type() != pugi::node_element) continue;
    if (vb::LCase(label.attribute("localeid").value()) != lang) continue;
    ++n;
    const FontAttributes font = DecodeFont(label.attribute("fontstate").value());
    const std::int32_t packed = IntAttr(label, "nborder");
    const std::int32_t borderLine = IntAttr(label, "nborderline");
    const std::string field = label.attribute("scol").value();
    const clsItemState* item = field.empty() ? nullptr : itemOf(field);

    std::string text = label.attribute("text").value();
    std::string column;
    if (IntAttr(label, "nactiontext") != 0) {
      if (IntAttr(label, "nactionsource") == 2) {
        column = field;
      } else {
        text = item ? voucher.HeaderValue(*item) : std::string();
      }
    } else {
      column = ReferencedColumn(text);
    }
    text = PlainPunctuation(std::move(text));
    const std::string trimmed = vb::Trim(text);
    if (vb::EqualsNoCase(trimmed, "rownumber") || trimmed == "行号") text = kRowNumberToken;
    const bool picture = vb::Contains(text, kInventoryPictureMark);

    std::string& out = style_fields_;
    out += "<字段";
    AppendAttribute(out, "名字", "文本" + std::to_string(n));
    if (picture) {
      out += " 图片='是' ";
      AppendAttribute(out, "缩放模式", ScaleModeText(label.attribute("scalemode").value()));
      AppendAttribute(out, "图片居右", YesNo(FlagAttr(label, "pictureright")));
    }
    AppendAttribute(out, "字体名", font.name);
    AppendAttribute(out, "字体大小", std::to_string(font.size));
    AppendAttribute(out, "粗体", YesNo(font.bold));
    AppendAttribute(out, "下划线", YesNo(font.underline));
    AppendAttribute(out, "斜体", YesNo(font.italic));
    AppendAttribute(out, "左顶点", TopLeft(IntAttr(label, "x"), IntAttr(label, "y")));
    AppendAttribute(out, "宽", TenthMm(IntAttr(label, "width")));
    AppendAttribute(out, "高", TenthMm(IntAttr(label, "height")));
    AppendAttribute(out, "颜色", ColorText(font.color));
    out += BorderText(packed % 10);
    if (borderLine != 0) out += " 边框宽度='" + std::to_string(borderLine) + "' 垂直对齐='中' ";
    AppendAttribute(out, "打印", PrintPositionWord(packed / 10));
    out += ' ';
    out += TypeAttributes(label.attribute("printinterval").value(), FlagAttr(label, "printupcase"),
                          item != nullptr && item->nFieldType == 5, false, false);
    out += "/>";
    out += kCrLf;

    if (picture) {
      row_template_ += kPictureCell;
    } else if (!column.empty()) {
      AppendDataCell(row_template_, std::string(kCurrentRowReference) + column + std::string(kReferenceEnd));
    } else {
      AppendDataCell(row_template_, text);
    }
  }
  loaded_ = true;
  return true;
}

void RowLayout::StylePart(std::string& style) const {
  if (!loaded_) return;
  style += "<自定义表体 是否启用='是' 打印表头='";
  style += YesNo(print_caption_);
  style += "'  行宽='" + TenthMm(width_) + "' 行高='" + TenthMm(height_) + "'>";
  style += style_fields_;
  style += "</自定义表体>";
}

void RowLayout::AppendDataBody(std::string& data, const clsBillInformation& bill,
                                     RowLayoutVoucher& voucher) const {
  AppendRowLayoutBody(data, row_template_, bill, voucher);
}

// ---- Data rows ----

void AppendRowLayoutBody(std::string& data, std::string_view rowTemplate, const clsBillInformation& bill,
                         RowLayoutVoucher& voucher) {
  std::string wrapped = "<数据>";
  wrapped += kCrLf;
  wrapped += rowTemplate;
  wrapped += kCrLf;
  wrapped += "</数据>";
  pugi::xml_document doc;
  const xml::LoadResult loaded = xml::Load(doc, wrapped);
  std::vector<Cell> cells;
  if (loaded) {
    for (const pugi::xml_node e : doc.document_element().children()) {
      if (e.type() != pugi::node_element) continue;
      Cell cell;
      cell.picture = std::string_view(e.attribute("图片").value()) == kPictureCaption;
      cell.text = e.text().get();
      cell.column = ReferencedColumn(cell.text);
      if (!cell.column.empty()) cell.item = voucher.Item(cell.column);
      cells.push_back(std::move(cell));
    }
  } else {
    WriteTraceLog(std::string(kRowTemplateErrorLog) + loaded.reason);
  }
  AppendHeaderRow(data, cells);
  if (loaded) {
    const bool numbered = rowTemplate.find(kRowNumberToken) != std::string_view::npos;
    const std::int32_t rows = voucher.BodyRowCount();
    for (std::int32_t r = 1; r <= rows; ++r) {
      data += kDataRowStart;
      const std::string number = std::to_string(r);
      for (const Cell& cell : cells) {
        if (!cell.column.empty()) {
          // A field the template does not know has no value (as bodyText gives).
          AppendCellText(data, cell, cell.item ? voucher.BodyValue(r, *cell.item) : std::string());
        } else if (numbered && cell.text.find(kRowNumberToken) != std::string::npos) {
          AppendCellText(data, cell, vb::Replace(cell.text, kRowNumberToken, number));
        } else {
          AppendCellText(data, cell, cell.text);
        }
      }
      data += kDataRowEnd;
    }
    if (bill.nPagesubTotal != 0) AppendSummaryRow(data, cells, Summary::kPageSum, voucher);
    if (bill.sfootHeaderFont == "1") AppendSummaryRow(data, cells, Summary::kSubTotal, voucher);
    if (bill.nPageTotal == 1 || bill.nPageTotal == 2) AppendSummaryRow(data, cells, Summary::kTotal, voucher);
  }
  data += kDataBodyEnd;
}

// ---- Preparation's printer ----

namespace {

// The voucher loaded into the service, seen through the print job's template copy.
class JobVoucher final : public RowLayoutVoucher {
 public:
  JobVoucher(const PrintJob& job, VoucherDocuments& docs, FieldValues& values)
      : job_(job), docs_(docs), values_(values) {}
  const clsItemState* Item(std::string_view field) override {
    if (!job_.items) return nullptr;
    const std::string key = vb::UCase(field);
    if (const ItemPtr* found = job_.items->Find("B" + key)) return found->get();
    if (const ItemPtr* found = job_.items->Find("T" + key)) return found->get();
    return nullptr;
  }
  std::string HeaderValue(const clsItemState& item) override { return values_.HeaderValue(item); }
  std::int32_t BodyRowCount() override { return docs_.LineCount(); }
  std::string BodyValue(std::int32_t row, const clsItemState& item) override { return values_.BodyValue(item, row); }
  std::string ColumnTotal(const clsItemState& item) override { return values_.ColumnTotal(item); }

 private:
  const PrintJob& job_;
  VoucherDocuments& docs_;
  FieldValues& values_;
};

}  // namespace

void ServiceRowLayoutPrinter::WriteStyleBody(PrintJob& job) {
  const clsBillInformation& bill = *job.bill;
  JobVoucher voucher(job, docs_, values_);
  if (!layout_.Prepare(ctx_.DataSourceObject().get(), bill, GetLanguageID(), voucher)) {
    Trace(InfoMessage("PreParePrint", "row layout: no definition, the body prints as a grid"));
  }
  AppendStyleBodyStart(job.style, bill, job.lists);
  AppendStyleBodyHead(job.style, ParseGridStyle(bill.sGridStyleHead), GetEnvString(bill.sPrintSetting, 2, "中"));
  AppendStyleBodyRow(job.style, ParseGridStyle(bill.sGridStyleBody),
                     GetEnvString(bill.sPrintSetting, 3, job.lists.alignments));
  AppendStyleBodyTail(job.style, ParseGridStyle(bill.sGridStyleTotal),
                      GetEnvString(bill.sPrintSetting, 4, job.lists.alignments), bill.nPageTotal);
  layout_.StylePart(job.style);
  job.style += kStyleBodyEnd;
}

void ServiceRowLayoutPrinter::PostProcess(PrintJob& job) {
  if (!layout_.Loaded()) return;
  // Values and captions are escaped, so the first "<表体>" is the body's own.
  constexpr std::string_view kStart = "<表体>";
  const std::size_t start = job.data.find(kStart);
  if (start == std::string::npos) return;
  const std::size_t end = job.data.find(kDataBodyEnd, start);
  if (end == std::string::npos) return;
  JobVoucher voucher(job, docs_, values_);
  std::string body;
  layout_.AppendDataBody(body, *job.bill, voucher);
  job.data.replace(start, end + kDataBodyEnd.size() - start, body);
}

}  // namespace cavra
