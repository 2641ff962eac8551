#include "session.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <unordered_map>
#include <unordered_set>

namespace cavra::tool {
namespace {

namespace fs = std::filesystem;

bool IsPostgres(const std::string& db) {
  return db.rfind("postgresql://", 0) == 0 || db.rfind("postgres://", 0) == 0 || db.find("dbname=") != std::string::npos;
}

pugi::xml_node DataOf(const DomDocument& doc) { return doc.document_element().child("rs:data"); }

bool IsBookkeeping(std::string_view name) { return name == "editprop" || IsSorterAttribute(name); }

// A number written differently ("1130" and "1130.0000") is the same value.
bool SameText(std::string_view a, std::string_view b) {
  if (a == b) return true;
  double x = 0, y = 0;
  auto [pa, ea] = std::from_chars(a.data(), a.data() + a.size(), x);
  auto [pb, eb] = std::from_chars(b.data(), b.data() + b.size(), y);
  return ea == std::errc() && eb == std::errc() && pa == a.data() + a.size() && pb == b.data() + b.size() &&
         std::isfinite(x) && x == y;
}

// True when the two rows hold the same data (the row state and the sorter's
// bookkeeping aside; a missing attribute is an empty value).
bool SameData(const pugi::xml_node& a, const pugi::xml_node& b) {
  for (pugi::xml_attribute x : a.attributes())
    if (!IsBookkeeping(x.name()) && !SameText(x.value(), b.attribute(x.name()).value())) return false;
  for (pugi::xml_attribute y : b.attributes())
    if (!IsBookkeeping(y.name()) && !a.attribute(y.name()) && *y.value()) return false;
  return true;
}

// Marks "M" the unmarked rows of doc whose data differ from the row with the
// same key in loaded. Failure when a row's key is not one loaded or is shared
// by two rows: rows are saved by the key they were loaded with.
void MarkChanges(DomDocument& doc, const DomDocument* loaded, const std::string& key) {
  std::unordered_map<std::string_view, pugi::xml_node> before;
  if (loaded)
    for (pugi::xml_node row : DataOf(*loaded).children("z:row")) before[row.attribute(key.c_str()).value()] = row;
  std::unordered_set<std::string_view> seen;
  for (pugi::xml_node row : DataOf(doc).children("z:row")) {
    pugi::xml_attribute state = row.attribute("editprop");
    if (!state) state = row.append_attribute("editprop");
    const std::string_view key_value = row.attribute(key.c_str()).value();
    if (loaded && std::string_view(state.value()) != "A" &&
        (!before.count(key_value) || !seen.insert(key_value).second))
      throw Failure("a row's key " + key + " changed to " + std::string(key_value) + ": nothing was written");
    if (std::string_view(state.value()).empty()) {
      auto it = before.find(key_value);
      if (it != before.end() && !SameData(it->second, row)) state = "M";
    }
  }
}

// The XML text of a persisted rowset put together from the texts of several
// recordsets of one query, then parsed in place: the document's strings stay
// in the text instead of each being copied apart.
class RowsetText {
 public:
  // Appends the rows of a part's text; the first part also gives the schema.
  // expected: how many rows are coming in all, to size the text once.
  void Append(std::string_view part, std::int32_t rows, std::int64_t expected) {
    const std::size_t data = part.find("<rs:data>"), end = part.rfind("</rs:data>");
    if (data == std::string_view::npos || end == std::string_view::npos || end < data)
      throw Failure("a rowset text without its rs:data");
    if (started_) part = part.substr(data + 9, end - data - 9);
    else part = part.substr(0, end);
    if (!started_ && rows > 0 && expected > rows)
      text_.reserve(part.size() + (part.size() - data) / static_cast<std::size_t>(rows) *
                                      static_cast<std::size_t>(expected - rows) / 20 * 21);
    started_ = true;
    text_.append(part);
  }

  // The document, and with twin another one of the same text; Failure when
  // the text does not parse (it always should).
  DomPtr Document(DomPtr* twin = nullptr) {
    if (started_) text_ += "</rs:data></xml>";
    if (twin) *twin = Parse(std::string(text_));
    DomPtr doc = Parse(std::move(text_));
    text_.clear();
    return doc;
  }

 private:
  static DomPtr Parse(std::string text) {
    struct Parsed {
      std::string text;
      pugi::xml_document doc;
    };
    auto parsed = std::make_shared<Parsed>();
    parsed->text = std::move(text);
    if (!parsed->text.empty()) {
      const pugi::xml_parse_result r =
          parsed->doc.load_buffer_inplace(parsed->text.data(), parsed->text.size(),
                                          pugi::parse_minimal | pugi::parse_escapes, pugi::encoding_utf8);
      if (!r) throw Failure(std::string("the body's rowset text does not parse: ") + r.description());
    }
    return DomPtr(parsed, &parsed->doc);
  }

