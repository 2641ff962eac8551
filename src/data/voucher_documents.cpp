#include "data/voucher_documents.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "core/resources.h"
#include "core/trace_log.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"
#include "platform/xml.h"
#include "template/item_metadata.h"

namespace cavra {
namespace {

constexpr std::string_view kDeletedRowsText = "<?xml version='1.0'?><Buffer/>";

bool SameOwner(const std::weak_ptr<pugi::xml_document>& indexed, const DomPtr& doc) {
  return !indexed.owner_before(doc) && !doc.owner_before(indexed);
}

// The rows' rs:data: a child of the document element in every persisted
// rowset, searched for anywhere only when it is not there.
pugi::xml_node DataElement(const pugi::xml_document& doc) {
  if (pugi::xml_node data = doc.document_element().child("rs:data")) return data;
  return xml::SelectSingleNode(doc, "//rs:data");
}

// rs:data, created under the document element when missing; null when the
// document has no element at all.
pugi::xml_node DataElementOrNew(pugi::xml_document& doc) {
  if (pugi::xml_node data = DataElement(doc)) return data;
  pugi::xml_node root = doc.document_element();
  return root ? root.append_child("rs:data") : pugi::xml_node();
}

// cloneNode(False) of an element: its name and attributes, no children.
pugi::xml_node AppendShallowCopy(pugi::xml_node parent, const pugi::xml_node& element) {
  pugi::xml_node copy = parent.append_child(element.name());
  for (const pugi::xml_attribute& a : element.attributes()) copy.append_copy(a);
  return copy;
}

// Finds an attribute name an element carries twice, in one pass over its
// attributes: an open-addressing table of the names seen, emptied for the
// next element by moving to a new generation rather than by clearing.
class RepeatedNameFinder {
 public:
  bool Check(const pugi::xml_node& e) {
    if (++generation_ == 0) {
      slots_.fill({});
      generation_ = 1;
    }
    std::size_t count = 0;
    for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute()) {
      if (++count > kSlots / 2) return CheckSlowly(e);
      const char* name = a.name();
      std::uint64_t h = 14695981039346656037ull;
      for (const char* c = name; *c; ++c) h = (h ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
      for (std::size_t i = h % kSlots;; i = (i + 1) % kSlots) {
        Slot& slot = slots_[i];
        if (slot.generation != generation_) {
          slot = {generation_, h, name};
          break;
        }
        if (slot.hash == h && std::strcmp(slot.name, name) == 0) return true;
      }
    }
    return false;
  }

 private:
  static constexpr std::size_t kSlots = 1024;
  struct Slot {
    std::uint32_t generation = 0;
    std::uint64_t hash = 0;
    const char* name = nullptr;
  };
  // An element of very many attributes: by sorting.
  static bool CheckSlowly(const pugi::xml_node& e) {
    std::vector<std::string_view> names;
    for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute()) names.emplace_back(a.name());
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) != names.end();
  }
  std::array<Slot, kSlots> slots_{};
  std::uint32_t generation_ = 0;
};

// Removes the later copies of the attributes e carries more than once.
std::size_t RemoveLaterCopies(pugi::xml_node e) {
  std::vector<pugi::xml_attribute> later;
  for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute())
    if (e.attribute(a.name()) != a) later.push_back(a);
  for (const pugi::xml_attribute& a : later) e.remove_attribute(a);
  return later.size();
}

// CloneDocument(source, emptyData, recreateData). Without the data the rows
// are never copied, so the schema-only copy of a large body costs nothing.
DomPtr CloneDocument(const DomPtr& source, bool emptyData, bool recreateData) {
  if (!source) return nullptr;
  const pugi::xml_node root = source->document_element();
  if (!root) return NewDom();
  if (!emptyData) return xml::Clone(*source);

  const pugi::xml_node data = DataElement(*source);
  DomPtr doc;
  if (data && data.parent() == root) {
    doc = NewDom();
    for (const pugi::xml_node& child : source->children()) {
      if (child != root) {
        doc->append_copy(child);
        continue;
      }
      pugi::xml_node top = doc->append_child(root.name());
      for (const pugi::xml_attribute& a : root.attributes()) top.append_copy(a);
      for (const pugi::xml_node& c : root.children())
        if (c != data) top.append_copy(c);
    }
  } else {
    doc = xml::Clone(*source);
    if (pugi::xml_node copy = DataElement(*doc)) copy.parent().remove_child(copy);
  }
  if (recreateData) doc->document_element().append_child("rs:data");
  return doc;
}

