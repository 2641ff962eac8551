#include "commands.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <set>

#include "sample_labels.h"
#include "session.h"
#include "table.h"

#ifdef CAVRA_TOOL_RENDERS
#include "render/print_control.h"
#endif

namespace cavra::tool {
namespace {

std::string Text(const Variant& v) { return v.IsEmpty() || v.IsNull() ? std::string() : CStr(v); }

std::string Caption(const clsItemState& item) {
  return item.sCardFormula1.empty() ? item.sCardItemName : item.sCardFormula1;
}

bool IsNumber(const clsItemState& item) { return item.nFieldType == 2 || item.nFieldType == 3 || item.nFieldType == 4; }

// A display text into the table without another copy.
void AddCell(Table& table, const Variant& v) {
  if (v.IsString()) table.Cell(v.AsString());
  else if (v.IsEmpty() || v.IsNull()) table.Cell({});
  else table.Cell(CStr(v));
}

// The visible body items in grid-column order.
std::vector<ItemPtr> BodyColumns(clsVoucherService& svc) {
  std::vector<ItemPtr> columns;
  for (std::int32_t i = 1; i <= svc.BodyInfoCount(); ++i)
    if (ItemPtr item = svc.ItemState(Variant(i), sibody); item && !item->Reserve6.empty()) columns.push_back(item);
  return columns;
}

void ShowHeader(Session& s) {
  clsVoucherService& svc = s.service();
  const BillInfoPtr bill = svc.GetVoucherState();
  std::cout << "\n" << bill->sTitle << "  " << bill->sReceiptNO << "   (voucher " << s.voucher_id() << ", template "
            << bill->sBillNo << ":" << bill->nID << ")\n\n";
  Table table({"字段", "名称", "值"});
  for (std::int32_t i = 1; i <= svc.HeadInfoCount(); ++i) {
    const ItemPtr item = svc.ItemState(Variant(i), siHeader);
    if (!item || !item->showIt) continue;
    table.Add({Caption(*item), item->sFieldName, Text(svc.headerText(Variant(item->sFieldName)))});
  }
  table.Print(std::cout);
}

void ShowBody(Session& s, const std::vector<std::int32_t>& only = {}) {
  clsVoucherService& svc = s.service();
  const std::vector<ItemPtr> columns = BodyColumns(svc);
  std::vector<std::string> headings{"行"};
  std::vector<Variant> positions;
  for (const ItemPtr& item : columns) {
    headings.push_back(Caption(*item));
    positions.emplace_back(std::stoi(item->Reserve6));
  }
  Table table(headings);
  for (std::size_t c = 0; c < columns.size(); ++c)
    if (IsNumber(*columns[c])) table.AlignRight(c + 1);
  auto add_line = [&](std::int32_t line) {
    table.Cell(std::to_string(line));
    for (const Variant& position : positions) AddCell(table, svc.GetInteralBodyText(line, position));
    table.EndRow();
  };
  if (only.empty()) {
    const std::int32_t lines = svc.BodyLineCount();
    table.Reserve(static_cast<std::size_t>(lines) + 1);
    for (std::int32_t line = 1; line <= lines; ++line) add_line(line);
  } else {
    for (std::int32_t line : only) add_line(line);
  }
  if (only.empty()) {
    table.Cell("合计");
    for (const ItemPtr& item : columns)
      table.Cell(item->nNeedSum ? svc.TotalText(Variant(item->sFieldName)) : "");
    table.EndRow();
  }
  std::cout << "\n";
  table.Print(std::cout);
}

void ShowCalculated(Session& s, std::size_t from = 0) {
  const auto& events = s.events().calculated;
  Table table({"行", "触发字段", "计算字段", "值"});
  table.AlignRight(0);
  table.AlignRight(3);
  // The events are read twice, for the widths and then for the lines: the
  // table of a large voucher's events is never built.
  auto cells = [&](std::size_t i, auto&& use) {
    const EventLog::CalculatedLog::View e = events.at(i);
    char row[16];
    std::string_view line = "表头";
    if (e.row >= 0)
      line = std::string_view(row, static_cast<std::size_t>(std::snprintf(row, sizeof row, "%d", e.row)));
    use({line, e.origin, e.item, e.value});
  };
  for (std::size_t i = from; i < events.size(); ++i)
    cells(i, [&](std::initializer_list<std::string_view> c) { table.Measure(c); });
  std::cout << "\nExpressionCalculated (" << events.size() - from << "):\n";
  table.PrintHead(std::cout);
  for (std::size_t i = from; i < events.size(); ++i)
    cells(i, [&](std::initializer_list<std::string_view> c) { table.PrintRow(std::cout, c); });
}

// InputError unless the voucher has body line `line`.
void CheckLine(clsVoucherService& svc, std::int32_t line) {
  const std::int32_t lines = svc.BodyLineCount();
  if (line > lines)
    throw InputError("no body line " + std::to_string(line) + ": the voucher has " + std::to_string(lines) +
                     (lines == 1 ? " line" : " lines"));
}

std::size_t Characters(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

bool IsFiniteNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// YYYY-MM-DD, optionally followed by " " or "T" and HH:MM or HH:MM:SS.
bool IsDate(std::string_view text) {
  auto number = [&](std::size_t at, std::size_t digits, int& out) {
    if (at + digits > text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return false;
    const auto [end, ec] = std::from_chars(text.data() + at, text.data() + at + digits, out);
    return ec == std::errc() && end == text.data() + at + digits;
  };
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!number(0, 4, year) || text.size() < 10 || text[4] != '-' || !number(5, 2, month) || text[7] != '-' ||
      !number(8, 2, day))
    return false;
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] || (month == 2 && day == 29 && !leap))
    return false;
  if (text.size() == 10) return true;
  if ((text[10] != ' ' && text[10] != 'T') || !number(11, 2, hour) || text.size() < 16 || text[13] != ':' ||
      !number(14, 2, minute) || hour > 23 || minute > 59)
    return false;
  if (text.size() == 16) return true;
  return text.size() == 19 && text[16] == ':' && number(17, 2, second) && second <= 59;
}

// The codes of an enumeration field, as "name=code, ...".
std::string EnumList(const clsItemState& item) {
  std::string list;
  if (!item.collEnumMap) return list;
  for (std::int32_t i = 1; i <= item.collEnumMap->Count(); ++i) {
    const std::string key = item.collEnumMap->KeyAt(i);
    if (key.rfind("name", 0) == 0)
      list += (list.empty() ? "" : ", ") + item.collEnumMap->Item(i) + "=" + key.substr(4);
  }
  return list;
}

// The text to store for a value typed for a field; InputError when it does
// not fit the field (checked before anything is changed or saved, so both
// databases give the same answer).
std::string StoredValue(Session& s, std::int32_t line, const clsItemState& item, const std::string& value) {
  const std::string& field = item.sFieldName;
  auto same_name = [](std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) ==
                                                  std::tolower(static_cast<unsigned char>(y)); });
  };
  if (same_name(field, s.body_key()) || same_name(field, s.head_key()))
    throw InputError(field + " is a key column: it finds the line's row in the database and cannot be "
                     "edited");
  // An enumeration name becomes its code; other values are stored as typed
  // (the formatted text is for the grid, not for the data).
  std::string stored = value;
  if (item.IsEnum && !item.Reserve6.empty())
    stored = s.service().GetFormatStringByValue(line, Variant(std::stoi(item.Reserve6)), value);
  if (stored.empty()) return stored;  // clears the field
  if (item.nFieldType == 5) {
    if (!IsDate(stored))
      throw InputError(field + ": \"" + value + "\" is not a date (YYYY-MM-DD [HH:MM[:SS]])");
  } else if (item.nFieldType != 0 && item.nFieldType != 1) {
    if (!IsFiniteNumber(stored)) throw InputError(field + ": \"" + value + "\" is not a finite number");
  }
  if (item.IsEnum && (!item.collEnumMap || !item.collEnumMap->Exists("name" + stored)))
    throw InputError(field + ": \"" + value + "\" is not one of " + EnumList(item));
  if (item.nMaxLength > 0 && Characters(stored) > static_cast<std::size_t>(item.nMaxLength))
    throw InputError(field + ": \"" + value + "\" is " + std::to_string(Characters(stored)) +
                     " characters long, more than its " + std::to_string(item.nMaxLength));
  return stored;
}

