// AuditFlow: the audit history of the loaded voucher, fetched through the
// data source's GetAuditString and shaped into a fixed-width text block (one
// line per record) for display and for the approval label of a printout.
//
// Audit XML: the root element's first child element is the normal record
// list, its second the alternative list; each child element of a list is a
// record with the attributes action, taskName, operator, auditTime and
// opinion (a missing one reads as "").
//
// Display flag, read from the left: an optional "@" (alternative list), then
// optionally digits and "@" (alternative list, only that 1-based record);
// one trailing "#" dropped; the rest split at "#" into S0..S4 (S4 is "0" when
// fewer than five sections). A section's first character "1" shows caption
// and value, "2" the value only. S1 also holds the action mask: what follows
// its first "R" (up to a second "R"), padded with "0" to 7 characters.
// Several digits may stand before "@", so records past the ninth can be named.
//
// Nothing here raises to the host: a failed fetch is logged and leaves no
// audit text; a display that cannot be built is "".
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/service_context.h"
#include "template/template_model.h"

namespace cavra {

// A parsed display flag.
struct AuditDisplayFlag {
  bool alternative = false;  // the second record list
  std::int32_t record = 0;   // 1-based record number; 0 = every record
  // Per column (task name, operator, action, time, opinion): '1' caption and
  // value, '2' value only, anything else nothing.
  std::array<char, 5> show{};
  std::string mask;  // at least 7 characters

  // Empty when the flag makes the display empty (fewer than two sections,
  // an S1 without "R").
  static std::optional<AuditDisplayFlag> Parse(std::string_view flag);
};

// The flag used when neither the template nor the account names one.
inline constexpr std::string_view kDefaultAuditFlag = "1R#1R11111111#1R#1R#";

class AuditFlow {
 public:
  AuditFlow(ServiceContext& context, TemplateModel& model) : ctx_(context), model_(model) {}

  // ExamineFlowAuditInfo let: "" clears, "get" (any case) fetches the loaded
  // voucher's history, "x,<voucher type>,<primary key>" another voucher's.
  void SetExamineFlowAuditInfo(const std::string& value);
  // ExamineFlowAuditInfo get: the display of the fetched history.
  std::string ExamineFlowAuditInfo();

  // The display text of the fetched history. templateId "" means the loaded
  // template's nID; flagOverride "" means the template's flag, else the
  // account's, else kDefaultAuditFlag.
  std::string BuildAuditDisplay(const std::string& templateId, const std::string& flagOverride);
  // The same over auditXml instead of the fetched history.
  std::string BuildAuditDisplay(const std::string& auditXml, const std::string& templateId,
                                const std::string& flagOverride);

  // Whether a record with action code is listed under mask.
  static bool IsAuditActionShown(std::string_view code, std::string_view mask);
  // The text shown for action code ("" for codes without a name).
  static std::string GetAuditActionName(std::string_view code);

  const std::string& AuditInfo() const noexcept { return audit_info_; }
  void Clear() noexcept { audit_info_.clear(); }

 private:
  // The template's flag for templateId, else the account's, else the default.
  std::string DisplayFlag(const std::string& templateId);

  ServiceContext& ctx_;
  TemplateModel& model_;
  std::string audit_info_;  // the fetched audit-flow XML
};

}  // namespace cavra
