#include "session.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>

namespace cavra::tool {
namespace {

namespace fs = std::filesystem;

bool IsPostgres(const std::string& db) {
  return db.rfind("postgresql://", 0) == 0 || db.rfind("postgres://", 0) == 0 || db.find("dbname=") != std::string::npos;
}

pugi::xml_node DataOf(const DomDocument& doc) { return doc.document_element().child("rs:data"); }

// A row's data, without the row state and the sorter's bookkeeping.
std::map<std::string, std::string> Values(const pugi::xml_node& row) {
  std::map<std::string, std::string> values;
  for (pugi::xml_attribute a : row.attributes()) {
    const std::string name = a.name();
    if (name == "editprop" || name == "tolmvouchersorter_inputorder_index" || name == "isNewAddedBlankRow_OrdraSorter")
      continue;
    values[name] = a.value();
  }
  return values;
}

// Marks "M" the unmarked rows of doc whose data differ from the row with the
// same key in loaded; returns how many rows of each state doc holds.
std::map<std::string, int> MarkChanges(DomDocument& doc, const DomDocument* loaded, const std::string& key) {
  std::map<std::string, pugi::xml_node> before;
  if (loaded)
    for (pugi::xml_node row : DataOf(*loaded).children("z:row")) before[row.attribute(key.c_str()).value()] = row;
  std::map<std::string, int> counts;
  for (pugi::xml_node row : DataOf(doc).children("z:row")) {
    pugi::xml_attribute state = row.attribute("editprop");
    if (!state) state = row.append_attribute("editprop");
    if (std::string(state.value()).empty()) {
      auto it = before.find(row.attribute(key.c_str()).value());
      if (it != before.end() && Values(it->second) != Values(row)) state = "M";
    }
    ++counts[state.value()];
  }
  return counts;
}

}  // namespace

void Progress(const std::string& line) { std::cerr << "cavra-voucher: " << line << std::endl; }

void EventLog::ExpressionCalculated(const Variant& origin, const Variant& item, std::int32_t row, const Variant& value) {
  calculated.push_back({CStr(origin), CStr(item), value.IsString() ? value.AsString() : std::string(), row});
}

void EventLog::SortRuleChanged(const Variant& command) {
  if (on_sort_rule) on_sort_rule(command.IsString() ? command.AsString() : std::string());
}

Session::Session(const Options& options) : options_(options) {
  try {
    if (options.db && IsPostgres(*options.db)) {
      database_ = "PostgreSQL";
      Progress("connecting to PostgreSQL");
      data_source_ = OpenPostgresDataSource(*options.db, true);
    } else {
      const fs::path path = options.db ? fs::path(*options.db) : DefaultDatabasePath();
      database_ = path.string();
      if (options.db && !fs::exists(path))
        throw Failure("no database at " + database_ + " (leave out --db to use the embedded default database)");
      if (!fs::exists(path)) Progress("creating the embedded database at " + database_ + " ...");
      data_source_ = OpenSqliteDataSource(path, !options.db);
    }
  } catch (const VbError& e) {
    throw Failure("cannot open the database " + database_ + ": " + e.description());
  }
  // The service creates its default data source by identifier: make that
  // ours, so the service and the tool share one database connection.
  const SqlDataSourcePtr ds = data_source_;
  ComponentRegistry::Register("DataSourceKit.DefaultDataSource", [ds] { return ds; });
  service_ = std::make_shared<clsVoucherService>();
  service_->addEventSink(events_);
  service_->SetDataSource(data_source_);

  std::string error;
  RecordsetPtr tpl = LoadTemplateRecordset(*data_source_, options.card, options.template_id, error);
  if (!tpl)
    throw Failure("no template " + options.card + ":" + std::to_string(options.template_id) + " in " + database_ +
                  (error.empty() ? "" : " (" + error + ")"));
  service_->setTemplateData(tpl);
  CheckErrors("loading the template");
  const BillInfoPtr bill = service_->GetVoucherState();
  head_table_ = bill->sBtTable;
  body_table_ = bill->sBwTable;
  head_key_ = bill->sPrimaryKeyFieldNames;
  if (head_key_.empty() || head_key_.find("{#}") != std::string::npos)
    throw Failure("the template's head key (" + head_key_ + ") is not one column");
  body_key_ = service_->GetBodyPKName();
  if (body_key_.empty()) body_key_ = "AutoID";
  // A failure inside the event would be dropped by the service: keep it as an
  // error the command reports.
  events_->on_sort_rule = [this](const std::string& command) {
    try {
      SaveSortCommand(command);
    } catch (const std::exception& e) {
      events_->errors.emplace_back(0, e.what());
    }
  };
}

Session::~Session() { ComponentRegistry::Unregister("DataSourceKit.DefaultDataSource"); }

void Session::CheckErrors(const std::string& doing) {
  if (events_->errors.empty()) return;
  const auto [number, text] = events_->errors.front();
  events_->errors.clear();
  throw Failure(doing + ": error " + std::to_string(number) + ": " + text);
}

void Session::LoadVoucher() {
  std::string error;
  // The names come from the template and vouchers_base: a name that is not
  // plain (say "AutoID desc") is refused, never run.
  const std::string head_table = SqlName(head_table_), body_table = SqlName(body_table_);
  const std::string head_key = SqlName(head_key_), body_key = SqlName(body_key_);
  if (options_.voucher) {
    voucher_id_ = *options_.voucher;
  } else {
    RecordsetPtr first =
        data_source_->QuerySql("select " + head_key + " from " + head_table + " order by " + head_key, {},
                               error);
    if (!first || first->Eof()) throw Failure("no voucher in " + head_table_ + (error.empty() ? "" : ": " + error));
    voucher_id_ = CStr(first->Fields(0).Value());
  }
  RecordsetPtr head = data_source_->QuerySql("select * from " + head_table + " where " + head_key + "=?",
                                             {voucher_id_}, error);
  if (!head) throw Failure("reading " + head_table_ + ": " + error);
  if (head->Eof()) throw Failure("no voucher " + voucher_id_ + " in " + head_table_);
  RecordsetPtr body = data_source_->QuerySql(
      "select * from " + body_table + " where " + head_key + "=? order by " + body_key, {voucher_id_}, error);
  if (!body) throw Failure("reading " + body_table_ + ": " + error);
  if (body->RecordCount() > 5000) Progress("loading " + std::to_string(body->RecordCount()) + " body lines ...");
  loaded_head_ = RecordsetToRowset(*head);
  loaded_body_ = RecordsetToRowset(*body);
  DomPtr head_doc = NewDom(), body_doc = NewDom();
  head_doc->reset(*loaded_head_);
  body_doc->reset(*loaded_body_);
  service_->setVoucherDataXML(head_doc, body_doc);
  CheckErrors("loading the voucher");
}

void Session::Reload() {
  DomPtr head, body;
  service_->getVoucherDataXML(head, body);
  service_->setVoucherDataXML(head, body);
}

std::string Session::Save() {
  DomPtr head, body;
  service_->getVoucherDataXML(head, body);
  const auto head_counts = MarkChanges(*head, loaded_head_.get(), head_key_);
  const auto body_counts = MarkChanges(*body, loaded_body_.get(), body_key_);
  std::string error;
  if (!data_source_->WriteRowsets({{head_table_, {head_key_}, head.get()}, {body_table_, {body_key_}, body.get()}},
                                  error))
    throw Failure("writing the voucher back (nothing was written): " + error);
  service_->ResetSigh();
  auto count = [](const std::map<std::string, int>& c, const char* state) {
    auto it = c.find(state);
    return it == c.end() ? 0 : it->second;
  };
  loaded_head_ = head;
  loaded_body_ = body;
  return "wrote voucher " + voucher_id_ + " to " + database_ + ": head " + std::to_string(count(head_counts, "M")) +
         " updated; body " + std::to_string(count(body_counts, "A")) + " added, " +
         std::to_string(count(body_counts, "M")) + " updated, " + std::to_string(count(body_counts, "D")) +
         " deleted";
}

void Session::WriteDocuments(const std::string& dir) {
  DomPtr head, body;
  service_->getVoucherDataXML(head, body);
  fs::create_directories(dir);
  for (auto [name, doc] : {std::pair{"head.xml", head}, std::pair{"body.xml", body}}) {
    const fs::path path = fs::path(dir) / name;
    if (!doc->save_file(path.c_str(), "  ", pugi::format_default, pugi::encoding_utf8))
      throw Failure("cannot write " + path.string());
  }
}

void Session::SaveSortCommand(const std::string& command) {
  const BillInfoPtr bill = service_->GetVoucherState();
  std::string record =
      CustomerInfoRecord("VoucherSorterCommand", bill->sBillNo, std::to_string(bill->nID), command);
  std::string error;
  data_source_->SaveCustomerInfo(record, error);
  if (!error.empty()) throw Failure("saving the sort command: " + error);
}

}  // namespace cavra::tool