void SetLineFields(Session& s, std::int32_t line, const std::vector<std::pair<std::string, std::string>>& sets) {
  clsVoucherService& svc = s.service();
  CheckLine(svc, line);
  DomPtr dom = svc.GetLineDom(line);
  if (!dom) throw Failure("no body line " + std::to_string(line) + ": " + svc.GetLastError());
  pugi::xml_node row = dom->document_element().child("rs:data").child("z:row");
  for (const auto& [field, value] : sets) {
    const ItemPtr item = svc.ItemState(Variant(field), sibody);
    s.events().errors.clear();
    if (!item) throw Failure("the template has no body field " + field);
    const std::string stored = StoredValue(s, line, *item, value);
    pugi::xml_attribute a = row.attribute(item->sFieldName.c_str());
    if (!a) a = row.append_attribute(item->sFieldName.c_str());
    a = stored.c_str();
  }
  svc.UpdateLineData(dom, line);
}

// The fields a sort command may name: the template's body items and the
// columns of the body document.
std::vector<std::string> SortableFields(clsVoucherService& svc) {
  std::vector<std::string> fields;
  for (std::int32_t i = 1; i <= svc.BodyInfoCount(); ++i)
    if (ItemPtr item = svc.ItemState(Variant(i), sibody)) fields.push_back(item->sFieldName);
  DomPtr head, body;
  svc.getVoucherDataXML(head, body);
  for (pugi::xml_node at :
       body->document_element().child("s:Schema").child("s:ElementType").children("s:AttributeType"))
    fields.emplace_back(at.attribute("name").value());
  return fields;
}