  std::string text_;
  bool started_ = false;
};

}  // namespace

void Progress(const std::string& line) { std::cerr << "cavra-voucher: " << line << std::endl; }

std::uint32_t EventLog::CalculatedLog::NameIndex(const std::string& name) {
  auto [it, added] = name_index_.try_emplace(name, static_cast<std::uint32_t>(names_.size()));
  if (added) names_.push_back(name);
  return it->second;
}

void EventLog::CalculatedLog::push_back(const Calculated& e) {
  if (values_.size() + e.value.size() > UINT32_MAX) throw std::length_error("over 4 GB of calculated values");
  values_ += e.value;
  const auto end = static_cast<std::uint32_t>(values_.size());
  entries_.push_back({NameIndex(e.origin), NameIndex(e.item), end, e.row});
}

EventLog::CalculatedLog::View EventLog::CalculatedLog::at(std::size_t i) const {
  const Entry& e = entries_.at(i);
  const std::uint32_t start = i ? entries_[i - 1].value_end : 0;
  const std::string_view value = std::string_view(values_).substr(start, e.value_end - start);
  return {names_[e.origin], names_[e.item], value, e.row};
}

EventLog::Calculated EventLog::CalculatedLog::operator[](std::size_t i) const {
  const View v = at(i);
  return {std::string(v.origin), std::string(v.item), std::string(v.value), v.row};
}

void EventLog::CalculatedLog::clear() {
  std::deque<Entry>().swap(entries_);
  std::string().swap(values_);
}

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
      data_source_ = OpenPostgresDataSource(*options.db, true).value();
    } else {
      const fs::path path = options.db ? fs::path(*options.db) : DefaultDatabasePath();
      database_ = path.string();
      if (options.db && !fs::exists(path))
        throw Failure("no database at " + database_ + " (leave out --db to use the embedded default database)");
      if (!fs::exists(path)) Progress("creating the embedded database at " + database_ + " ...");
      data_source_ = OpenSqliteDataSource(path, !options.db).value();
    }
  } catch (const VbError& e) {
    throw Failure("cannot open the database " + database_ + ": " + e.description());
  }
  // The service creates its default data source by identifier: in its own
  // set that is ours, so the service and the tool share one database
  // connection (the process-wide set is left as the library made it).
  const auto components = std::make_shared<ComponentSet>();
  components->Register("DataSourceKit.DefaultDataSource", [ds = data_source_] { return ds; });
  service_ = std::make_shared<clsVoucherService>(ServiceEnvironment{components, nullptr});
  service_->addEventSink(events_);
  service_->SetDataSource(data_source_);

  const Result<RecordsetPtr> tpl = LoadTemplateRecordset(*data_source_, options.card, options.template_id);
  if (!tpl.ok())
    throw Failure("no template " + options.card + ":" + std::to_string(options.template_id) + " in " + database_ +
                  " (" + tpl.error().description() + ")");
  service_->setTemplateData(*tpl);
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

Session::~Session() = default;

void Session::CheckErrors(const std::string& doing) {
  // A saved sort command that cannot be applied leaves the lines in their
  // stored order: a warning, not a failure (`sort` must still replace it).
  std::erase_if(events_->errors, [](const auto& e) {
    if (e.first != err::kBadSavedSort) return false;
    Progress("warning: " + e.second);
    return true;
  });
  if (events_->errors.empty()) return;
  const auto [number, text] = events_->errors.front();
  events_->errors.clear();
  throw Failure(doing + ": error " + std::to_string(number) + ": " + text);
}

void Session::LoadVoucher(bool for_saving) {
  // The names come from the template and vouchers_base: a name that is not
  // plain (say "AutoID desc") is refused, never run.
  const std::string head_table = SqlName(head_table_), head_key = SqlName(head_key_);
  if (options_.voucher) {
    voucher_id_ = *options_.voucher;
  } else {
    const Result<RecordsetPtr> first =
        data_source_->QuerySql("select " + head_key + " from " + head_table + " order by " + head_key, {});
    if (!first.ok()) throw Failure("no voucher in " + head_table_ + ": " + first.error().description());
    if ((*first)->Eof()) throw Failure("no voucher in " + head_table_);
    voucher_id_ = CStr((*first)->Fields(0).Value());
  }
  Result<RecordsetPtr> read =
      data_source_->QuerySql("select * from " + head_table + " where " + head_key + "=?", {voucher_id_});
  if (!read.ok()) throw Failure("reading " + head_table_ + ": " + read.error().description());
  RecordsetPtr head = *std::move(read);
  if (head->Eof()) throw Failure("no voucher " + voucher_id_ + " in " + head_table_);
  loaded_head_.reset();
  loaded_body_.reset();
  DomPtr head_doc = RecordsetToRowset(*head);
  // The documents as loaded, to find the rows a save must write: a second
  // parse of the text is smaller and quicker than the service's copy.
  if (for_saving) loaded_head_ = RecordsetToRowset(*head);
  head.reset();
  DomPtr body_doc = ReadBody(for_saving ? &loaded_body_ : nullptr);
  // Nobody else holds them: the service keeps them instead of a copy.
  service_->setVoucherDataXML(std::move(head_doc), std::move(body_doc));
  CheckErrors("loading the voucher");
}