// The s:AttributeType elements: looked for inside s:Schema when it sits
// under the document element, so that the rows are not walked.
pugi::xpath_node_set SchemaColumns(const pugi::xml_document& doc) {
  if (pugi::xml_node schema = doc.document_element().child("s:Schema"))
    return xml::SelectNodes(schema, ".//s:AttributeType");
  return xml::SelectNodes(doc, "//s:AttributeType");
}

// A z:row with every visible schema column set to "" and editprop "A".
void BuildBlankRow(pugi::xml_document& blank, const pugi::xml_document& source) {
  blank.reset();
  pugi::xml_node row = blank.append_child("z:row");
  for (const pugi::xpath_node& hit : SchemaColumns(source)) {
    const pugi::xml_node column = hit.node();
    if (vb::UCase(column.attribute("rs:hidden").value()) == "TRUE") continue;
    SetNodeAttribute(row, column.attribute("name").value(), "");
  }
  SetNodeAttribute(row, "editprop", "A");
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

std::size_t CollapseDuplicateAttributes(pugi::xml_document& doc) {
  auto finder = std::make_unique<RepeatedNameFinder>();
  std::size_t removed = 0;
  for (pugi::xml_node n = doc.first_child(); n;) {
    if (n.type() == pugi::node_element && finder->Check(n)) removed += RemoveLaterCopies(n);
    if (pugi::xml_node child = n.first_child()) {
      n = child;
      continue;
    }
    while (n && !n.next_sibling()) n = n.parent();
    if (n) n = n.next_sibling();
  }
  return removed;
}

VoucherDocuments::VoucherDocuments(ServiceContext& context, TemplateModel& model)
    : ctx_(context), model_(model) {}

void VoucherDocuments::Load(const DomPtr& head, const DomPtr& body, bool adopt) {
  const double start = Timer();
  auto mark = [&](std::string_view label) {
    if (TraceOn()) Trace(label, ElapsedText(start));
  };

  SkipErrors([&] { body_del_ = xml::LoadNew(kDeletedRowsText); });
  // The previous copies go before the new ones are made: a large voucher is
  // then never held twice, and the allocator reuses the memory it frees.
  if (head) head_.reset();
  if (body) {
    rows_.clear();
    body_.reset();
    body_schema_.reset();
  }
  auto keep = [adopt](const DomPtr& doc) {
    return adopt && doc->document_element() ? doc : CloneDocument(doc, false, true);
  };
  if (head) SkipErrors([&] { head_ = keep(head); });
  if (body) SkipErrors([&] { body_ = keep(body); });
  std::size_t duplicates = 0;
  if (head && head_) SkipErrors([&] { duplicates += CollapseDuplicateAttributes(*head_); });
  if (body && body_) SkipErrors([&] { duplicates += CollapseDuplicateAttributes(*body_); });
  if (duplicates)
    Trace("setVoucherDataXML -- XXXX", "duplicate attributes dropped: ", std::to_string(duplicates));
  mark("setVoucherDataXML1:");
  mark("setVoucherDataXML2:");

  SkipErrors([&] { MoveDeletedRows(); });
  mark("setVoucherDataXML3:");
  SkipErrors([&] { ComputeKeyValues(); });

  if (head && head_) SkipErrors([&] { BuildBlankRow(blank_head_, *head_); });
  mark("setVoucherDataXML4:");
  if (body && body_) {
    SkipErrors([&] { BuildBlankRow(blank_body_, *body_); });
    mark("setVoucherDataXML4.2:");
    SkipErrors([&] { body_schema_ = CloneDocument(body_, true, true); });
  }
  mark("setVoucherDataXML5:");

  head_names_ = {};
  body_names_ = {};
  RebuildIndex();
}

void VoucherDocuments::MoveDeletedRows() {
  if (!body_ || !body_del_) return;
  pugi::xml_node data = DataElement(*body_);
  if (!data) return;
  pugi::xml_node buffer = xml::SelectSingleNode(*body_del_, "//Buffer");
  if (!buffer) buffer = body_del_->document_element().append_child("Buffer");
  if (!buffer) return;

  // Removed only after every copy is made: a row inside a removed row would
  // otherwise be read after it was freed.
  std::vector<pugi::xml_node> removed;
  for (const pugi::xpath_node& hit : xml::SelectNodes(*body_, "//z:row[@editprop = 'D']")) {
    const pugi::xml_node row = hit.node();
    AppendShallowCopy(buffer, row);
    if (row.parent() == data) removed.push_back(row);
  }
  for (const pugi::xml_node& row : removed) data.remove_child(row);
}

void VoucherDocuments::ComputeKeyValues() {
  clsBillInformation& bill = model_.Bill();
  bill.sPrimaryKeyValues.clear();
  bill.sReceiptNO.clear();
  pugi::xml_node row = head_ ? xml::SelectSingleNode(*head_, "//z:row") : pugi::xml_node();
  if (!row) return;

  pugi::xml_attribute edit = row.attribute("editprop");
  if (!edit) edit = row.append_attribute("editprop");
  if (update_edit_sign_) edit.set_value("");

  std::string keys;
  for (const std::string& name : vb::Split(bill.sPrimaryKeyFieldNames, "{#}")) {
    SkipErrors([&] {
      const std::string value = vb::Trim(RowFieldView(row, name, true));
      keys.append(value).append("{#}");
    });
  }
  if (!keys.empty()) keys = vb::Left(keys, vb::Len(keys) - 3);
  bill.sPrimaryKeyValues = std::move(keys);
  Trace("--m_BillInfo.sPrimaryKeyFieldNames:", bill.sPrimaryKeyFieldNames);

  if (!bill.sReceiptNOFieldName.empty()) {
    SkipErrors([&] { bill.sReceiptNO = vb::Trim(RowFieldView(row, bill.sReceiptNOFieldName, true)); });
    Trace("--m_BillInfo.sReceiptNOFieldName:", bill.sReceiptNOFieldName);
  }
}

void VoucherDocuments::GetVoucherDataXML(DomPtr& head, DomPtr& body) const {
  head = xml::Clone(head_);
  body = xml::Clone(body_);
  if (!body_del_) return;
  const pugi::xpath_node_set deleted = xml::SelectNodes(*body_del_, "//z:row");
  if (deleted.empty()) return;
  pugi::xml_node data = DataElementOrNew(*body);
  if (!data) return;
  // The deleted rows are the host's to change (GetBodyDelDom): the copies
  // keep the first of an attribute given twice.
  auto finder = std::make_unique<RepeatedNameFinder>();
  for (const pugi::xpath_node& hit : deleted) {
    const pugi::xml_node copy = AppendShallowCopy(data, hit.node());
    if (finder->Check(copy)) RemoveLaterCopies(copy);
  }
}

DomPtr VoucherDocuments::GetHeadDom() const { return head_ ? CloneDocument(head_, false, true) : NewDom(); }

DomPtr VoucherDocuments::GetBodyDelDom() {
  if (!body_del_) body_del_ = NewDom();
  return body_del_;
}

DomPtr VoucherDocuments::GetLineDom(std::int32_t nRow) {
  return ctx_.Guard(DomPtr(), [&]() -> DomPtr {
    const std::int32_t n = nRow == 0 ? ctx_.Grid().Row() : nRow;
    if (n < 1 || n > LineCount()) {
      ctx_.SetLastError("nRow值越界");
      return nullptr;
    }
    const pugi::xml_node row = BodyRow(n);
    if (!row) {
      std::string text = GetResString("Ordra.AA.VCH.021");
      ctx_.SetLastError(text);
      throw VbError(err::kLineMissing, std::move(text));
    }
    if (!body_schema_) body_schema_ = CloneDocument(Body(), true, true);
    DomPtr line = xml::Clone(*body_schema_);
    pugi::xml_node data = DataElementOrNew(*line);
    if (!data) throw VbError::Standard(err::kObjectNotSet);
    data.append_copy(row);
    return line;
  });
}

DomPtr& VoucherDocuments::Head() {
  if (!head_) head_ = NewDom();
  return head_;
}

DomPtr& VoucherDocuments::Body() {
  if (!body_) body_ = NewDom();
  return body_;
}

void VoucherDocuments::ReplaceBody(DomPtr body) {
  body_ = std::move(body);
  body_names_ = {};
  RebuildIndex();
}

void VoucherDocuments::ReplaceHead(DomPtr head) {
  head_ = std::move(head);
  head_names_ = {};
}

pugi::xml_node VoucherDocuments::HeadRow() {
  pugi::xml_document& head = *Head();
  if (pugi::xml_node row = xml::SelectSingleNode(head, "//z:row")) return row;
  const pugi::xml_node blank = blank_head_.first_child();
  if (!blank) return {};
  pugi::xml_node data = DataElementOrNew(head);
  return data ? data.append_copy(blank) : pugi::xml_node();
}

pugi::xml_node VoucherDocuments::BodyRow(std::int32_t n) const {
  EnsureIndex();
  if (n < 1 || n > static_cast<std::int32_t>(rows_.size())) return {};
  return rows_[static_cast<std::size_t>(n - 1)];
}

void VoucherDocuments::RebuildIndex() { BuildIndex(); }

void VoucherDocuments::EnsureIndex() const noexcept {
  if (!SameOwner(indexed_, body_)) BuildIndex();
}

void VoucherDocuments::BuildIndex() const noexcept {
  rows_.clear();
  indexed_ = body_;
  if (!body_) return;
  try {
    const pugi::xml_node data = DataElement(*body_);
    for (pugi::xml_node row = data.child("z:row"); row; row = row.next_sibling("z:row")) rows_.push_back(row);
  } catch (...) {
    rows_.clear();  // out of memory: no lines rather than a partial index
  }
}

std::string VoucherDocuments::RowFieldValue(const pugi::xml_node& row, std::string_view fieldName,
                                            bool fromHead) const {
  return std::string(RowFieldView(row, std::string(fieldName), fromHead));
}

std::string_view VoucherDocuments::RowFieldView(const pugi::xml_node& row, const std::string& fieldName,
                                                bool fromHead) const {
  const std::string_view value = row.attribute(fieldName.c_str()).value();
  if (!IsBlank(value) || !body_chinese_data_) return value;
  const std::string& name =
      fromHead ? SchemaName(head_names_, head_, fieldName) : SchemaName(body_names_, body_, fieldName);
  if (IsBlank(name)) return {};
  return row.attribute(name.c_str()).value();
}

const std::string& VoucherDocuments::SchemaName(SchemaNames& cache, const DomPtr& doc,
                                                const std::string& displayName) const {
  if (!SameOwner(cache.doc, doc)) {
    cache.names.clear();
    cache.doc = doc;
  }
  auto it = cache.names.find(displayName);
  if (it != cache.names.end()) return it->second;
  std::string name = MapSchemaFieldName(doc.get(), displayName);
  return cache.names.emplace(displayName, std::move(name)).first->second;
}

std::string VoucherDocuments::BodyFieldNameOf(const std::string& displayName) {
  if (!body_chinese_data_) return displayName;
  const std::string mapped = MapSchemaFieldName(Body().get(), displayName);
  return mapped.empty() ? displayName : mapped;
}

}  // namespace cavra