void Finish(Session& s, const Options& o) {
  if (o.out) {
    s.WriteDocuments(*o.out);
    Progress("wrote " + *o.out + "/head.xml and " + *o.out + "/body.xml");
  }
}

// The errors the service raised, as notes: the IM members never fail.
void NoteErrors(Session& s) {
  for (const auto& [number, text] : s.events().errors)
    Progress("note: error " + std::to_string(number) + ": " + text);
  s.events().errors.clear();
}

void ShowContacts(Session& s) {
  const std::string xml = s.service().GetAllIMUsers();
  NoteErrors(s);
  std::cout << "GetAllIMUsers: " << xml << "\n";
  pugi::xml_document doc;
  Table table({"描述", "用户"});
  if (doc.load_string(xml.c_str()))
    for (pugi::xml_node user : doc.child("ToUsers").children("UserID"))
      table.Add({user.attribute("Description").value(), user.text().get()});
  std::cout << "\n";
  if (table.Rows() == 0) std::cout << "(no IM contacts)\n";
  else table.Print(std::cout);
}

void ShowSummary(Session& s) {
  const std::string xml = s.service().GetVoucherSummaryInfo();
  NoteErrors(s);
  std::cout << "GetVoucherSummaryInfo: " << xml << "\n";
  pugi::xml_document doc;
  Table table({"字段", "名称", "值"});
  if (doc.load_string(xml.c_str()))
    for (pugi::xml_node field : doc.child("Summary").children("Field"))
      table.Add({field.attribute("DisplayName").value(), field.attribute("Name").value(),
                 field.attribute("Value").value()});
  std::cout << "\n";
  table.Print(std::cout);
}

namespace fs = std::filesystem;

