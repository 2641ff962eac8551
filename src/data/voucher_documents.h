// VoucherDocuments: the head and body data documents of one voucher (the
// persisted-rowset format), the deleted lines held aside, the blank-row
// templates, the primary-key values, and an index that reaches body line n
// in O(1). The service orchestrates loading; sorting and the outline replace
// the body through ReplaceBody, which rebuilds the index.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cavra/dom.h"
#include "core/service_context.h"
#include "template/template_model.h"

namespace cavra {

class VoucherDocuments {
 public:
  VoucherDocuments(ServiceContext& context, TemplateModel& model);

  // Copies the given documents (a null side is left as it is), moves the
  // "D" rows aside, computes the key values and the blank rows. Errors are
  // ignored. Sorting, the outline and field rights are the caller's.
  void Load(const DomPtr& head, const DomPtr& body);
  // Copies of head and body, the body followed by the deleted rows.
  void GetVoucherDataXML(DomPtr& head, DomPtr& body) const;
  DomPtr GetHeadDom() const;
  DomPtr GetBodyDelDom();
  // One line as a document (nRow 0: the grid's current row), reported
  // through the error convention when out of range or missing.
  DomPtr GetLineDom(std::int32_t nRow);

  // The documents themselves (created empty on first use).
  DomPtr& Head();
  DomPtr& Body();
  // Replaces the body (sorted or outlined) and rebuilds the line index.
  void ReplaceBody(DomPtr body);
  void ReplaceHead(DomPtr head);

  // The head row; when there is none, a copy of the blank head row is
  // appended (creating rs:data) and returned.
  pugi::xml_node HeadRow();
  // Line n (1-based) in O(1); a null node outside 1 .. LineCount().
  pugi::xml_node BodyRow(std::int32_t n) const;
  // The live body rows in line order.
  const std::vector<pugi::xml_node>& BodyRows() const noexcept { return rows_; }
  // m_nLineCount: always the number of live body rows.
  std::int32_t LineCount() const noexcept { return static_cast<std::int32_t>(rows_.size()); }
  void RebuildIndex();

  // The value of a field in a row: the attribute; when empty and the data
  // use display-name columns, the attribute named by the schema mapping.
  std::string RowFieldValue(const pugi::xml_node& row, std::string_view fieldName, bool fromHead) const;

  bool m_BodyChineseData = false;  // public variable of the service
  bool UpdateEditSign = false;     // loading clears the head row's editprop

 private:
  ServiceContext& ctx_;
  TemplateModel& model_;
  DomPtr head_, body_, body_del_, body_schema_;
  pugi::xml_document blank_head_, blank_body_;  // each holds one z:row
  std::vector<pugi::xml_node> rows_;
};

}  // namespace cavra
