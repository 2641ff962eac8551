// Row-layout printing: a template with bRowLayoutEnabled prints every body row
// as a small panel of labels (designed separately and stored per template,
// card and language in vouchertemplates_lang) instead of one grid row.
//
// The printer turns the definition into two things: the 自定义表体 element of
// the style document (one 字段 per label) and a row template of 单元 cells
// that the data document repeats once per body row, for the header row and
// for the summary rows.
//
// Decisions:
// - 自定义表体 is written inside the style 表体, after 表体尾 and before
//   "</表体>": the control keeps reading the body's place, column lists and
//   grid styles from 表体 and finds the panel that replaces the grid there.
// - Label text sources: "nactiontext" 0 is the literal "text"; otherwise
//   "scol" names a field, a body field ("nactionsource" 2) printing the
//   current row's value and any other source the header value. A header value
//   is formatted by the panel's own item of that field ("voucher/head/item")
//   when it has one, else by the template's item.
// - "nborderline" not 0 adds " 边框宽度='" + value + "' 垂直对齐='中' ".
// - A picture label reads its scale mode and right alignment from the
//   optional attributes "scalemode" and "pictureright" ("1"); absent, the
//   picture prints in its original size, left.
// - The header row (表体头) repeats the template with each field cell holding
//   the field's caption; literal texts, "#RowNumber#" and the picture caption
//   "存货图片" stay as they are.
// - Summary rows hold values only in the cells of summed fields (nNeedSum not
//   0); every other cell is empty, there is no caption cell.
// - Every text is escaped where it is written, so captions and values with
//   "&", "<" or "'" keep the documents well formed.
//
// - The data body replaces, after the data document is finished, the grid
//   body preparation wrote (from "<表体>" to "</表体>"); a voucher without
//   body rows has no data body in either layout. Rows print in the voucher's
//   own order: group-by fields (分单) do not apply to panels.
//
// Example (what preparation does through ServiceRowLayoutPrinter):
//   RowLayout layout;
//   if (layout.Prepare(source, bill, GetLanguageID(), voucher)) {
//     ... AppendStyleBodyTail(style, ...); layout.StylePart(style); style += kStyleBodyEnd;
//     ... layout.AppendDataBody(data, bill, voucher);       // in place of the grid body
//   }
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cavra/bill_information.h"
#include "cavra/host.h"
#include "cavra/item_state.h"
#include "core/service_context.h"
#include "data/field_values.h"
#include "data/voucher_documents.h"
#include "print/print_preparation.h"

namespace cavra {

inline constexpr std::string_view kRowNumberToken = "#RowNumber#";
inline constexpr std::string_view kCurrentRowReference = "%G:-1,##";
inline constexpr std::string_view kInventoryPictureMark = "[%0,存货图片";
inline constexpr std::string_view kRowTemplateErrorLog = "行布局模式打印来自表体或表头数据的Dom组织错误:";

// What the printer reads of the voucher being printed.
class RowLayoutVoucher {
 public:
  virtual ~RowLayoutVoucher() = default;
  // The template item of a field (header or body); null when there is none.
  virtual const clsItemState* Item(std::string_view field) = 0;
  // The display value of a header field, formatted by item.
  virtual std::string HeaderValue(const clsItemState& item) = 0;
  virtual std::int32_t BodyRowCount() = 0;
  // The display value of a body cell (bodyText) of item's field; row counted from 1.
  virtual std::string BodyValue(std::int32_t row, const clsItemState& item) = 0;
  // The formatted total of a summed body field.
  virtual std::string ColumnTotal(const clsItemState& item) = 0;
};

// The SQL text that reads the definition of the template, card and language.
std::string RowLayoutDefinitionSql(std::int32_t templateId, std::string_view billNo, std::string_view language);

class RowLayout {
 public:
  // Reads the definition through source and loads it. False (print the
  // grid) when there is none, it is empty or it does not parse; never throws.
  bool Prepare(IDataSource* source, const clsBillInformation& bill, std::string_view language,
               RowLayoutVoucher& voucher);
  // Loads a definition text (names in any case). False when it does not
  // parse or has no "voucher/template".
  bool Load(std::string definition, std::string_view language, RowLayoutVoucher& voucher);
  bool Loaded() const noexcept { return loaded_; }

  // Appends the 自定义表体 element.
  void StylePart(std::string& style) const;
  // The cells of one row as the definition gives them, "%G:-1,##" references
  // and "#RowNumber#" unresolved.
  const std::string& RowTemplate() const noexcept { return row_template_; }
  // Appends the whole data 表体: header row, one 表体行 per body row and the
  // summary rows of bill.
  void AppendDataBody(std::string& data, const clsBillInformation& bill, RowLayoutVoucher& voucher) const;

 private:
  bool loaded_ = false;
  bool print_caption_ = false;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::string style_fields_;
  std::string row_template_;
};

// The data 表体 from a row template. A template that does not parse is
// logged and gives a body without rows.
void AppendRowLayoutBody(std::string& data, std::string_view rowTemplate, const clsBillInformation& bill,
                         RowLayoutVoucher& voucher);

// Preparation's row-layout printer for a service: reads the definition of the
// template copy in the login language and lays out the voucher loaded into
// the service. Without a definition the body prints as a grid.
class ServiceRowLayoutPrinter final : public RowLayoutPrinter {
 public:
  ServiceRowLayoutPrinter(ServiceContext& context, VoucherDocuments& documents, FieldValues& values)
      : ctx_(context), docs_(documents), values_(values) {}
  // The grid's style body, with the 自定义表体 part when a definition loads.
  void WriteStyleBody(PrintJob& job) override;
  // Replaces the grid's data body by the panel rows.
  void PostProcess(PrintJob& job) override;

 private:
  ServiceContext& ctx_;
  VoucherDocuments& docs_;
  FieldValues& values_;
  RowLayout layout_;
};

}  // namespace cavra