// The folder a default component writes into: the environment variable, else
// the name under the temp folder. With --out, the variable is set to it first.
fs::path OutputFolder(const char* variable, const char* fallback, const std::optional<std::string>& out) {
  if (out) setenv(variable, fs::absolute(*out).c_str(), 1);
  const char* v = std::getenv(variable);
  return v && *v ? fs::path(v) : fs::temp_directory_path() / fallback;
}

std::set<fs::path> FilesIn(const fs::path& dir) {
  std::set<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) files.insert(it->path());
  return files;
}

// Prints the files of dir that were not there before; their number.
std::size_t NameNewFiles(const fs::path& dir, const std::set<fs::path>& before) {
  std::size_t n = 0;
  for (const fs::path& p : FilesIn(dir))
    if (!before.count(p)) {
      std::cout << p.string() << "\n";
      ++n;
    }
  return n;
}

// The template and fixed-label recordsets printing takes. The tool has no
// fixed labels of its own: the preparation prints the template's fields.
Variant TemplateOf(Session& s) { return Variant(ObjectPtr(s.service().GetTemplateData())); }
Variant LabelsOf(const Options& o) {
  if (!o.labels) return Variant();
  auto labels = ReadFixedLabelFile(*o.labels);
  if (!labels.ok()) throw Failure(labels.error().description());
  return Variant(ObjectPtr(*labels));
}

// The sample's company picture (AA_Picture "公司标志") as the logo the print
// documents carry, in Base64; "" when the database holds none.
std::string CompanyLogo(Session& s) {
  auto rows = s.data_source().QuerySql("select Picture from AA_Picture where cPicName = ?", {Variant("公司标志")});
  if (!rows.ok() || !*rows || (*rows)->Eof()) return "";
  auto codes = ComponentRegistry::CreateAs<ICodeLib>("CodeRuleKit.CodeLib");
  std::string text;
  if (!codes || codes->Base64encode((*rows)->Value("Picture"), text, 0, 1) != 0) return "";
  return text;
}

Variant SampleLabels() {
  pugi::xml_document doc;
  if (!doc.load_string(kSampleLabels)) throw Failure("the built-in sample labels do not parse");
  auto labels = FixedLabelRecordsetFromXml(doc);
  if (!labels.ok()) throw Failure(labels.error().description());
  return Variant(ObjectPtr(*labels));
}

// The reason the print control gives for its last failure, as ": reason".
using ReasonOf = std::function<std::string()>;

// The renderer's print control, handed to the service so that a failure can
// be told with its reason (the service keeps only the code).
ReasonOf AttachPrintControl(Session& s) {
#ifdef CAVRA_TOOL_RENDERS
  auto control = std::make_shared<render::RenderPrintControl>();
  s.service().PrintControlObj(control);
  return [control] { return control->LastError().empty() ? std::string() : ": " + control->LastError(); };
#else
  (void)s;
  return [] { return std::string(); };
#endif
}

void CheckPrinted(Session& s, const std::string& doing) {
  s.CheckErrors(doing);
  if (std::string text = s.service().GetLastError(); !text.empty()) throw Failure(doing + ": " + text);
}

}  // namespace

int Contacts(const Options& o) {
  Session s(o);
  s.LoadVoucher(false);
  ShowContacts(s);
  return 0;
}

int Summary(const Options& o) {
  Session s(o);
  s.LoadVoucher(false);
  ShowSummary(s);
  return 0;
}

namespace {

int PrintOrPreview(const Options& o, bool preview) {
  const fs::path dir = OutputFolder("CAVRA_PRINT_DIR", "cavra-print", o.out);
  Session s(o);
  s.LoadVoucher(false);
  const ReasonOf reason = AttachPrintControl(s);
  const auto before = FilesIn(dir);
  const Variant code = s.service().PrintVoucher(TemplateOf(s), LabelsOf(o), preview, false, false);
  const std::string doing = preview ? "previewing" : "printing";
  CheckPrinted(s, doing);
  if (code.IsEmpty()) throw Failure(doing + ": the voucher gave no print documents");
  // A failed printer still leaves the PDF: name it before failing.
  const std::size_t written = NameNewFiles(dir, before);
  if (CLng(code) != 0) throw Failure(doing + ": the print control answered " + CStr(code) + reason());
  if (written == 0) throw Failure(doing + ": no file was written");
  return 0;
}

}  // namespace

