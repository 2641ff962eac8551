// VoucherDocuments: the head and body data documents of one voucher (the
// persisted-rowset format), the deleted lines held aside, the blank-row
// templates, the primary-key values, and an index that reaches body line n
// in O(1). The service orchestrates loading; sorting and the outline replace
// the body through ReplaceBody, which rebuilds the index.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cavra/dom.h"
#include "core/service_context.h"
#include "template/template_model.h"

namespace cavra {

// An element that carries an attribute twice is not well-formed XML, though
// the parser lets it through. The documents hold each attribute once: the
// first copy, the one every read finds. Loading drops the later copies from
// every element of the head and body (with a log line), UpdateLineData takes
// the first copy of each attribute of its source row, and the deleted rows
// come back from getVoucherDataXML with their first copies only; so what
// getVoucherDataXML gives back always parses as it was read.
// Returns how many copies were removed from doc.
std::size_t CollapseDuplicateAttributes(pugi::xml_document& doc);

class VoucherDocuments {
 public:
  VoucherDocuments(ServiceContext& context, TemplateModel& model);

  // Copies the given documents (a null side is left as it is), drops
  // duplicate attributes (above), moves the "D" rows aside, computes the key
  // values and the blank rows. Errors are ignored. Sorting, the outline and
  // field rights are the caller's. With adopt, documents are kept as they are
  // instead of copied: the caller must not use them any more.
  void Load(const DomPtr& head, const DomPtr& body, bool adopt = false);
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
  const std::vector<pugi::xml_node>& BodyRows() const noexcept {
    EnsureIndex();
    return rows_;
  }
  // m_nLineCount: always the number of live body rows.
  std::int32_t LineCount() const noexcept {
    EnsureIndex();
    return static_cast<std::int32_t>(rows_.size());
  }
  // Needed after rows were added to or removed from the body in place; a
  // body document replaced through Body() is noticed by itself.
  void RebuildIndex();

  // The value of a field in a row: the attribute; when empty and the data
  // use display-name columns, the attribute named by the schema mapping.
  std::string RowFieldValue(const pugi::xml_node& row, std::string_view fieldName, bool fromHead) const;
  // The same without a copy: the view points into the document and is valid
  // until that attribute changes.
  std::string_view RowFieldView(const pugi::xml_node& row, const std::string& fieldName, bool fromHead) const;

  // m_BodyChineseData: the data use display names as column names.
  bool BodyChineseData() const noexcept { return body_chinese_data_; }
  void SetBodyChineseData(bool b) noexcept { body_chinese_data_ = b; }
  // The body column a display name stands for when the data use display
  // names; else, or when the schema has no such column, the name itself.
  std::string BodyFieldNameOf(const std::string& displayName);
  // Whether loading clears the head row's editprop.
  bool UpdateEditSign() const noexcept { return update_edit_sign_; }
  void SetUpdateEditSign(bool b) noexcept { update_edit_sign_ = b; }

 private:
  bool body_chinese_data_ = false;
  bool update_edit_sign_ = false;
  ServiceContext& ctx_;
  TemplateModel& model_;
  DomPtr head_, body_, body_del_, body_schema_;
  pugi::xml_document blank_head_, blank_body_;  // each holds one z:row

  void MoveDeletedRows();
  void ComputeKeyValues();

  // Display name -> schema attribute name of one document, for
  // display-name data: the schema lookup walks the whole document, so it
  // runs once per name and document, not once per cell.
  struct SchemaNames {
    std::weak_ptr<pugi::xml_document> doc;
    std::unordered_map<std::string, std::string> names;
  };
  const std::string& SchemaName(SchemaNames& cache, const DomPtr& doc, const std::string& displayName) const;
  mutable SchemaNames head_names_, body_names_;

  // The line index and the body document it was built from (a weak
  // reference, so that a replaced document is told apart by owner even when
  // a new one reuses its address).
  void EnsureIndex() const noexcept;
  void BuildIndex() const noexcept;
  mutable std::vector<pugi::xml_node> rows_;
  mutable std::weak_ptr<pugi::xml_document> indexed_;
};

}  // namespace cavra
