#include "workflow/bill_number_rule.h"

#include <pugixml.hpp>

#include "cavra/error.h"
#include "core/global_helpers.h"
#include "core/service_context.h"
#include "core/trace_log.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

constexpr const char* kManualChange = "允许手工修改";
constexpr const char* kSourceField = "源表字段名";
constexpr const char* kRule = "规则";
constexpr const char* kObjectType = "对象类型";
constexpr std::int32_t kDatePart = 2;
constexpr std::int32_t kYearMonthPart = 7;

}  // namespace

BillNumberRule::BillNumberRule(const TemplateModel& model) : model_(model) {}

bool BillNumberRule::SetBillNumberRule(const std::string& sXML) {
  pugi::xml_document doc;
  // Comments and processing instructions stay nodes: like stray text, they
  // are parts that are not elements.
  const unsigned options = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;
  const pugi::xml_parse_result parsed =
      doc.load_buffer(sXML.data(), sXML.size(), options, pugi::encoding_utf8);
  const pugi::xml_node root = doc.document_element();
  if (!parsed || !root) {
    Trace("SetBillNumberRule -- XXXX", parsed ? "no document element" : parsed.description());
    return false;
  }
  if (vb::UCase(vb::Trim(root.attribute(kManualChange).value())) == "TRUE") return false;

  fields_.Clear();
  formats_.Clear();
  bool any_recorded = false;
  std::int32_t position = 0;
  for (const pugi::xml_node part : root.children()) {
    ++position;
    try {
      if (part.type() != pugi::node_element)
        throw VbError(err::kObjectNotSet, "part " + std::to_string(position) + " is not an element");
      const std::string field = part.attribute(kSourceField).value();
      std::string rule = part.attribute(kRule).value();
      const std::int32_t type = SafeCLng(Variant(std::string(part.attribute(kObjectType).value())));
      // Looked up by name (a numeric name is no ordinal) and quietly: an
      // unknown field is a skipped part, not an error for the host. A
      // missing attribute reads as empty.
      if (field.empty() || !model_.FindItem(field, false)) continue;
      fields_.Add(field);
      any_recorded = true;
      if (type == kYearMonthPart) rule = "年月";
      if ((type == kDatePart || type == kYearMonthPart) && !formats_.Exists(field)) formats_.Add(rule, field);
    } catch (...) {
      Trace("SetBillNumberRule -- XXXX", CurrentErrorInfo().second);
      if (!any_recorded) {
        recorded_ = false;
        return false;
      }
    }
  }
  recorded_ = true;
  return false;
}

BillNumberRuleRecord BillNumberRule::Record() const {
  BillNumberRuleRecord record;
  record.recorded = recorded_;
  record.fields.assign(fields_.begin(), fields_.end());
  for (std::int32_t k = 1; k <= formats_.Count(); ++k)
    record.formats.emplace_back(formats_.KeyAt(k), formats_.Item(k));
  return record;
}

}  // namespace cavra