DomPtr Session::ReadBody(DomPtr* twin) {
  // A large body is read a slice at a time, by key, and each slice turned
  // into XML text at once: neither the whole recordset nor a second
  // document is ever held beside the text and the document parsed from it.
  const std::string body_key = SqlName(body_key_);
  const std::string from = " from " + SqlName(body_table_) + " where " + SqlName(head_key_) + "=?";
  auto query = [&](const std::string& sql, const VariantArray& params) {
    Result<RecordsetPtr> rs = data_source_->QuerySql(sql, params);
    if (!rs.ok()) throw Failure("reading " + body_table_ + ": " + rs.error().description());
    return *std::move(rs);
  };
  RecordsetPtr count = query("select count(*)" + from, {voucher_id_});
  const std::int64_t lines = count->Eof() ? 0 : CLng(count->Fields(0).Value());
  count.reset();
  if (lines > 5000) Progress("loading " + std::to_string(lines) + " body lines ...");
  RowsetText text;
  std::int64_t read = 0;
  auto slice = [&](const std::string& sql, const VariantArray& params, Variant* last_key) {
    RecordsetPtr rs = query(sql, params);
    const std::int32_t n = rs->RecordCount();
    if (last_key && n > 0) {
      rs->MoveLast();
      *last_key = rs->Fields(body_key_).Value();
    }
    const std::string part = RecordsetToRowsetText(*rs);
    rs.reset();
    text.Append(part, n, lines);
    read += n;
    return n;
  };
  const std::string order = " order by " + body_key;
  if (lines > kBodySlice) {
    Variant last;
    const std::string top = "select top " + std::to_string(kBodySlice) + " *" + from;
    for (std::int32_t n = slice(top + order, {voucher_id_}, &last); n == kBodySlice && !last.IsNull();)
      n = slice(top + " and " + body_key + " > ?" + order, {voucher_id_, last}, &last);
  }
  // Keys that are missing or shared would lose rows between slices: then the
  // body is read whole.
  if (read != lines || lines <= kBodySlice) {
    text = RowsetText();
    read = 0;
    slice("select *" + from + order, {voucher_id_}, nullptr);
  }
  return text.Document(twin);
}

void Session::Reload() {
  DomPtr head, body;
  service_->getVoucherDataXML(head, body);
  service_->setVoucherDataXML(std::move(head), std::move(body));  // kept, not copied again
}

std::string Session::Save() {
  DomPtr head, body;
  service_->getVoucherDataXML(head, body);
  MarkChanges(*head, loaded_head_.get(), head_key_);
  MarkChanges(*body, loaded_body_.get(), body_key_);
  RowsetWriteCounts head_counts, body_counts;
  const Result<void> written =
      data_source_->WriteRowsets({{head_table_, {head_key_}, head.get(), loaded_head_.get(), &head_counts},
                                  {body_table_, {body_key_}, body.get(), loaded_body_.get(), &body_counts}});
  if (!written.ok())
    throw Failure("writing the voucher back (nothing was written): " + written.error().description());
  service_->ResetSigh();
  loaded_head_ = head;
  loaded_body_ = body;
  return "wrote voucher " + voucher_id_ + " to " + database_ + ": head " +
         std::to_string(head_counts.updated) + " updated; body " + std::to_string(body_counts.inserted) +
         " added, " + std::to_string(body_counts.updated) + " updated, " +
         std::to_string(body_counts.deleted) + " deleted";
}

std::vector<std::int32_t> Session::ChangedLines() {
  DomPtr head, body;
  service_->getVoucherDataXML(head, body);
  std::unordered_map<std::string_view, pugi::xml_node> before;
  for (pugi::xml_node row : DataOf(*loaded_body_).children("z:row"))
    before[row.attribute(body_key_.c_str()).value()] = row;
  std::vector<std::int32_t> changed;
  std::int32_t line = 0;
  for (pugi::xml_node row : DataOf(*body).children("z:row")) {
    if (std::string_view(row.attribute("editprop").value()) == "D") continue;
    ++line;
    auto it = before.find(row.attribute(body_key_.c_str()).value());
    if (it == before.end() || !SameData(it->second, row)) changed.push_back(line);
  }
  return changed;
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
