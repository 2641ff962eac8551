// A voucher opened from a database: the data source, the service with the
// template and the voucher's documents loaded, and what the service raised.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
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
  // The ExpressionCalculated events in order. A calc of a large voucher
  // raises several per line: each is kept as the indexes of its two field
  // names and the end of its value in one text.
  class CalculatedLog {
   public:
    struct View {
      std::string_view origin, item, value;
      std::int32_t row;
    };
    void push_back(const Calculated& e);
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    View at(std::size_t i) const;
    Calculated operator[](std::size_t i) const;
    // Forgets every event and gives their memory back.
    void clear();

   private:
    std::uint32_t NameIndex(const std::string& name);
    struct Entry {
      std::uint32_t origin, item, value_end;
      std::int32_t row;
    };
    std::vector<std::string> names_;
    std::unordered_map<std::string, std::uint32_t> name_index_;
    std::deque<Entry> entries_;  // grown in blocks: no doubled copy of a million events
    std::string values_;
  };
  std::vector<std::pair<std::int32_t, std::string>> errors;
  CalculatedLog calculated;
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
  // Body lines read per query when a voucher is large.
  static constexpr std::int32_t kBodySlice = 10000;
  ~Session();

  // Loads the voucher of the options (or the first of its type). Unless
  // for_saving, the loaded documents are not kept: Save and ChangedLines
  // need them, show does not.
  void LoadVoucher(bool for_saving = true);
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
  // The body's document (and with twin, a second one, for the loaded copy).
  DomPtr ReadBody(DomPtr* twin);

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
