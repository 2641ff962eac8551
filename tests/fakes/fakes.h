// Test doubles for the host objects and the event sink: each answers what a
// test sets, can be told to fail, and counts the calls it receives.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cavra/events.h"
#include "cavra/grid.h"
#include "cavra/host.h"
#include "cavra/recordset.h"

namespace cavra::testing {

class FakeLogin : public ILogin {
 public:
  std::string sub_id = "AA";
  std::string user_name = "demo";
  std::string acc_id = "001";
  std::string install_path = "/opt/cavra";
  std::string cSub_Id() override { return sub_id; }
  std::string cUserName() override { return user_name; }
  std::string cAcc_Id() override { return acc_id; }
  std::string getistallpath() override { return install_path; }
};

class FakeDataSource : public IDataSource {
 public:
  // Answers GetRsBySql: the first handler whose key occurs in the SQL text
  // decides; without one the result is null with "no data" as error text.
  std::vector<std::pair<std::string, std::function<RecordsetPtr(const std::string&)>>> sql_handlers;
  // The Nth GetRsBySql call (1-based) fails with an error text; 0 = never.
  int fail_query_number = 0;
  std::vector<std::string> queries;  // every SQL text received, in order

  std::string auth_string = "1=2";
  bool auth_throws = false;

  std::string workflow_auth = "NotInFlow";
  std::vector<std::string> workflow_calls;  // "pk|receipt|billNo"

  std::string audit_xml;
  std::map<std::string, std::string> customer_info;  // request key -> content
  std::vector<std::string> saved_records;
  std::vector<std::string> info_requests;
  std::string customer_error;  // returned as error text when not empty

  std::string total_titles;
  std::string user_name = "demo";
  std::string web_root = "http://localhost/";
  LoginPtr login = std::make_shared<FakeLogin>();
  LoginPtr given_login;

  // Answers GetRsBySql with rows for SQL containing key.
  void OnSql(std::string key, RecordsetPtr rs);
  // Answers GetRsBySql with rows for exactly this SQL text; exact
  // expectations are tried before the substring handlers. With strict_sql, a
  // text that no exact expectation names fails and is kept in unexpected_sql.
  void ExpectSql(std::string exact, RecordsetPtr rs);
  bool strict_sql = false;
  std::vector<std::string> unexpected_sql;

  RecordsetPtr GetRsBySql(const std::string& sql, std::string& errText) override;
  std::string GetAuthString(const std::string& billNo) override;
  std::string GetWorkflowAuthString(std::string& primaryKeys, std::string& receiptNo,
                                    const std::string& billNo) override;
  std::string GetAuditString(const std::string& primaryKeys, const std::string& billNo,
                             std::string& errText) override;
  void SaveCustomerInfo(std::string& record, std::string& errText) override;
  Variant GetCustomerInfo(std::string& request, std::string& errText) override;
  std::string GetCustomerizeTotalTitle() override { return total_titles; }
  std::string GetCustomerizeTotalTitle(const std::string&) override { return total_titles; }
  std::string GetUserName() override { return user_name; }
  std::string WebRootURL() override { return web_root; }
  LoginPtr GetLogin() override { return login; }
  void setLogin(LoginPtr l) override { given_login = std::move(l); }

  // The fchrType / fchrVoucherType / fchrVoucherTemplateType of a record or
  // request, joined with "|": the key customer_info is looked up by.
  static std::string InfoKey(const std::string& record);

 private:
  std::vector<std::pair<std::string, RecordsetPtr>> exact_handlers_;
};

// Forwards every member to a real data source and records the SQL texts
// and customer-info records it passes on, exactly as received.
class RecordingDataSource : public IDataSource {
 public:
  explicit RecordingDataSource(DataSourcePtr inner) : inner_(std::move(inner)) {}

  std::vector<std::string> queries;  // GetRsBySql texts
  std::vector<std::string> records;  // SaveCustomerInfo records and GetCustomerInfo requests

