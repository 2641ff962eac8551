#include "fakes/fakes.h"

#include <regex>

#include "cavra/error.h"

namespace cavra::testing {

void FakeDataSource::OnSql(std::string key, RecordsetPtr rs) {
  sql_handlers.emplace_back(std::move(key), [rs](const std::string&) {
    if (rs && rs->IsOpen() && rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
  });
}

void FakeDataSource::ExpectSql(std::string exact, RecordsetPtr rs) {
  exact_handlers_.emplace_back(std::move(exact), std::move(rs));
}

RecordsetPtr FakeDataSource::GetRsBySql(const std::string& sql, std::string& errText) {
  queries.push_back(sql);
  if (fail_query_number > 0 && static_cast<int>(queries.size()) == fail_query_number) {
    errText = "query failed";
    return nullptr;
  }
  for (auto& [exact, rs] : exact_handlers_) {
    if (sql != exact) continue;
    if (rs && rs->IsOpen() && rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
  }
  if (strict_sql) {
    unexpected_sql.push_back(sql);
    errText = "unexpected SQL";
    return nullptr;
  }
  for (auto& [key, handler] : sql_handlers)
    if (sql.find(key) != std::string::npos) return handler(sql);
  errText = "no data";
  return nullptr;
}

std::string FakeDataSource::GetAuthString(const std::string&) {
  if (auth_throws) throw VbError(5, "auth failed");
  return auth_string;
}

std::string FakeDataSource::GetWorkflowAuthString(std::string& pk, std::string& receipt,
                                                  const std::string& billNo) {
  workflow_calls.push_back(pk + "|" + receipt + "|" + billNo);
  return workflow_auth;
}

std::string FakeDataSource::GetAuditString(const std::string&, const std::string&, std::string&) {
  return audit_xml;
}

std::string FakeDataSource::InfoKey(const std::string& record) {
  auto attr = [&](const std::string& name) {
    std::smatch m;
    std::regex re(name + "='([^']*)'");
    return std::regex_search(record, m, re) ? m[1].str() : std::string();
  };
  return attr("fchrType") + "|" + attr("fchrVoucherType") + "|" + attr("fchrVoucherTemplateType");
}

void FakeDataSource::SaveCustomerInfo(std::string& record, std::string& errText) {
  saved_records.push_back(record);
  if (!customer_error.empty()) {
    errText = customer_error;
    return;
  }
  const auto open_end = record.find('>');
  const auto close = record.rfind("</Data>");
  if (open_end != std::string::npos && close != std::string::npos && close > open_end)
    customer_info[InfoKey(record)] = record.substr(open_end + 1, close - open_end - 1);
}

Variant FakeDataSource::GetCustomerInfo(std::string& request, std::string& errText) {
  info_requests.push_back(request);
  if (!customer_error.empty()) {
    errText = customer_error;
    return {};
  }
  auto it = customer_info.find(InfoKey(request));
  if (it == customer_info.end()) return {};
  return Variant(it->second);
}

RecordsetPtr RecordingDataSource::GetRsBySql(const std::string& sql, std::string& errText) {
  queries.push_back(sql);
  return inner_->GetRsBySql(sql, errText);
}

void RecordingDataSource::SaveCustomerInfo(std::string& record, std::string& errText) {
  records.push_back(record);
  inner_->SaveCustomerInfo(record, errText);
}

Variant RecordingDataSource::GetCustomerInfo(std::string& request, std::string& errText) {
  records.push_back(request);
  return inner_->GetCustomerInfo(request, errText);
}

void FakeGrid::Row(std::int32_t r) {
  row = r;
  calls.push_back("Row(" + std::to_string(r) + ")");
}

void FakeGrid::Redraw(bool on) {
  redraw = on;
  calls.push_back(on ? "Redraw(true)" : "Redraw(false)");
}

std::string FakeGrid::TextMatrix(std::int32_t r, std::int32_t c) {
  auto it = cells.find({r, c});
  return it == cells.end() ? std::string() : it->second;
}

void FakeGrid::ShowCell(std::int32_t r, std::int32_t c) {
  calls.push_back("ShowCell(" + std::to_string(r) + "," + std::to_string(c) + ")");
}

void FakeGrid::SelectRange(std::int32_t r1, std::int32_t c1, std::int32_t r2, std::int32_t c2) {
  calls.push_back("SelectRange(" + std::to_string(r1) + "," + std::to_string(c1) + "," + std::to_string(r2) +
                  "," + std::to_string(c2) + ")");
}

void FakeGrid::GetSelection(std::int32_t& r1, std::int32_t& c1, std::int32_t& r2, std::int32_t& c2) {
  r1 = sel_r1, c1 = sel_c1, r2 = sel_r2, c2 = sel_c2;
}

void RecordingSink::ExpressionCalculated(const Variant& origin, const Variant& item, std::int32_t row,
                                         const Variant& value) {
  calculated.push_back({CStr(origin), CStr(item), row, value.IsNull() ? std::string() : CStr(value)});
}

void RecordingSink::SortRuleChanged(const Variant& command) {
  sort_changes.push_back(CStr(command));
  if (on_sort_change) on_sort_change(command);
}

RecordsetPtr MakeRecordset(std::vector<std::string> names, std::vector<std::vector<Variant>> rows) {
  auto rs = std::make_shared<Recordset>(std::move(names));
  for (auto& r : rows) rs->AddRow(std::move(r));
  return rs;
}

}  // namespace cavra::testing
