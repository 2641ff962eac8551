#include "data/sorting.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cavra/components.h"
#include "cavra/outside.h"
#include "cavra/sort_command.h"
#include "core/resources.h"
#include "core/thread_state.h"
#include "core/trace_log.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra {
namespace {

constexpr const char* kSorterId = "TolmVoucherSorter.clsVoucherSorter";
// Ties a copied top-level row back to its body row while the copy is sorted.
constexpr const char* kBodyPositionAttribute = "cavra_outline_body_position";

pugi::xml_node DataOf(const pugi::xml_document& doc) { return xml::SelectSingleNode(doc, "//rs:data"); }

}  // namespace

Sorting::Sorting(ServiceContext& context, TemplateModel& model, VoucherDocuments& documents, RowOutline& outline)
    : ctx_(context), model_(model), documents_(documents), outline_(outline) {}

void Sorting::PrepareBodyForSort(pugi::xml_document& body) {
  const pugi::xml_node data = DataOf(body);
  if (!data) return;
  long long highest = 0;
  for (pugi::xml_node row : data.children("z:row")) highest = std::max(highest, row.attribute(kInputOrderAttribute).as_llong());
  for (pugi::xml_node row : data.children("z:row"))
    if (!row.attribute(kInputOrderAttribute)) row.append_attribute(kInputOrderAttribute) = ++highest;

  for (pugi::xml_node row : data.children("z:row")) {
    if (pugi::xml_attribute mark = row.attribute(kBlankRowAttribute); mark && *mark.value())
      row.remove_attribute(mark);
    if (std::strcmp(row.attribute("editprop").value(), "A") != 0) continue;
    bool blank = true;
    for (pugi::xml_attribute a : row.attributes()) {
      const char* name = a.name();
      // The sorter's own attributes are not data.
      if (!std::strcmp(name, "xmlns:z") || !std::strcmp(name, "editprop") || !std::strcmp(name, kInputOrderAttribute) ||
          !std::strcmp(name, kBlankRowAttribute))
        continue;
      if (*a.value()) {
        blank = false;
        break;
      }
    }
    if (blank) {
      pugi::xml_attribute mark = row.attribute(kBlankRowAttribute);
      if (!mark) mark = row.append_attribute(kBlankRowAttribute);
      mark = "1";
    }
  }
}

bool Sorting::SortBody(DomPtr& body, const std::string& command, const std::string& text, std::string* message) {
  try {
    const auto sorter = ctx_.Components().CreateAs<ISorter>(kSorterId);
    if (command.empty()) return true;
    if (!body || !body->first_child()) return true;
    PrepareBodyForSort(*body);
    return sorter->sortDOMVoucherBody(text, command, body);
  } catch (...) {
    auto [number, description] = CurrentErrorInfo();
    if (message)
      *message = GetResString("Ordra.AA.VCH.048") + "\r\n" + GetResString("Ordra.AA.VCH.049") +
                 std::to_string(number) + "\r\n" + GetResString("Ordra.AA.VCH.050") + description;
    return false;
  }
}

void Sorting::OnDataLoaded() {
  if (!invoke_sort_switch_ && !Thread().webMode) SkipErrors([&] { ReapplySavedSort(); });
}

void Sorting::NotifySortChange(const std::string& command) {
  // The event is the host's chance to store the command and to reload
  // sorted data, and nothing here is held across it.
  SkipErrors([&] {
    invoke_sort_switch_ = true;
    ctx_.Raise([&](clsVoucherServiceEvents& s) { s.SortRuleChanged(Variant(command)); });
  });
  invoke_sort_switch_ = false;
}

