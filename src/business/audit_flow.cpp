#include "business/audit_flow.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "cavra/sql_text.h"
#include "core/resources.h"
#include "core/thread_state.h"
#include "core/trace_log.h"
#include "data/date_format.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra {
namespace {

// Attribute and caption key of each display column, left to right, with the
// flag section that switches it.
struct Column {
  const char* attribute;
  const char* caption_key;
  int section;
};
constexpr std::array<Column, 5> kColumns = {{
    {"taskName", "Ordra.AA.VOUCHERDESIGN.frmAuditSetup.ActivityName.Caption", 4},
    {"operator", "Ordra.AA.ARCHIVE.COMMON.user", 0},
    {"action", "Ordra.AA.ARCHIVE.COMMON.result", 1},
    {"auditTime", "Ordra.AA.ARCHIVE.COMMON.approvetime", 3},
    {"opinion", "Ordra.AA.ARCHIVE.COMMON.postil", 2},
}};
constexpr std::size_t kActionColumn = 2;
constexpr std::size_t kTimeColumn = 3;

struct Action {
  std::string_view code;
  const char* name_key;  // null: the fixed name
  int mask_position;     // 0: never listed
};
constexpr std::array<Action, 9> kActions = {{
    {"0", "Ordra.AA.ARCHIVE.COMMON.submit", 5},
    {"1", "Ordra.AA.ARCHIVE.COMMON.agree", 1},
    {"2", "Ordra.AA.ARCHIVE.COMMON.disagree", 2},
    {"3", "Ordra.AA.ARCHIVE.COMMON.Transfer", 7},
    {"4", nullptr, 0},
    {"5", "Ordra.AA.ARCHIVE.COMMON.remove", 6},
    {"6", "Ordra.AA.ARCHIVE.COMMON.withdrawal", 3},
    {"7", "Ordra.AA.ARCHIVE.COMMON.abandonaudit", 4},
    {"8", "Ordra.AA.ARCHIVE.COMMON.ReSubmit", 8},
}};
constexpr std::string_view kSentBackName = "打回";

const Action* FindAction(std::string_view code) {
  for (const Action& a : kActions)
    if (a.code == code) return &a;
  return nullptr;
}

bool IsAlwaysListed(std::string_view code) {
  return code == "11" || code == "12" || code == "13" || code == "14";
}

const DatePicture& AuditTimePicture() {
  static const DatePicture picture("YYYY-MM-DD hh:mm:ss");
  return picture;
}

}  // namespace

std::optional<AuditDisplayFlag> AuditDisplayFlag::Parse(std::string_view flag) {
  AuditDisplayFlag f;
  std::string_view rest = flag;
  if (!rest.empty() && rest.front() == '@') {
    f.alternative = true;
    rest.remove_prefix(1);
  }
  std::size_t digits = 0;
  while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits]))) ++digits;
  if (digits > 0 && digits < rest.size() && rest[digits] == '@') {
    f.alternative = true;
    std::int64_t n = 0;
    for (std::size_t i = 0; i < digits; ++i) n = std::min<std::int64_t>(n * 10 + (rest[i] - '0'), 1 << 30);
    // "0@" names no record at all, which ends in an empty display.
    f.record = n == 0 ? -1 : static_cast<std::int32_t>(n);
    rest.remove_prefix(digits + 1);
  }
  if (!rest.empty() && rest.back() == '#') rest.remove_suffix(1);

  std::vector<std::string> sections = vb::Split(rest, "#");
  if (sections.size() < 2) return std::nullopt;
  const bool five = sections.size() >= 5;
  sections.resize(5);
  if (!five) sections[4] = "0";

  const std::string& s1 = sections[1];
  const std::size_t r = s1.find('R');
  if (r == std::string::npos) return std::nullopt;
  const std::size_t end = s1.find('R', r + 1);
  f.mask = s1.substr(r + 1, end == std::string::npos ? std::string::npos : end - r - 1);
  if (f.mask.size() < 7) f.mask.resize(7, '0');

  for (std::size_t c = 0; c < kColumns.size(); ++c) {
    const std::string& s = sections[static_cast<std::size_t>(kColumns[c].section)];
    f.show[c] = s.empty() ? '\0' : s.front();
  }
  return f;
}

bool AuditFlow::IsAuditActionShown(std::string_view code, std::string_view mask) {
  if (IsAlwaysListed(code)) return true;
  const Action* a = FindAction(code);
  if (!a || a->mask_position == 0) return false;
  const auto at = static_cast<std::size_t>(a->mask_position - 1);
  return at < mask.size() && mask[at] == '1';
}

std::string AuditFlow::GetAuditActionName(std::string_view code) {
  const Action* a = FindAction(code);
  if (!a) return {};
  if (!a->name_key) return std::string(kSentBackName);
  return GetResString(a->name_key);
}

