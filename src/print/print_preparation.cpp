#include "print/print_preparation.h"

#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <unordered_map>

#include "cavra/outside.h"
#include "cavra/sql_text.h"
#include "core/global_helpers.h"
#include "core/resources.h"
#include "core/thread_state.h"
#include "core/trace_log.h"
#include "data/decimal.h"
#include "data/field_format.h"
#include "data/sorting.h"
#include "platform/vbstring.h"
#include "print/output_sink.h"
#include "print/print_count.h"
#include "print/printing.h"
#include "workflow/customer_info.h"

namespace cavra {
namespace {

constexpr std::size_t kChunk = 163840;
constexpr const char* kProcedure = "PreParePrint";
constexpr const char* kLogo = "公司LOGO";
constexpr const char* kApproval = "审批信息";

void Info(std::string_view text) { Trace(InfoMessage(kProcedure, text)); }

// Runs one step with errors skipped: a failure is logged and the caller goes on.
template <class F>
bool Step(const char* name, F&& body) noexcept {
  try {
    std::forward<F>(body)();
    return true;
  } catch (...) {
    try {
      Info(std::string(name) + " skipped: " + CurrentErrorInfo().second);
    } catch (...) {
    }
    return false;
  }
}

bool IsNumberType(std::int32_t fieldType) { return fieldType != 0 && fieldType != 1 && fieldType != 5; }

std::string TextField(Recordset& rs, std::string_view name) {
  return rs.HasField(name) ? Null2Str(rs.Value(name)) : std::string();
}
std::int32_t LongField(Recordset& rs, std::string_view name) {
  return rs.HasField(name) ? Null2Lng(rs.Value(name)) : 0;
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

bool IsSpecialQuantityField(std::string_view name) {
  return vb::EqualsNoCase(name, "FFIXDEFINEFEE2") || vb::EqualsNoCase(name, "iquantity");
}

}  // namespace

struct PrintPreparation::Builders {
  // The header and footer fields of the style and data documents; labels
  // come before items in both, whichever is written first.
  struct Part {
    std::string headerStyle, footerStyle, headerData, footerData;
  };
  Part labels, items;
  // Style fields of the footer, and how many of them print on the last page only.
  std::int32_t footerFields = 0, footerLastPage = 0;
  struct Picture {
    std::string name, data;
  };
  std::vector<Picture> pictures;
  Builders() { items.headerStyle.reserve(kChunk); }
};

PrintPreparation::PrintPreparation(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents,
                                   FieldValues& values, FieldRights& rights, CustomerInfo& customerInfo)
    : ctx_(context),
      model_(model),
      docs_(documents),
      values_(values),
      rights_(rights),
      customer_info_(customerInfo) {}

// ---------------------------------------------------------------- captions

void PrintPreparation::LoadCaptions() {
  if (!captions_[0].empty()) return;
  std::string titles;
  if (ctx_.DataSourceObject()) {
    try {
      titles = ctx_.DataSourceObject()->GetCustomerizeTotalTitle();
    } catch (...) {
      Trace("LoadGridData m_oDataSource.GetCustomerizeTotalTitle error :", CurrentErrorInfo().second);
    }
    Trace("LoadGridData 0.7:strTitles---", titles);
  } else {
    Trace("LoadGridData 0.61: m_oDataSource is nothing");
  }
  if (titles.empty()) {
    captions_[0] = GetResString("Ordra.AA.VCH.014");
    captions_[1] = GetResString("Ordra.AA.VCH.070");
    captions_[2] = GetResString("Ordra.AA.VCH.102");
  } else {
    const auto parts = vb::Split(titles, kListSeparator);
    captions_[0] = parts.size() > 0 ? parts[0] : std::string();
    captions_[1] = parts.size() > 1 ? parts[1] : std::string();
    captions_[2] = parts.size() > 2 ? parts[2] : GetResString("Ordra.AA.VCH.102");
    if (parts.size() > 3) captions_[3] = parts[3];
  }
  if (captions_[3].empty()) captions_[3] = GetResString("Cavra.VCH.PrintTotal");
}

void PrintPreparation::LanguageCaptions(const clsBillInformation& bill) {
  if (vb::EqualsNoCase(bill.sAppName, GetLanguageID()) || !ctx_.DataSourceObject()) return;
  const std::string titles = ctx_.DataSourceObject()->GetCustomerizeTotalTitle(bill.sAppName);
  if (titles.empty()) return;
  const auto parts = vb::Split(titles, kListSeparator);
  for (std::size_t i = 0; i < 4 && i < parts.size(); ++i) captions_[i] = parts[i];
}

// ---------------------------------------------------------------- print settings

std::string PrintPreparation::PrintSettingBlock(clsBillInformation& bill, const PrintRequest& request) {
  Info("打印环境变量m_sPrintEntir = " + request.printEntir);
  if (!vb::Trim(request.printEntir).empty()) {
    bill.sPrintSetting = request.printEntir;
  } else if (bill.sPrintSetting.empty()) {
    Step("PrintSetting", [&] {
      std::string kind = "PrintSetting";
      std::string id = std::to_string(bill.nID);
      const Variant v = customer_info_.GetCustomerInfo(kind, id);
      if (v.IsString()) bill.sPrintSetting = v.AsString();
    });
  }
  const std::string fallback =
      DefaultPrintSettingBlock(request.horzTile, bill.nbarcodeMultiple, bill.sfootHeaderFont);
  Info("billinfo.sPrintSetting = " + bill.sPrintSetting);
  if (vb::Trim(bill.sPrintSetting).empty()) return fallback;

  std::string block = GetEnvString(bill.sPrintSetting, 0, fallback);
  Info("GetEnvString返回的sPrintSetting = " + block);
  const std::string wrapped = "<PrintSettingData>" + block + "</PrintSettingData>";
  pugi::xml_document dom;
  const auto result =
      dom.load_buffer(wrapped.data(), wrapped.size(), pugi::parse_default, pugi::encoding_utf8);
  if (result) {
    pugi::xml_node setting = dom.child("PrintSettingData").child("打印设置");
    if (setting) {
      pugi::xml_attribute a = setting.attribute("条码长度");
      if (!a) a = setting.append_attribute("条码长度");
      a.set_value(std::to_string(bill.nbarcodeMultiple).c_str());
    }
    std::string text;
    for (pugi::xml_node child : dom.child("PrintSettingData").children()) {
      struct Writer : pugi::xml_writer {
        std::string* out;
        void write(const void* data, size_t size) override {
          out->append(static_cast<const char*>(data), size);
        }
      } writer;
      writer.out = &text;
      child.print(writer, "",
                  pugi::format_raw | pugi::format_no_declaration | pugi::format_attribute_single_quote);
      text += kCrLf;
    }
    block = text;
  } else {
    Trace("【ctlVoucher】【PreParePrint】【Info】取得打印条码长度Dom失败",
          std::string(result.description()) + " at " + std::to_string(result.offset));
  }
  return vb::Trim(block).empty() ? fallback : block;
}

// ---------------------------------------------------------------- values

ItemPtr PrintPreparation::FindItem(const PrintJob& job, const std::string& name, bool body) const {
  const ItemPtr* found = job.items->Find((body ? "B" : "T") + vb::UCase(name));
  return found ? *found : nullptr;
}

std::string PrintPreparation::HeaderDisplay(const clsItemState& item) {
  const std::string value = values_.HeaderValue(item);
  if (IsSpecialQuantityField(item.sFieldName)) return value;
  if (item.nFieldType == 5 || IsNumberType(item.nFieldType))
    return values_.FormatFieldValue(item, value, true, item.sFormatData);
  return value;
}

std::string PrintPreparation::BodyDisplay(const clsItemState& item, std::string_view stored) const {
  if (item.nFieldType == 5) return vb::Left(vb::Replace(stored, "T", " "), 19);
  if (IsNumberType(item.nFieldType) && !item.IsEnum)
    return values_.FormatFieldValue(item, stored, true, item.sFormatData);
  if (!item.IsEnum && (item.nFieldType == 0 || item.nFieldType == 1)) return std::string(stored);
  return values_.BodyCellFromStored(item, stored);
}

std::string PrintPreparation::TotalDisplay(const clsItemState& item) const {
  return values_.FormatFieldValue(item, values_.ColumnTotal(item), true, item.sFormatData);
}

std::int32_t PrintPreparation::GridColumnOf(const PrintJob& job, const std::string& name) const {
  const std::int32_t first = job.rowNumberPrints ? 1 : 0;
  for (std::size_t i = 0; i < job.columns.size(); ++i)
    if (vb::EqualsNoCase(job.columns[i]->sFieldName, name)) return first + static_cast<std::int32_t>(i);
  return -1;
}

// ---------------------------------------------------------------- labels

void PrintPreparation::WriteLabels(PrintJob& job, Builders& b, const RecordsetPtr& rsFixel,
                                   const PrintRequest& request) {
  if (!rsFixel || !rsFixel->IsOpen()) return;
  if (rsFixel->Eof() && rsFixel->Bof()) return;
  rsFixel->MoveFirst();
  std::int32_t n = 0;
  while (!rsFixel->Eof()) {
    ++n;
    Step("FixedLabel", [&] { WriteLabel(job, b, *rsFixel, n, request); });
    rsFixel->MoveNext();
  }
}

void PrintPreparation::WriteLabel(PrintJob& job, Builders& b, Recordset& rs, std::int32_t n,
                                  const PrintRequest& request) {
  const clsBillInformation& bill = *job.bill;
  LabelStyle style;
  style.number = n;
  style.font = DecodeFont(TextField(rs, "FontState"));
  const std::int32_t border = LongField(rs, "nBorder");
  style.border = border % 10;
  style.positionCode = border / 10;
  style.alignment = LongField(rs, "nAlignment");
  style.x = LongField(rs, "X");
  style.y = LongField(rs, "Y");
  style.width = LongField(rs, "Width");
  style.height = LongField(rs, "Height");
  const bool upcase = LongField(rs, "PrintUpcase") != 0;
  const std::string printInterval = TextField(rs, "PrintInterval");
  const std::int32_t actionText = LongField(rs, "nActionText");
  const std::int32_t actionSource = LongField(rs, "nActionSource");
  const std::string column = TextField(rs, "sCol");
  const std::int32_t row = LongField(rs, "nRow");
  const std::string literal = TextField(rs, "Text");

  ItemPtr item;
  bool hidden = false;
  if (actionText != 0) {
    const bool body = actionSource == 2 || actionSource == 3;
    item = FindItem(job, column, body);
    hidden = !rights_.AuthString().empty() && rights_.GetFieldRightFlag(column, body) == "N";
  }

  std::string text;
  bool formatted = false;  // a value that went through the field's format
  enum class Kind { kText, kLogo, kPrintCount, kApproval, kStoredPicture };
  Kind kind = Kind::kText;
  std::int32_t countMode = 1;
  std::string approvalFlag;

  const std::string trimmed = vb::Trim(literal);
  const bool bracket = vb::StartsWith(trimmed, "[%") && vb::EndsWith(trimmed, "%]") && trimmed.size() >= 4;
  const bool at = trimmed.size() >= 2 && trimmed.front() == '@' && trimmed.back() == '@';
  if (actionText == 0 && (bracket || at)) {
    std::string code, name;
    if (at) {
      code = "2";
      name = trimmed.substr(1, trimmed.size() - 2);
    } else {
      const std::string inner = trimmed.substr(2, trimmed.size() - 4);
      const std::size_t comma = inner.find(',');
      code = vb::Trim(inner.substr(0, comma));
      if (comma != std::string::npos) name = vb::Trim(inner.substr(comma + 1));
    }
    if (code == "1" || code == kApproval) {
      kind = Kind::kApproval;
      approvalFlag = name;
    } else if (code == "2") {
      kind = Kind::kPrintCount;
      countMode = IsNumericText(name) ? Null2Lng(Variant(name)) : 1;
    } else if (code == kLogo) {
      kind = Kind::kLogo;
    } else if (code == "0") {
      kind = Kind::kStoredPicture;
    } else if (IsBodyColumnToken(code)) {
      text = name;
      style.tokenType = TokenTypeAttributes(code, upcase, GridColumnOf(job, name));
    } else if (code == "7" || code == "8") {
      if (const ItemPtr total = FindItem(job, name, true)) text = TotalDisplay(*total);
      style.tokenType = TokenTypeAttributes(code, upcase, 0);
    } else if (code == "13" || code == "14") {
      text = CellReference(row - 1, name);
      style.tokenType = TokenTypeAttributes(code, upcase, 0);
    } else {
      return;  // a token we do not know prints nothing at all
    }
  } else if (actionText != 0) {
    switch (actionSource) {
      case 2: text = CellReference(row - 1, column); break;
      case 3:
        if (item) text = TotalDisplay(*item);
        formatted = true;
        break;
      case 4: kind = Kind::kLogo; break;
      case 5:
        kind = Kind::kPrintCount;
        countMode = row;
        break;
      case 6: kind = Kind::kApproval; break;
      default:
        if (item) text = HeaderDisplay(*item);
        formatted = true;
    }
  } else {
    text = literal;
  }

  switch (kind) {
    case Kind::kPrintCount:
      text = PrintCountText(ctx_, model_.BillInfo() ? model_.BillInfo()->sReceiptNO : std::string(),
                            bill.sBillNo, countMode, LocalDateTimeText());
      break;
    case Kind::kApproval:
      text = label_sources_.approval ? label_sources_.approval(std::to_string(bill.nID), approvalFlag) : "";
      break;
    case Kind::kStoredPicture:
      text = label_sources_.picture ? label_sources_.picture(trimmed) : "";
      break;
    default: break;
  }
  if (hidden) text.clear();
  if (formatted && !vb::StartsWith(text, "%G:")) text = PlainPunctuation(std::move(text));

  style.typeAttributes = TypeAttributes(printInterval, upcase, item && item->nFieldType == 5, true, false);
  const bool footer = style.y > bill.nBodyTop;
  std::string& styleOut = footer ? b.labels.footerStyle : b.labels.headerStyle;
  if (kind == Kind::kLogo || kind == Kind::kStoredPicture) {
    style.picture = true;
    style.scaleMode = TextField(rs, "ScaleMode");
    style.pictureRight = LongField(rs, "PictureRight") != 0;
    AppendStyleLabelField(styleOut, style);
    b.pictures.push_back({"文本" + std::to_string(n), kind == Kind::kLogo ? request.logoPicture : text});
  } else {
    AppendStyleLabelField(styleOut, style);
    AppendDataField(footer ? b.labels.footerData : b.labels.headerData, "文本" + std::to_string(n), text);
  }
  if (footer) {
    ++b.footerFields;
    if (style.positionCode == 2) ++b.footerLastPage;
  }
}

// ---------------------------------------------------------------- items

void PrintPreparation::WriteItems(PrintJob& job, Builders& b) {
  const clsBillInformation& bill = *job.bill;
  const std::int32_t headerLimit = bill.nBodyTop + bill.nBodyHeight;
  job.rowNumberPrints = bill.nPrintSeril() != 0;
  std::string widths, alignments, barcodes, fields, sizes, names;
  const ItemCollection& items = *job.items;
  for (std::int32_t i = 1; i <= items.Count(); ++i) {
    const ItemPtr& item = items.Item(i);
    if (!item || !item->showIt) continue;
    const std::string section = vb::UCase(item->sCardSection);
    Step("Item", [&] {
      if (section == "T") {
        const bool footer = item->nCOY > headerLimit;
        AppendStyleItemField(footer ? b.items.footerStyle : b.items.headerStyle, *item);
        AppendDataField(footer ? b.items.footerData : b.items.headerData,
                        ItemCaption(*item) + "(" + item->sFieldName + ")", HeaderDisplay(*item));
        if (footer) {
          ++b.footerFields;
          if (item->sPrintPosition == PrintPositionWord(2)) ++b.footerLastPage;
        }
      } else if (section == "B") {
        job.columns.push_back(item);
        names += ItemCaption(*item) + "(" + item->sFieldName + "),";
        widths += TenthMm(item->nwidth) + ",";
        alignments += ColumnAlignmentWord(item->Reserve2, item->nFieldType);
        barcodes += std::to_string(BarcodeMark(item->sPrintInterval)) + ",";
        fields += item->sFieldName + ",";
        sizes += std::to_string(item->nMaxLength) + ",";
      }
    });
  }
  if (job.rowNumberPrints) {
    const std::string title = captions_[2].empty() ? std::string("序号") : captions_[2];
    names = title + "," + names;
    widths = TenthMm(bill.nSerialNumberColWidth) + "," + widths;
    sizes = "20," + sizes;
    fields = "10," + fields;
    alignments = "左," + alignments;
    barcodes = "-1," + barcodes;
  }
  job.lists.widths = widths;
  job.lists.alignments = alignments;
  job.lists.barcodes = barcodes;
  job.lists.types = fields;  // field names until FinishColumnLists maps them to types
  job.lists.sizes = sizes;
  job.lists.names = names;
}

// ---------------------------------------------------------------- body

void PrintPreparation::WriteBody(PrintJob& job) {
  const clsBillInformation& bill = *job.bill;
  const bool haveBody = !bill.bHaveBody.empty() && bill.bHaveBody != "0";
  if (!haveBody || docs_.LineCount() == 0) return;

  // The printer's own multi-level header, when one is stored.
  std::string storedHead;
  Step("MultiTableHeader", [&] {
    if (!ctx_.DataSourceObject()) return;
    const std::string sql =
        "select top 1 fchrXmlInfo from VoucherCustomerInfo where fchrType=N'MultiTableHeader' and "
        "fchrOperator "
        "=N'#systemprinter#' and fchrVoucherType=" +
        SqlNLiteral(bill.sBillNo) + " and fchrVoucherTemplateType=" + SqlNLiteral(std::to_string(bill.nID));
    std::string err;
    const RecordsetPtr rs = ctx_.DataSourceObject()->GetRsBySql(sql, err);
    if (rs && rs->IsOpen() && rs->RecordCount() == 1) storedHead = Null2Str(rs->Value("fchrXmlInfo"));
  });
  if (!storedHead.empty()) {
    job.data += "<表体>";
    job.data += kCrLf;
    job.data += "<表体头>";
    job.data += kCrLf;
    job.data += storedHead;
    job.data += "</表体头>";
    job.data += kCrLf;
  } else {
    std::vector<std::string> titles;
    if (job.rowNumberPrints) titles.push_back(captions_[2].empty() ? std::string("序号") : captions_[2]);
    for (const ItemPtr& item : job.columns) titles.push_back(ItemCaption(*item));
    AppendDataBodyHead(job.data, titles);
  }
  Step("BodyRows", [&] { WriteBodyRows(job); });
  Step("SummaryRows", [&] { WriteSummaryRows(job); });
  job.data += kDataBodyEnd;
}

void PrintPreparation::WriteBodyRows(PrintJob& job) {
  const clsBillInformation& bill = *job.bill;
  std::vector<std::string> groupFields;
  for (const std::string& f : vb::Split(bill.sPrintGroubyFields, ","))
    if (!vb::Trim(f).empty()) groupFields.push_back(vb::Trim(f));

  std::vector<pugi::xml_node> rows;
  bool grouped = false;
  if (!groupFields.empty()) {
    try {
      std::string command;
      for (const std::string& f : groupFields) command += f + ",ascending;";
      auto copy = std::make_shared<pugi::xml_document>();
      copy->reset(*docs_.Body());
      Sorting::PrepareBodyForSort(*copy);
      const auto sorter = ctx_.Components().CreateAs<ISorter>("TolmVoucherSorter.clsVoucherSorter");
      if (!sorter->sortDOMVoucherBody("", command, copy))
        throw VbError(err::kInvalidCall, "the sorter refused " + command);
      for (pugi::xml_node row : copy->document_element().child("rs:data").children("z:row"))
        rows.push_back(row);
      job.body = copy;
      grouped = true;
    } catch (...) {
      Info("分单 skipped: " + CurrentErrorInfo().second);
      rows.clear();
    }
  }
  if (!grouped) {
    rows = docs_.BodyRows();
    job.body = docs_.Body();
  }

  std::string& out = job.data;
  // The stored values of a row are read in one pass over its attributes:
  // looking each column up by name costs a scan of the row per cell.
  std::unordered_map<std::string_view, std::size_t> columnOf;
  for (std::size_t c = 0; c < job.columns.size(); ++c) columnOf.try_emplace(job.columns[c]->sFieldName, c);
  const bool displayNames = docs_.BodyChineseData();
  std::vector<std::string_view> stored(job.columns.size());
  // Column totals for the total row, added up in the same pass (rows of the
  // outline's subtotals left out, as the service's own totals do).
  const bool totalRow = bill.nPageTotal == 1 || bill.nPageTotal == 2;
  const bool outline = model_.IsRowOutline();
  std::vector<std::size_t> summed;
  std::vector<FieldFormat> sumFormats;
  std::vector<ColumnSum> sums;
  std::vector<std::size_t> sumOfShown(job.columns.size(), job.columns.size());
  for (std::size_t c = 0; totalRow && c < job.columns.size(); ++c) {
    const clsItemState& item = *job.columns[c];
    if (item.nNeedSum == 0) continue;
    summed.push_back(c);
    sumFormats.emplace_back(item.nFieldType, item.nNumPoint(), "", false);
    sums.emplace_back();
    // Where the cell shows what the sum adds, the shown text is added rather than formatted again.
    if (IsNumberType(item.nFieldType) && !item.IsEnum &&
        FieldFormat(item.nFieldType, item.nNumPoint(), item.sFormatData, true).SameAs(sumFormats.back()))
      sumOfShown[c] = summed.size() - 1;
  }
  std::vector<std::string> shown(summed.size());

  const std::size_t bodyStart = out.size();
  job.rowsBegin = bodyStart;
  std::string previousKey;
  bool inGroup = false;
  std::int32_t line = 0;
  // Rows mostly list their attributes in the same order: the column found at
  // each position is remembered, and one name compare confirms it.
  struct Slot {
    std::string_view name;
    std::size_t column;  // job.columns.size() for an attribute that prints nowhere
    bool sumRow;
  };
  std::vector<Slot> slots;
  const std::size_t none = job.columns.size();
  auto sameName = [](const char* name, std::string_view expected) {
    return std::strncmp(name, expected.data(), expected.size()) == 0 && name[expected.size()] == '\0';
  };
  for (const pugi::xml_node& row : rows) {
    ++line;
    if (line == 2 && rows.size() > 2) out.reserve(out.size() + (out.size() - bodyStart) * (rows.size() + 1));
    std::fill(stored.begin(), stored.end(), std::string_view());
    pugi::xml_attribute sumRow;
    std::size_t position = 0;
    for (pugi::xml_attribute a = row.first_attribute(); a; a = a.next_attribute(), ++position) {
      const char* name = a.name();
      if (position >= slots.size() || !sameName(name, slots[position].name)) {
        const std::string_view key(name);
        const auto found = columnOf.find(key);
        if (position >= slots.size()) slots.resize(position + 1);
        slots[position] = Slot{key, found != columnOf.end() ? found->second : none, key == "SumRow"};
      }
      const Slot& slot = slots[position];
      if (slot.column != none && stored[slot.column].empty()) stored[slot.column] = a.value();
      if (slot.sumRow && !sumRow) sumRow = a;
    }
    if (grouped) {
      std::string key;
      for (std::size_t i = 0; i < groupFields.size(); ++i) {
        if (i) key += "***###";
        key += docs_.RowFieldView(row, groupFields[i], false);
      }
      if (!inGroup || key != previousKey) {
        if (inGroup) out += kDataGroupEnd;
        out += kDataGroupStart;
        inGroup = true;
        previousKey = std::move(key);
      }
    }
    out += sumRow ? kDataSumRowStart : kDataRowStart;
    if (job.rowNumberPrints) AppendDataCell(out, std::to_string(line));
    for (std::size_t c = 0; c < job.columns.size(); ++c) {
      const clsItemState& item = *job.columns[c];
      // Data keyed by display names: the schema names the column (not for kind-10 fields).
      if (displayNames && IsBlank(stored[c]) && !(item.nReferType() == 10 && !IsBlank(item.Reserve6)))
        stored[c] = docs_.RowFieldView(row, item.sFieldName, false);
      std::string text = BodyDisplay(item, stored[c]);
      AppendDataCell(out, text);
      if (sumOfShown[c] != job.columns.size()) shown[sumOfShown[c]] = std::move(text);
    }
    out += kDataRowEnd;
    if (!summed.empty() && !(outline && vb::Trim(sumRow.value()) == "1"))
      for (std::size_t k = 0; k < summed.size(); ++k)
        sums[k].Add(sumOfShown[summed[k]] == k ? shown[k] : sumFormats[k].Apply(stored[summed[k]]));
  }
  if (inGroup) out += kDataGroupEnd;
  job.rowsEnd = out.size();
  for (std::size_t k = 0; k < summed.size(); ++k) {
    const clsItemState& item = *job.columns[summed[k]];
    const std::string total = sumFormats[k].Apply(sums[k].total().ToString());
    column_totals_[&item] = values_.FormatFieldValue(item, total, true, item.sFormatData);
  }
}

void PrintPreparation::WriteSummaryRows(PrintJob& job) {
  const clsBillInformation& bill = *job.bill;
  auto row = [&](const std::string& caption, auto&& cellOf) {
    std::string& out = job.data;
    out += kDataTailStart;
    bool first = true;
    if (job.rowNumberPrints) {
      AppendDataCell(out, caption + ":");
      first = false;
    }
    for (const ItemPtr& item : job.columns) {
      if (first) {
        AppendDataCell(out, caption + ":");
        first = false;
      } else {
        AppendDataCell(out, item->nNeedSum != 0 ? cellOf(*item) : std::string());
      }
    }
    out += kDataTailEnd;
  };
  if (bill.nPagesubTotal != 0)
    row(captions_[0], [](const clsItemState& item) { return PageSumCell(item.sFormatData); });
  if (bill.sfootHeaderFont == "1")
    row(captions_[1], [](const clsItemState& item) { return SubTotalCell(item.sFormatData); });
  if (bill.nPageTotal == 1 || bill.nPageTotal == 2)
    row(captions_[3], [&](const clsItemState& item) {
      const auto found = column_totals_.find(&item);
      return found != column_totals_.end() ? found->second : TotalDisplay(item);
    });
}

void PrintPreparation::FinishColumnLists(PrintJob& job) {
  BodyColumnLists& lists = job.lists;
  auto trim = [](std::string& s) {
    if (!s.empty() && s.back() == ',') s.pop_back();
  };
  trim(lists.widths);
  trim(lists.alignments);
  trim(lists.barcodes);
  trim(lists.sizes);
  trim(lists.names);
  trim(lists.types);
  lists.names = vb::Replace(vb::Replace(lists.names, "\r", ""), "\n", "");

  // Field names become type codes through the body document's schema.
  std::unordered_map<std::string, std::string> declared;
  if (const DomPtr& body = docs_.Body()) {
    const pugi::xml_node schema = body->document_element().child("s:Schema");
    for (pugi::xml_node element : schema.children("s:ElementType"))
      for (pugi::xml_node at : element.children("s:AttributeType"))
        declared.try_emplace(at.attribute("name").value(), at.first_child().attribute("dt:type").value());
  }
  if (lists.types.empty()) {
    lists.types = "10";
    lists.sizes = "255";
    return;
  }
  std::string types;
  for (const std::string& field : vb::Split(lists.types, ",")) {
    const auto found = declared.find(field);
    const std::string type = vb::LCase(found == declared.end() ? std::string("string") : found->second);
    const char* code = "10";
    if (type == "float" || type == "number")
      code = "7";
    else if (type == "datetime")
      code = "8";
    if (!types.empty()) types += ',';
    types += code;
  }
  lists.types = types;
}

void PrintPreparation::WriteStyleBody(PrintJob& job) {
  const clsBillInformation& bill = *job.bill;
  if (bill.bRowLayoutEnabled && row_layout_) {
    row_layout_->WriteStyleBody(job);
    return;
  }
  if (bill.bRowLayoutEnabled) Info("row layout: no row-layout printer, the body prints as a grid");
  AppendStyleBodyStart(job.style, bill, job.lists);
  AppendStyleBodyHead(job.style, ParseGridStyle(bill.sGridStyleHead),
                      GetEnvString(bill.sPrintSetting, 2, "中"));
  AppendStyleBodyRow(job.style, ParseGridStyle(bill.sGridStyleBody),
                     GetEnvString(bill.sPrintSetting, 3, job.lists.alignments));
  AppendStyleBodyTail(job.style, ParseGridStyle(bill.sGridStyleTotal),
                      GetEnvString(bill.sPrintSetting, 4, job.lists.alignments), bill.nPageTotal);
  job.style += kStyleBodyEnd;
}

// ---------------------------------------------------------------- footer, pictures

void PrintPreparation::WriteFooter(PrintJob& job, Builders& b) {
  const clsBillInformation& bill = *job.bill;
  const bool allLast = b.footerFields > 0 && b.footerLastPage == b.footerFields;
  AppendStyleFooterStart(job.style, allLast, bill.bPrintTailAfterBody);
  job.style += b.labels.footerStyle;
  job.style += b.items.footerStyle;
  job.style += kStyleFooterEnd;
  const PageBandLine foot = ParsePageBand(bill.sFoot);
  AppendStylePageFooter(job.style, foot);
  job.style += kStyleEnd;

  job.data += kDataFooterStart;
  job.data += b.labels.footerData;
  job.data += b.items.footerData;
  job.data += kDataFooterEnd;
  AppendDataPageFooter(job.data, foot.text);
}

void PrintPreparation::WritePictures(PrintJob& job, Builders& b) {
  for (const auto& picture : b.pictures) AppendDataPicture(job.data, picture.name, picture.data);
  // The cheap conditions first: searching the whole data text costs as much as writing a column.
  if (!Thread().accountOptions.bDisplayInventoryPic || !ctx_.DataSourceObject() || !job.body) return;
  // The body rows hold escaped cells only (no quote), and begin and end with markup the mark cannot
  // straddle: the text around them is all that needs searching.
  constexpr std::string_view kMark = "图片='存货图片'";
  const std::string_view data(job.data);
  const std::size_t rowsBegin = std::min(job.rowsBegin, data.size());
  const std::size_t rowsEnd = std::clamp(job.rowsEnd, rowsBegin, data.size());
  if (data.substr(0, rowsBegin).find(kMark) == std::string_view::npos &&
      data.substr(rowsEnd).find(kMark) == std::string_view::npos)
    return;

  std::string list;
  const std::string field = model_.InventoryFieldName();
  for (pugi::xml_node row : job.body->document_element().child("rs:data").children("z:row")) {
    const std::string code = docs_.RowFieldValue(row, field, false);
    if (code.empty()) continue;
    if (!list.empty()) list += ',';
    list += SqlLiteral(code);
  }
  if (list.empty()) return;
  const std::string sql = "select p.Picture,i.cinvcode from dbo.AA_Picture p inner join " +
                          std::string(" (select pictureguid ,cinvcode from inventory where cinvcode in (") +
                          list + ")) i " + " on i.pictureguid = p.cGUID";
  std::string err;
  const RecordsetPtr rs = ctx_.DataSourceObject()->GetRsBySql(sql, err);
  if (!rs || !rs->IsOpen()) return;
  const auto coder = ctx_.Components().CreateAs<ICodeLib>("CodeRuleKit.CodeLib");
  std::string pictures;
  for (; !rs->Eof(); rs->MoveNext()) {
    std::string text;
    if (coder->Base64encode(rs->Value("Picture"), text, 0, 1) != 0) {
      Info("存货图片: a picture does not encode, no inventory picture prints");
      return;  // one picture that does not encode drops them all
    }
    AppendDataPicture(pictures, Null2Str(rs->Value("cinvcode")), text);
  }
  job.data += pictures;
}

void PrintPreparation::ReplaceDeferred(PrintJob& job) {
  for (const auto& [key, value] : job.deferred) job.data = vb::Replace(job.data, "##" + key + "##", value);
}

void PrintPreparation::DumpDocuments(const PrintJob& job) {
  const char* dir = std::getenv("CAVRA_PRINT_DUMP_DIR");
  if (!dir || !*dir) return;
  const std::filesystem::path folder(dir);
  for (const auto& file : {std::pair<const char*, const std::string*>{"tStyle.xml", &job.style},
                           std::pair<const char*, const std::string*>{"tData.xml", &job.data}}) {
    // Plain names: clang 14 cannot capture structured bindings in a lambda.
    const char* name = file.first;
    const std::string* text = file.second;
    Step("DebugDump", [&] {
      pugi::xml_document dom;
      const auto result =
          dom.load_buffer(text->data(), text->size(), pugi::parse_default, pugi::encoding_utf8);
      if (!result) Info(std::string(name) + " does not parse: " + result.description());
      Utf16FileSink sink(folder / name);
      sink.Write(*text);
      sink.Close();
    });
  }
}

// ---------------------------------------------------------------- the whole run

bool PrintPreparation::Prepare(const RecordsetPtr& rs, const RecordsetPtr& rsFixel,
                               const PrintRequest& request, std::string& style, std::string& data) {
  style.clear();
  data.clear();
  Info("开始执行... ...");
  Step("SummaryCaptions", [&] { LoadCaptions(); });

  PrintJob job;
  {
    // A scratch model reads the template: the service's own model, its
    // settings and field rights stay as they are.
    FieldRights scratchRights = rights_;
    TemplateModel scratch(ctx_, scratchRights, nullptr);
    const bool wasLoaded = Thread().templateLoaded;
    bool loaded = false;
    try {
      loaded = scratch.LoadControl(rs, job.bill, job.items, false);
    } catch (...) {
      loaded = false;
    }
    Thread().templateLoaded = wasLoaded;
    if (!loaded || !job.bill || !job.items) {
      ctx_.SetLastError(GetResString("Ordra.AA.VCH.028"));
      return false;
    }
  }
  clsBillInformation& bill = *job.bill;
  job.body = docs_.Body();
  job.style.reserve(kChunk);
  job.data.reserve(kChunk);
  Builders b;

  Step("LanguageCaptions", [&] { LanguageCaptions(bill); });
  const PageBandLine header = ParsePageBand(bill.sHeader);
  Step("DataHead", [&] {
    const BillInfoPtr& loaded = model_.BillInfo();
    AppendDataHead(job.data, header.text, bill.sTitle, loaded ? loaded->sReceiptNO : std::string(),
                   loaded ? loaded->sPrimaryKeyValues : std::string(), request.cardnumAndValue);
  });
  std::string settingBlock;
  Step("PrintSetting", [&] { settingBlock = PrintSettingBlock(bill, request); });
  if (settingBlock.empty())
    settingBlock = DefaultPrintSettingBlock(request.horzTile, bill.nbarcodeMultiple, bill.sfootHeaderFont);
  job.data += kDataHeaderStart;

  AppendDocumentHead(job.style);
  AppendStyleFormatStart(job.style, bill.sAppName);
  job.style += settingBlock;
  AppendStyleTableStart(job.style, bill.bPrintFlowMode);
  AppendStylePageHeader(job.style, header);
  AppendStyleTitle(job.style, bill);

  Step("Items", [&] { WriteItems(job, b); });  // the columns first: labels name them
  Step("FixedLabels", [&] { WriteLabels(job, b, rsFixel, request); });
  job.style += kStyleHeaderStart;
  job.style += b.labels.headerStyle;
  job.style += b.items.headerStyle;
  job.style += kStyleHeaderEnd;
  job.data += b.labels.headerData;
  job.data += b.items.headerData;
  job.data += kDataHeaderEnd;

  column_totals_.clear();
  Step("Body", [&] { WriteBody(job); });
  Step("ColumnLists", [&] { FinishColumnLists(job); });
  Step("StyleBody", [&] { WriteStyleBody(job); });
  Step("Footer", [&] { WriteFooter(job, b); });
  Step("Pictures", [&] { WritePictures(job, b); });
  job.data += kDataEnd;
  if (bill.bRowLayoutEnabled && row_layout_) Step("RowLayout", [&] { row_layout_->PostProcess(job); });
  Step("Placeholders", [&] { ReplaceDeferred(job); });
  DumpDocuments(job);
  last_column_lists_ = job.lists.types + std::string(kListSeparator) + job.lists.sizes +
                       std::string(kListSeparator) + job.lists.names;
  style = std::move(job.style);
  data = std::move(job.data);
  // The compiled pictures of the copy's items would outlive them.
  values_.ResetFormats();
  column_totals_.clear();
  return true;
}

// ---------------------------------------------------------------- Printing's side

void Printing::SetPreparation(std::shared_ptr<PrintPreparation> preparation) {
  preparation_ = std::move(preparation);
}

std::string Printing::LastColumnLists() const {
  return preparation_ ? preparation_->LastColumnLists() : std::string();
}

}  // namespace cavra