void Sorting::ReapplySavedSort() {
  SkipErrors([&] {
    model_.SetLastSortCommands(read_sort_command_ ? read_sort_command_() : std::string());
    Trace("--SetVoucherDataXML--m_sLastSortCommands:", model_.LastSortCommands());
    const std::string command = model_.LastSortCommands();
    if (command.empty()) return;
    if (const std::string reason = CheckSortCommand(command, SortableFields()); !reason.empty()) {
      Trace("--SetVoucherDataXML--bad sort command:", reason);
      if (reported_bad_command_ != command) {
        reported_bad_command_ = command;
        ctx_.Report(err::kBadSavedSort, "the saved sort command is not applied: " + reason);
      }
      return;
    }
    if (model_.IsRowOutline() && outline_.IsRowOutLineChildNode()) {
      SortOutline(command);
      return;
    }
    DomPtr body = documents_.Body();
    std::string message;
    if (SortBody(body, command, "", &message))
      documents_.ReplaceBody(body);
    else
      Trace("SortBody -- XXXX", message);
  });
}

std::vector<std::string> Sorting::SortableFields() {
  std::vector<std::string> fields;
  for (const ItemPtr& item : model_.Items())
    if (item && vb::UCase(item->sCardSection) == "B") fields.push_back(item->sFieldName);
  if (const DomPtr body = documents_.Body())
    for (pugi::xml_node at :
         xml::DocumentElement(*body).child("s:Schema").child("s:ElementType").children("s:AttributeType"))
      fields.emplace_back(at.attribute("name").value());
  return fields;
}

void Sorting::SortOutline(const std::string& command) {
  // Sort a copy of the top-level rows, then lay the body out again: each top
  // row in its new place, its descendants after it, depth first. Rows that
  // belong to no top row (a missing parent, a cycle) keep their order at the
  // end, so no row is ever lost.
  const DomPtr body = documents_.Body();
  const pugi::xml_node data = DataOf(*body);
  if (!data) return;
  const std::string& parent_key = model_.OutlineParentKey();
  const std::string& own_key = model_.OutlineKey();

  std::vector<pugi::xml_node> rows;
  std::unordered_map<std::string, std::vector<pugi::xml_node>> children;
  for (pugi::xml_node row : data.children()) {
    rows.push_back(row);
    const char* parent = row.attribute(parent_key.c_str()).value();
    if (*parent) children[parent].push_back(row);
  }

  DomPtr top = xml::Clone(*body);
  pugi::xml_node top_data = DataOf(*top);
  top_data.remove_children();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (*rows[i].attribute(parent_key.c_str()).value()) continue;
    pugi::xml_node copy = top_data.append_copy(rows[i]);
    copy.append_attribute(kBodyPositionAttribute) = static_cast<unsigned long long>(i);
  }
  std::string message;
  if (!SortBody(top, command, "", &message)) {
    Trace("SortBody -- XXXX", message);
    return;
  }

  DomPtr sorted = xml::Clone(*body);
  pugi::xml_node sorted_data = DataOf(*sorted);
  sorted_data.remove_children();
  std::unordered_set<std::size_t> placed;
  std::unordered_map<const void*, std::size_t> position;
  for (std::size_t i = 0; i < rows.size(); ++i) position.emplace(rows[i].internal_object(), i);
  auto place_tree = [&](std::size_t root) {
    std::vector<std::size_t> stack{root};
    while (!stack.empty()) {
      const std::size_t i = stack.back();
      stack.pop_back();
      if (!placed.insert(i).second) continue;
      sorted_data.append_copy(rows[i]);
      const char* key = rows[i].attribute(own_key.c_str()).value();
      if (!*key) continue;
      auto it = children.find(key);
      if (it == children.end()) continue;
      for (auto c = it->second.rbegin(); c != it->second.rend(); ++c) stack.push_back(position[c->internal_object()]);
    }
  };
  for (pugi::xml_node row : DataOf(*top).children()) {
    pugi::xml_attribute at = row.attribute(kBodyPositionAttribute);
    const std::size_t i = static_cast<std::size_t>(at.as_ullong());
    row.remove_attribute(at);
    if (i < rows.size()) place_tree(i);
  }
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (!placed.count(i)) place_tree(i);
  outline_.Top() = top;
  documents_.ReplaceBody(sorted);
}

}  // namespace cavra