void AuditFlow::SetExamineFlowAuditInfo(const std::string& value) {
  Trace("ExamineFlowAuditInfo 业务部门赋值:", value);
  try {
    if (vb::Trim(value).empty()) {
      audit_info_.clear();
      return;
    }
    std::string error;
    if (vb::UCase(value) == "GET") {
      const clsBillInformation& bill = model_.Bill();
      const std::string keys = bill.sPrimaryKeyValues;
      const std::string bill_no = bill.sBillNo;
      Trace("ExamineFlowAuditInfo 入口参数:", keys, "--", bill_no, "--");
      audit_info_ = ctx_.DataSource().GetAuditString(keys, bill_no, error);
    } else {
      const std::vector<std::string> items = vb::Split(value, ",");
      if (items.size() < 3) throw VbError::Standard(err::kSubscript);
      Trace("ExamineFlowAuditInfo 入口参数:", items[1], "--", items[2]);
      audit_info_ = ctx_.DataSource().GetAuditString(items[2], items[1], error);
    }
    Trace("ExamineFlowAuditInfo 结果 :", audit_info_);
  } catch (...) {
    Trace("ExamineFlowAuditInfo NewValue ", value, "Error:", CurrentErrorInfo().second);
    audit_info_.clear();
  }
}

std::string AuditFlow::ExamineFlowAuditInfo() { return BuildAuditDisplay(audit_info_, "", ""); }

std::string AuditFlow::BuildAuditDisplay(const std::string& templateId, const std::string& flagOverride) {
  return BuildAuditDisplay(audit_info_, templateId, flagOverride);
}

std::string AuditFlow::DisplayFlag(const std::string& templateId) {
  const clsBillInformation& bill = model_.Bill();
  const std::string id = templateId.empty() ? std::to_string(bill.nID) : templateId;
  // Both literals are built before the query runs: a value no literal can
  // carry ends the display instead of reaching the database.
  const std::string sql =
      "select isnull(AuditDisplayFlag,'') as AuditDisplayFlag   from vouchertemplates_base where "
      "vt_cardnumber=" +
      SqlLiteral(bill.sBillNo) + " and vt_id=" + SqlLiteral(id);
  std::string flag;
  std::string error;
  if (RecordsetPtr rs = ctx_.DataSource().GetRsBySql(sql, error)) {
    const Variant& v = rs->Value("AuditDisplayFlag");
    flag = v.IsNull() ? std::string() : CStr(v);
    rs->Close();
  }
  if (flag.empty()) flag = Thread().accountOptions.AuditSelectCols;
  if (flag.empty()) flag = std::string(kDefaultAuditFlag);
  return flag;
}

std::string AuditFlow::BuildAuditDisplay(const std::string& auditXml, const std::string& templateId,
                                         const std::string& flagOverride) {
  if (auditXml.empty()) return {};
  try {
    const std::string flag_text = flagOverride.empty() ? DisplayFlag(templateId) : flagOverride;
    const std::optional<AuditDisplayFlag> flag = AuditDisplayFlag::Parse(flag_text);
    if (!flag) return {};

    pugi::xml_document doc;
    if (!xml::Load(doc, auditXml)) return {};
    const pugi::xml_node root = xml::DocumentElement(doc);
    pugi::xml_node list = root.first_child();
    while (list && list.type() != pugi::node_element) list = list.next_sibling();
    if (flag->alternative) {
      list = list.next_sibling();
      while (list && list.type() != pugi::node_element) list = list.next_sibling();
    }
    if (!list) return {};

    std::vector<pugi::xml_node> records;
    for (pugi::xml_node r = list.first_child(); r; r = r.next_sibling())
      if (r.type() == pugi::node_element) records.push_back(r);
    if (flag->record != 0) {
      if (flag->record < 0 || static_cast<std::size_t>(flag->record) > records.size()) return {};
      records = {records[static_cast<std::size_t>(flag->record) - 1]};
    } else if (model_.DescendAuditTime() == flag->alternative) {
      // Stored order is newest first in the normal list and oldest first in
      // the alternative one; both read oldest first unless the account asks
      // for newest first.
      std::reverse(records.begin(), records.end());
    }

    std::array<std::string, 5> captions;
    for (std::size_t c = 0; c < kColumns.size(); ++c)
      if (flag->show[c] == '1') captions[c] = GetResString(kColumns[c].caption_key) + "：";

    std::vector<std::array<std::string, 5>> rows;
    std::array<std::int32_t, 4> widths{};
    for (const pugi::xml_node& record : records) {
      const std::string action = record.attribute("action").value();
      if (!IsAuditActionShown(action, flag->mask)) continue;
      std::array<std::string, 5> row;
      for (std::size_t c = 0; c < kColumns.size(); ++c) {
        if (flag->show[c] != '1' && flag->show[c] != '2') continue;
        std::string value = record.attribute(kColumns[c].attribute).value();
        if (c == kActionColumn) value = GetAuditActionName(value);
        if (c == kTimeColumn) value = AuditTimePicture().Format(value);
        row[c] = captions[c] + value;
      }
      for (std::size_t c = 0; c < widths.size(); ++c) widths[c] = std::max(widths[c], vb::Len(row[c]));
      rows.push_back(std::move(row));
    }

    std::string text;
    for (const auto& row : rows) {
      for (std::size_t c = 0; c < widths.size(); ++c)
        text += row[c] + vb::Space(widths[c] - vb::Len(row[c]) + 1);
      text += row[4] + "\r\n";
    }
    return text;
  } catch (...) {
    return {};
  }
}

}  // namespace cavra