int Print(const Options& o) { return PrintOrPreview(o, false); }

int Preview(const Options& o) { return PrintOrPreview(o, true); }

int Export(const Options& o) {
  const fs::path dir = OutputFolder("CAVRA_PRINT_DIR", "cavra-print", o.out);
  Session s(o);
  s.LoadVoucher(false);
  const ReasonOf reason = AttachPrintControl(s);
  const auto before = FilesIn(dir);
  const Variant type(std::int32_t{o.file_type});
  const bool done = s.service().ExportToFile2(TemplateOf(s), LabelsOf(o), false, nullptr, type);
  CheckPrinted(s, "exporting");
  if (!done || NameNewFiles(dir, before) == 0) throw Failure("exporting: no file was written" + reason());
  return 0;
}

namespace {

std::int16_t FileType(const Options& o) { return static_cast<std::int16_t>(o.file_type); }

// An address given on the command line: one "@", nothing that could end the
// XML attribute, a header line or an SMTP command.
void CheckAddress(const std::string& address) {
  const bool bad = std::count(address.begin(), address.end(), '@') != 1 || address.front() == '@' ||
                   address.back() == '@' || std::any_of(address.begin(), address.end(), [](unsigned char c) {
                     return c <= ' ' || c == 0x7F || std::strchr("<>\"'(),;:\\[]", c) != nullptr;
                   });
  if (bad) throw InputError("--to: not an e-mail address: " + address);
}

// Exports the voucher to a temporary file and hands it to the default mailer
// for the addresses given; the file is removed once the message holds it.
void MailTo(Session& s, const Options& o) {
  for (const std::string& address : o.to) CheckAddress(address);
  Variant file;
  const bool exported = s.service().ExportToFile(TemplateOf(s), LabelsOf(o), false, &file, FileType(o));
  CheckPrinted(s, "exporting");
  if (!exported || !file.IsString() || file.AsString().empty()) throw Failure("exporting: no file was written");
  const std::string path = file.AsString();
  std::string dest = "<DestInfo>";
  for (const std::string& address : o.to) dest += "<Person Id='" + address + "' Type='0' />";
  dest += "</DestInfo>";
  BillInfoPtr state = s.service().GetVoucherState();
  auto mailer = ComponentRegistry::CreateAs<IVoucherMailer>("VoucherMailer.ClassFullEMail");
  LoginPtr login = s.service().LoginObj();
  try {
    mailer->Show(login, dest, path, state ? state->sTitle : "", state ? state->sReceiptNO : "");
  } catch (...) {
    std::error_code ec;
    fs::remove(path, ec);
    throw;
  }
  std::error_code ec;
  fs::remove(path, ec);
}

}  // namespace

int Mail(const Options& o) {
  const fs::path outbox = OutputFolder("CAVRA_OUTBOX_DIR", "cavra-outbox", o.out);
  Session s(o);
  s.LoadVoucher(false);
  AttachPrintControl(s);
  // A message that was sent moves to the outbox's "sent" folder.
  const auto before = FilesIn(outbox), sent = FilesIn(outbox / "sent");
  bool done = true;
  if (o.to.empty()) {
    done = s.service().ExportToFile(TemplateOf(s), LabelsOf(o), true, nullptr, FileType(o));
    CheckPrinted(s, "mailing");
  } else {
    MailTo(s, o);
  }
  std::size_t named = NameNewFiles(outbox, before);
  named += NameNewFiles(outbox / "sent", sent);
  if (!done || named == 0) throw Failure("mailing: no message was written");
  return 0;
}

