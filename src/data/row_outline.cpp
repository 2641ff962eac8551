#include "data/row_outline.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/trace_log.h"
#include "platform/xml.h"

namespace cavra {

RowOutline::RowOutline(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents)
    : ctx_(context), model_(model), documents_(documents) {}

void RowOutline::Defaults(std::string& parentKey, std::string& childKey) const {
  if (parentKey.empty()) parentKey = model_.OutlineParentKey();
  if (childKey.empty()) childKey = model_.OutlineKey();
}

void RowOutline::BuildTop(const DomPtr& body) {
  if (!model_.IsRowOutline()) return;
  DomPtr top;
  GetRowOutLineParentData(body, top);
  if (top) top_ = std::move(top);
}

bool RowOutline::GetRowOutLineDomDocument(const DomPtr& parentDom, DomPtr& newDom, std::string cParentKey,
                                          std::string cChildKey) {
  Trace("GetRowOutLineDomDocument---Begin");
  try {
    if (!parentDom) return false;
    newDom = NewDom();
    if (!parentDom->document_element()) return false;
    newDom = xml::Clone(*parentDom);
    if (!model_.IsRowOutline()) return false;
    Defaults(cParentKey, cChildKey);
    Trace("GetRowOutLineDomDocument---01");

    pugi::xml_node data = xml::SelectSingleNode(*newDom, "//rs:data");
    if (!data) {
      Trace("GetRowOutLineDomDocument---End");
      return true;
    }
    std::vector<pugi::xml_node> rows;
    for (pugi::xml_node row : data.children()) rows.push_back(row);
    outline_row_count_ = static_cast<std::int32_t>(rows.size());
    Trace("GetRowOutLineDomDocument---02");

    // Children of each key, in document order, looked up once.
    std::unordered_map<std::string, std::vector<pugi::xml_node>> children;
    for (pugi::xml_node row : rows) {
      const char* parent = row.attribute(cParentKey.c_str()).value();
      if (*parent) children[parent].push_back(row);
    }
    // Depth-first, each row placed once: a row follows its parent, its own
    // children follow it, and a row whose parent is missing stays where it is.
    pugi::xml_node new_data = data.parent().insert_child_before(data.name(), data);
    for (pugi::xml_attribute a : data.attributes()) new_data.append_attribute(a.name()) = a.value();
    std::unordered_set<const void*> placed;
    std::vector<pugi::xml_node> stack;
    for (pugi::xml_node row : rows) {
      if (placed.count(row.internal_object())) continue;
      stack.push_back(row);
      while (!stack.empty()) {
        pugi::xml_node r = stack.back();
        stack.pop_back();
        if (!placed.insert(r.internal_object()).second) continue;
        new_data.append_move(r);
        const char* key = r.attribute(cChildKey.c_str()).value();
        if (!*key) continue;
        auto it = children.find(key);
        if (it == children.end()) continue;
        for (auto c = it->second.rbegin(); c != it->second.rend(); ++c)
          if (!placed.count(c->internal_object())) stack.push_back(*c);
      }
    }
    Trace("GetRowOutLineDomDocument---03");
    data.parent().remove_child(data);
    Trace("GetRowOutLineDomDocument---End");
    return true;
  } catch (...) {
    Trace("GetRowOutLineDomDocument出现异常。Err.Description:", CurrentErrorInfo().second);
    return false;
  }
}

bool RowOutline::GetRowOutLineParentData(const DomPtr& doc, DomPtr& newDoc, std::string cParentKey,
                                         std::string cChildKey) {
  Trace("GetRowOutLineParentData---Begin");
  try {
    if (!doc || !doc->document_element()) return false;
    newDoc = xml::Clone(*doc);
    if (!model_.IsRowOutline()) return false;
    Defaults(cParentKey, cChildKey);
    Trace("GetRowOutLineParentData---01");
    const std::string p = cParentKey;
    const pugi::xpath_node_set top = xml::SelectNodes(*doc, "//z:row[@" + p + "='' || not(@" + p + ")]");
    outline_row_count_ = static_cast<std::int32_t>(top.size());
    Trace("GetRowOutLineParentData---02");
    pugi::xml_node data = xml::SelectSingleNode(*newDoc, "//rs:data");
    if (data) {
      data.remove_children();
      for (const pugi::xpath_node& row : top) data.append_copy(row.node());
    }
    Trace("GetRowOutLineParentData---03");
    Trace("GetRowOutLineParentData---End");
    return true;
  } catch (...) {
    Trace("GetRowOutLineParentData出现异常。Err.Description:", CurrentErrorInfo().second);
    return false;
  }
}

bool RowOutline::IsRowOutLineChildNode(std::string cParentKey, std::string cChildKey) {
  try {
    if (!model_.IsRowOutline()) return false;
    const DomPtr& body = documents_.Body();
    if (!xml::SelectSingleNode(*body, "//rs:data")) return false;
    Defaults(cParentKey, cChildKey);
    const std::string& k = cChildKey;
    const std::string& p = cParentKey;
    return xml::SelectSingleNode(*body, "//z:row[(@" + k + "='' or not(@" + k + ")) and (@" + p + "!='')]");
  } catch (...) {
    auto [number, description] = CurrentErrorInfo();
    Trace("IsRowOutLineChildNode出现错误。Err.Number:", std::to_string(number), "--Err.Description:", description);
    return false;
  }
}

std::int32_t RowOutline::GetRowOutLineLevel(const std::string& key, std::string cParentKey, std::string cChildKey) {
  try {
    if (key.empty() || !model_.IsRowOutline()) return 0;
    Defaults(cParentKey, cChildKey);
    const DomPtr& body = documents_.Body();
    // A parent chain longer than the body has rows is a cycle.
    const std::int32_t limit = documents_.LineCount() + 1;
    std::int32_t level = 0;
    std::string current = key;
    while (!current.empty() && level <= limit) {
      const pugi::xml_node row =
          xml::SelectSingleNode(*body, "//z:row[@" + cChildKey + "=" + xml::Literal(current) + "]");
      if (!row) break;
      ++level;
      current = documents_.RowFieldValue(row, cParentKey, false);
    }
    return level;
  } catch (...) {
    auto [number, description] = CurrentErrorInfo();
    Trace("GetRowOutLineLevel出现异常。Err.Number:", std::to_string(number), "--Err.Description:", description);
    return 0;
  }
}

std::string RowOutline::IndentText(std::int32_t level) {
  if (outline_indent_.empty()) outline_indent_ = "**";
  std::string out;
  for (std::int32_t i = 0; i < level; ++i) out += outline_indent_;
  return out;
}

}  // namespace cavra
