// PrintPreparation: turns a print template (item and fixed-label recordsets)
// and the voucher loaded into the service into the style and data documents
// the print control reads (grammar in print_format.h). The template is read
// into fresh descriptors through a scratch template model, so the service's
// own template, its settings and field rights stay as they were. Both
// documents are written in one pass over the items and the body rows.
//
// Every step after the template copy runs on its own: a step that fails is
// logged ("【ctlVoucherService】【PreParePrint】【Info】<step> skipped: <why>")
// and the next one runs, so the documents are produced with what was built.
// Nothing here throws to the caller.
//
// Decisions where the behaviour is ours to fix:
// - Fixed-label text sources. A label whose "nActionText" is 0 shows its
//   "Text" (or the special token in it). Otherwise "nActionSource" picks:
//     1 (and any value not listed) the display value of header field "sCol";
//     2 a body cell reference "%G:" + (nRow - 1) + ",##" + sCol + "##%";
//     3 the column total of body field "sCol";
//     4 the company logo (a picture label);
//     5 the print-count text, mode "nRow" (0 the count so far, else the
//       count this print carries);
//     6 the approval information (the template's display flag).
//   For a "[%2,name%]" (or "@name@") token, name is the print-count mode: a
//   number, and anything else counts as 1. In "[%1,flag%]" the name, when
//   given, overrides the template's audit display flag. "[%0,<GUID>%]" is a
//   picture label showing the stored picture of that GUID.
// - A label's "nBorder" packs its print position like an item's does:
//   border = n mod 10, print-position code = n / 10. A picture label reads
//   its scale mode and right alignment from the optional columns
//   "ScaleMode" and "PictureRight" (absent: 原始大小, 否).
// - 对应列号 counts the printed grid columns from 0, the row-number column
//   included when it prints; a column that is not printed gives -1.
// - Grouping (分单): when the sorter cannot be created or fails, the error
//   is logged and the rows are written in the voucher's own order, without
//   分单 groups; the summary rows and the rest of the documents follow as
//   usual. The sort works on a copy: the service's body keeps its order.
// - Header values of the fields "FFIXDEFINEFEE2" and "iquantity" (any
//   letter case) print with their decimals only: the field's number picture
//   (sFormatData, thousands separators) is not applied, so a quantity or a
//   fee code never shows as an amount.
// - Debug dump: when the environment variable CAVRA_PRINT_DUMP_DIR names a
//   folder, both documents are written there as tStyle.xml and tData.xml
//   (UTF-16LE with a byte-order mark, as they declare). A text that does not
//   parse is still written, and the parse error is logged.
// - 单据号 takes sReceiptNO and sPrimaryKeyValues from the voucher loaded
//   into the service: the print template copy holds no voucher values.
// - The total caption, when the host gives none, is the catalogue text
//   "Cavra.VCH.PrintTotal".
// - The footer (表尾) is marked 打印='最后一页' only when it holds at least one
//   field and every field in it prints on the last page only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cavra/bill_information.h"
#include "cavra/item_state.h"
#include "cavra/recordset.h"
#include "core/service_context.h"
#include "data/field_values.h"
#include "data/voucher_documents.h"
#include "print/print_format.h"
#include "template/field_rights.h"
#include "template/template_model.h"