  RecordsetPtr GetRsBySql(const std::string& sql, std::string& errText) override;
  std::string GetAuthString(const std::string& billNo) override { return inner_->GetAuthString(billNo); }
  std::string GetWorkflowAuthString(std::string& primaryKeys, std::string& receiptNo,
                                    const std::string& billNo) override {
    return inner_->GetWorkflowAuthString(primaryKeys, receiptNo, billNo);
  }
  std::string GetAuditString(const std::string& primaryKeys, const std::string& billNo,
                             std::string& errText) override {
    return inner_->GetAuditString(primaryKeys, billNo, errText);
  }
  void SaveCustomerInfo(std::string& record, std::string& errText) override;
  Variant GetCustomerInfo(std::string& request, std::string& errText) override;
  std::string GetCustomerizeTotalTitle() override { return inner_->GetCustomerizeTotalTitle(); }
  std::string GetCustomerizeTotalTitle(const std::string& id) override {
    return inner_->GetCustomerizeTotalTitle(id);
  }
  std::string GetUserName() override { return inner_->GetUserName(); }
  std::string WebRootURL() override { return inner_->WebRootURL(); }
  LoginPtr GetLogin() override { return inner_->GetLogin(); }
  void setLogin(LoginPtr l) override { inner_->setLogin(std::move(l)); }

 private:
  DataSourcePtr inner_;
};

// A grid with settable members that records what the service does to it.
class FakeGrid : public IBodyGrid {
 public:
  std::int32_t row = 1, top_row = 1, bottom_row = 20, rows = 1, fixed_rows = 1, cols = 10;
  bool redraw = true, read_only = false;
  std::string bad_str;
  std::int32_t protect_unload = 0;
  std::map<std::int32_t, std::string> totals;
  std::map<std::pair<std::int32_t, std::int32_t>, std::string> cells;
  std::vector<std::string> calls;  // "ShowCell(3,1)", "SelectRange(...)", "Redraw(false)" ...
  std::int32_t sel_r1 = 0, sel_c1 = 0, sel_r2 = 0, sel_c2 = 0;

  std::int32_t Row() override { return row; }
  void Row(std::int32_t r) override;
  bool Redraw() override { return redraw; }
  void Redraw(bool on) override;
  bool ReadOnly() override { return read_only; }
  void ReadOnly(bool on) override { read_only = on; }
  std::int32_t TopRow() override { return top_row; }
  void TopRow(std::int32_t r) override { top_row = r; }
  std::int32_t BottomRow() override { return bottom_row; }
  std::int32_t Rows() override { return rows; }
  std::int32_t FixedRows() override { return fixed_rows; }
  std::int32_t Cols() override { return cols; }
  std::string BadStr() override { return bad_str; }
  void BadStr(const std::string& s) override { bad_str = s; }
  std::int32_t ProtectUnload() override { return protect_unload; }
  std::string TextMatrix(std::int32_t r, std::int32_t c) override;
  std::string TextMatrixTotal(std::int32_t c) override { return totals[c]; }
  void TextMatrixTotal(std::int32_t c, const std::string& t) override { totals[c] = t; }
  void ShowCell(std::int32_t r, std::int32_t c) override;
  void SelectRange(std::int32_t r1, std::int32_t c1, std::int32_t r2, std::int32_t c2) override;
  void GetSelection(std::int32_t& r1, std::int32_t& c1, std::int32_t& r2, std::int32_t& c2) override;
};

// Records every event it receives.
class RecordingSink : public clsVoucherServiceEvents {
 public:
  struct Calculated {
    std::string origin, item;
    std::int32_t row;
    std::string value;
  };
  std::vector<std::pair<std::int32_t, std::string>> errors;
  std::vector<Calculated> calculated;
  std::vector<std::string> sort_changes;
  std::function<void(const Variant&)> on_sort_change;

  void controlError(std::int32_t n, const std::string& d) override { errors.emplace_back(n, d); }
  void ExpressionCalculated(const Variant& origin, const Variant& item, std::int32_t row,
                            const Variant& value) override;
  void SortRuleChanged(const Variant& command) override;
};

// A recordset from a header line and rows of values ("" stays a text; use
// Variant::Null() for Null).
RecordsetPtr MakeRecordset(std::vector<std::string> names, std::vector<std::vector<Variant>> rows);

}  // namespace cavra::testing
