// A voucher opened from a database: the data source, the service with the
// template and the voucher's documents loaded, and what the service raised.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <cavra/cavra.h>

#include "arguments.h"

namespace cavra::tool {

// Records the service's events; keeps the user's sort command when it changes.
class EventLog : public clsVoucherServiceEvents {
 public:
  struct Calculated {
    std::string origin, item, value;
    std::int32_t row;
  };
  std::vector<std::pair<std::int32_t, std::string>> errors;
  std::vector<Calculated> calculated;
  std::function<void(const std::string&)> on_sort_rule;

  void controlError(std::int32_t n, const std::string& text) override { errors.emplace_back(n, text); }
  void ExpressionCalculated(const Variant& origin, const Variant& item, std::int32_t row, const Variant& value) override;
  void SortRuleChanged(const Variant& command) override;
};

class Session {
 public:
  // Opens the database of the options (creating the default one when it is
  // missing) and loads the template; Failure when either is impossible.
  explicit Session(const Options& options);
  ~Session();

  // Loads the voucher of the options (or the first of its type).
  void LoadVoucher();
  // Reloads the documents the service holds (a saved sort is re-applied).
  void Reload();
  // Writes the voucher back in one transaction: rows whose values differ from
  // the loaded ones become "M" and only their changed columns are written,
  // while the database still holds the loaded values of those columns
  // (Failure "changed by another user" otherwise). Returns a line saying what
  // was written.
  std::string Save();
  // The body lines (1-based, live lines) whose values differ from the loaded ones.
  std::vector<std::int32_t> ChangedLines();
  // Writes head.xml and body.xml into dir.
  void WriteDocuments(const std::string& dir);
  // Saves command as the user's sort of the template.
  void SaveSortCommand(const std::string& command);

  clsVoucherService& service() { return *service_; }
  EventLog& events() { return *events_; }
  SqlDataSource& data_source() { return *data_source_; }
  const std::string& voucher_id() const { return voucher_id_; }
  const std::string& database() const { return database_; }
  const std::string& head_key() const { return head_key_; }
  const std::string& body_key() const { return body_key_; }

  // Throws Failure when the service reported an error since the last call.
  void CheckErrors(const std::string& doing);

 private:
  const Options& options_;
  std::string database_;
  SqlDataSourcePtr data_source_;
  std::shared_ptr<clsVoucherService> service_;
  std::shared_ptr<EventLog> events_ = std::make_shared<EventLog>();
  std::string head_table_, body_table_, head_key_, body_key_, voucher_id_;
  DomPtr loaded_head_, loaded_body_;
};

// Progress and notes go to standard error, results to standard output.
void Progress(const std::string& line);

}  // namespace cavra::tool