int Items(const Options& o) {
  std::unique_ptr<Session> session;
  std::shared_ptr<clsVoucherService> standalone;
  clsVoucherService* svc = nullptr;
  if (o.file) {
    const Result<RecordsetPtr> read = ReadTemplateFile(*o.file);
    if (!read.ok()) throw Failure(read.error().description());
    const RecordsetPtr& rs = *read;
    // A template file needs no database: keep the default one closed.
    const auto no_database = std::make_shared<ComponentSet>();
    no_database->Register("DataSourceKit.DefaultDataSource", []() -> ObjectPtr { return nullptr; });
    standalone = std::make_shared<clsVoucherService>(ServiceEnvironment{no_database, nullptr});
    auto events = std::make_shared<EventLog>();
    standalone->addEventSink(events);
    standalone->setTemplateData(rs);
    if (!events->errors.empty()) throw Failure("loading " + *o.file + ": " + events->errors.front().second);
    svc = standalone.get();
  } else {
    session = std::make_unique<Session>(o);
    svc = &session->service();
  }
  Table table({"键", "区", "标题", "类型", "显示位置"});
  table.AlignRight(3);
  table.AlignRight(4);
  const std::pair<std::int32_t, std::int32_t> sections[] = {{siHeader, svc->HeadInfoCount()},
                                                            {sibody, svc->BodyInfoCount()}};
  for (const auto& [section, count] : sections)
    for (std::int32_t i = 1; i <= count; ++i) {
      const ItemPtr item = svc->ItemState(Variant(i), section);
      if (!item) continue;
      table.Add({item->sCardSection + item->sFieldName, section == siHeader ? "表头" : "表体", Caption(*item),
                 std::to_string(item->nFieldType), item->Reserve6});
    }
  table.Print(std::cout);
  return 0;
}

int Show(const Options& o) {
  Session s(o);
  s.LoadVoucher(false);
  ShowHeader(s);
  ShowBody(s);
  Finish(s, o);
  return 0;
}

int Calc(const Options& o) {
  Session s(o);
  s.LoadVoucher(o.save);
  if (o.line) CheckLine(s.service(), *o.line);
  s.service().ExecCalcExpression(o.line ? *o.line : -1);
  s.CheckErrors("calculating");
  ShowCalculated(s);
  s.events().calculated.clear();  // printed: not kept through the save
  ShowBody(s);
  if (o.save) std::cout << "\n" << s.Save() << "\n";
  Finish(s, o);
  return 0;
}

int Edit(const Options& o) {
  Session s(o);
  s.LoadVoucher();
  SetLineFields(s, *o.line, o.sets);
  s.CheckErrors("editing line " + std::to_string(*o.line));
  ShowCalculated(s);
  ShowBody(s, {*o.line});
  std::size_t by_formulas = 0;
  for (std::int32_t line : s.ChangedLines()) by_formulas += line != *o.line;
  std::cout << "\nthe formulas changed " << by_formulas << " other line" << (by_formulas == 1 ? "" : "s")
            << " (a save writes only changed lines)\n";
  if (o.save) std::cout << "\n" << s.Save() << "\n";
  Finish(s, o);
  return 0;
}

int Sort(const Options& o) {
  Session s(o);
  s.LoadVoucher(false);
  if (const std::string reason = CheckSortCommand(*o.by, SortableFields(s.service())); !reason.empty())
    throw InputError("not saved: " + reason);
  s.service().NotifyVoucherSortChange(*o.by);
  s.CheckErrors("saving the sort");
  s.Reload();
  std::cout << "sort of template " << o.card << ":" << o.template_id << " saved: " << *o.by << "\n";
  ShowBody(s);
  Finish(s, o);
  return 0;
}

// The 120-line voucher of the sample (examples/sales_order/voucher_long.xml).
constexpr const char* kLongSample = "1000002";

