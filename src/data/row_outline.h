// RowOutline: a body shown as an outline, where a row's parent attribute
// holds the key attribute of its parent row. Builds the body in outline
// order (children after their parent), keeps the top-level rows for sorting
// and computes a row's depth.
#pragma once

#include <cstdint>
#include <string>

#include "cavra/dom.h"
#include "core/service_context.h"
#include "data/voucher_documents.h"
#include "template/template_model.h"

namespace cavra {

class RowOutline {
 public:
  RowOutline(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents);

  // Keeps the top-level rows of a newly loaded body (when the outline is on).
  void BuildTop(const DomPtr& body);
  DomPtr& Top() { return top_; }

  // newDom: a copy of parentDom in outline order. False when the outline is
  // off (newDom is then a plain copy) or parentDom is empty.
  bool GetRowOutLineDomDocument(const DomPtr& parentDom, DomPtr& newDom, std::string cParentKey = "",
                                std::string cChildKey = "");
  // newDoc: a copy of doc holding only its top-level rows (a plain copy,
  // and false, when the outline is off).
  bool GetRowOutLineParentData(const DomPtr& doc, DomPtr& newDoc, std::string cParentKey = "",
                               std::string cChildKey = "");
  // Whether the body has a row with an empty own key and a parent.
  bool IsRowOutLineChildNode(std::string cParentKey = "", std::string cChildKey = "");
  // Depth of the row whose own key is key: 1 for a top-level row, one more
  // per parent above it, 0 when no row has that key.
  std::int32_t GetRowOutLineLevel(const std::string& key, std::string cParentKey = "", std::string cChildKey = "");
  // The indent unit repeated level times.
  std::string IndentText(std::int32_t level);

  // Rows of the last outline built (all of them, or the top-level ones).
  std::int32_t OutlineRowCount() const noexcept { return outline_row_count_; }

 private:
  std::int32_t outline_row_count_ = 0;
  std::string outline_indent_;
  void Defaults(std::string& parentKey, std::string& childKey) const;

  ServiceContext& ctx_;
  TemplateModel& model_;
  VoucherDocuments& documents_;
  DomPtr top_ = NewDom();
};

}  // namespace cavra