namespace cavra {

class CustomerInfo;

// What the service's print state adds to one preparation.
struct PrintRequest {
  bool horzTile = false;
  std::string printEntir;       // m_sPrintEntir
  std::string cardnumAndValue;  // CardnumAndValueForPrintControl
  std::string logoPicture;      // LogoPictureDataString
};

// One preparation under way: the template copy and the texts being built.
// Handed to the row-layout printer at its two call points.
struct PrintJob {
  BillInfoPtr bill;
  std::shared_ptr<ItemCollection> items;
  std::string style;
  std::string data;
  // The printed body columns, in grid order (the row-number column excluded).
  std::vector<ItemPtr> columns;
  bool rowNumberPrints = false;
  BodyColumnLists lists;
  // The body rows in print order (a sorted copy when grouping applies).
  DomPtr body;
  // Deferred values: every "##" + key + "##" in the data document becomes
  // the value (step after the pictures).
  std::vector<std::pair<std::string, std::string>> deferred;
  // Where the grid's body rows lie in data: escaped cells only, no markup a search needs to look at.
  std::size_t rowsBegin = 0, rowsEnd = 0;
};

// The row-layout printer takes over where the body is laid out row by row
// (bRowLayoutEnabled): it writes the style body in place of the grid body,
// and post-processes the finished data document.
class RowLayoutPrinter {
 public:
  virtual ~RowLayoutPrinter() = default;
  virtual void WriteStyleBody(PrintJob& job) = 0;
  virtual void PostProcess(PrintJob& job) = 0;
};

// Where the approval-information and stored-picture labels get their
// texts: the audit-flow display (template id, display-flag override) and the
// Base64 text of a picture reference ("[%0,<GUID>%]"). Unset, they print
// empty.
struct LabelSources {
  std::function<std::string(const std::string& templateId, const std::string& flag)> approval;
  std::function<std::string(const std::string& reference)> picture;
};

class PrintPreparation {
 public:
  PrintPreparation(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents,
                   FieldValues& values, FieldRights& rights, CustomerInfo& customerInfo);

  // Builds both documents into style and data (emptied first). False, with
  // the last error set to the "Ordra.AA.VCH.028" text and both texts empty,
  // when the template copy fails.
  bool Prepare(const RecordsetPtr& rs, const RecordsetPtr& rsFixel, const PrintRequest& request,
               std::string& style, std::string& data);

  // types + "{##}" + sizes + "{##}" + names of the last prepared body.
  const std::string& LastColumnLists() const noexcept { return last_column_lists_; }

  // Without a printer, a row-layout template prints its body as a grid.
  void SetRowLayoutPrinter(std::shared_ptr<RowLayoutPrinter> printer) { row_layout_ = std::move(printer); }
  void SetLabelSources(LabelSources sources) { label_sources_ = std::move(sources); }

  // The four summary captions, fetched once per service.
  const std::string& PageSubtotalCaption() const noexcept { return captions_[0]; }
  const std::string& SubtotalCaption() const noexcept { return captions_[1]; }
  const std::string& RowNumberCaption() const noexcept { return captions_[2]; }
  const std::string& TotalCaption() const noexcept { return captions_[3]; }

 private:
  struct Builders;
  struct Label;

  void LoadCaptions();
  void LanguageCaptions(const clsBillInformation& bill);
  std::string PrintSettingBlock(clsBillInformation& bill, const PrintRequest& request);
  void WriteLabels(PrintJob& job, Builders& b, const RecordsetPtr& rsFixel, const PrintRequest& request);
  void WriteLabel(PrintJob& job, Builders& b, Recordset& rs, std::int32_t n, const PrintRequest& request);
  void WriteItems(PrintJob& job, Builders& b);
  void WriteBody(PrintJob& job);
  void WriteBodyRows(PrintJob& job);
  void WriteSummaryRows(PrintJob& job);
  void FinishColumnLists(PrintJob& job);
  void WriteStyleBody(PrintJob& job);
  void WriteFooter(PrintJob& job, Builders& b);
  void WritePictures(PrintJob& job, Builders& b);
  void ReplaceDeferred(PrintJob& job);
  void DumpDocuments(const PrintJob& job);

  ItemPtr FindItem(const PrintJob& job, const std::string& name, bool body) const;
  std::string HeaderDisplay(const clsItemState& item);
  std::string BodyDisplay(const clsItemState& item, std::string_view stored) const;
  std::string TotalDisplay(const clsItemState& item) const;
  std::int32_t GridColumnOf(const PrintJob& job, const std::string& name) const;

  ServiceContext& ctx_;
  TemplateModel& model_;
  VoucherDocuments& docs_;
  FieldValues& values_;
  FieldRights& rights_;
  CustomerInfo& customer_info_;
  std::shared_ptr<RowLayoutPrinter> row_layout_;
  LabelSources label_sources_;
  std::string captions_[4];
  // Totals of the printed columns, added up while the rows were written.
  std::unordered_map<const clsItemState*, std::string> column_totals_;
  std::string last_column_lists_;
};

}  // namespace cavra