int Demo(const Options& o) {
  Session s(o);
  clsVoucherService& svc = s.service();
  std::cout << "database: " << s.database() << "\n";

  std::cout << "\n== 1. the sample sales order, as display texts\n";
  s.LoadVoucher();
  ShowHeader(s);
  ShowBody(s);

  std::cout << "\n== 2. edit line 2: quantity 40, unit price 1250 (the line's formulas run)\n";
  SetLineFields(s, 2, {{"iQuantity", "40"}, {"iUnitPrice", "1250"}});
  s.CheckErrors("editing");
  ShowCalculated(s);
  ShowBody(s, {2});

  std::cout << "\n== 3. tax rate 9%: every formula of every line runs\n";
  {
    DomPtr head, body;
    svc.getVoucherDataXML(head, body);
    head->document_element().child("rs:data").child("z:row").attribute("iTaxRate") = "9";
    svc.setVoucherDataXML(head, nullptr);
  }
  const std::size_t before = s.events().calculated.size();
  svc.ExecCalcExpression(-1);
  s.CheckErrors("calculating");
  ShowCalculated(s, before);
  ShowBody(s);

  std::cout << "\n== 4. line states\n";
  {
    Table table({"行", "editprop"});
    const std::int32_t lines = svc.BodyLineCount();
    for (std::int32_t line = 1; line <= lines; ++line)
      table.Add({std::to_string(line), "'" + svc.QueryDataLineStatus(line) + "'"});
    table.Print(std::cout);
    std::cout << "(the service keeps the states it was given; the host marks edited rows \"M\" when it saves)\n";
  }

  std::cout << "\n== 5. the user sorts by amount, descending; the saved sort is re-applied on every load\n";
  svc.NotifyVoucherSortChange("iSum,descending");
  s.CheckErrors("saving the sort");
  s.Reload();
  ShowBody(s);

  std::cout << "\n== 6. write the edited head and body back to the database\n";
  std::cout << s.Save() << "\n";
  // The next user of the sample starts from its original order.
  s.SaveSortCommand("");

  std::cout << "\n== 7. an instant message about the order: its addressees and its summary\n";
  ShowContacts(s);
  std::cout << "\n";
  ShowSummary(s);
  std::cout << "\n== 8. print: the order's pages rendered to a PDF by the default print control\n";
  {
    const fs::path base = OutputFolder("CAVRA_PRINT_DIR", "cavra-print", std::nullopt);
    fs::create_directories(base);
    std::string folder = (base / "demo-XXXXXX").string();
    if (!::mkdtemp(folder.data())) throw Failure("cannot create a folder in " + base.string());
    setenv("CAVRA_PRINT_DIR", folder.c_str(), 1);
    const ReasonOf reason = AttachPrintControl(s);
    svc.LogoPictureDataString(CompanyLogo(s));
    const Variant code = svc.PrintVoucher(TemplateOf(s), SampleLabels(), false, false, false);
    CheckPrinted(s, "printing");
    if (code.IsEmpty() || CLng(code) != 0) throw Failure("printing: nothing was printed" + reason());
    NameNewFiles(folder, {});

    std::cout << "\n== 9. print the long sample order (" << kLongSample
              << ", 120 lines): pages with subtotals and a carried total\n";
    Options long_order = o;
    long_order.voucher = kLongSample;
    Session l(long_order);
    l.LoadVoucher(false);
    const ReasonOf long_reason = AttachPrintControl(l);
    l.service().LogoPictureDataString(CompanyLogo(l));
    const auto printed = FilesIn(folder);
    const Variant long_code = l.service().PrintVoucher(TemplateOf(l), SampleLabels(), false, false, false);
    CheckPrinted(l, "printing");
    if (long_code.IsEmpty() || CLng(long_code) != 0) throw Failure("printing: nothing was printed" + long_reason());
    NameNewFiles(folder, printed);
  }
  return 0;
}

}  // namespace cavra::tool
