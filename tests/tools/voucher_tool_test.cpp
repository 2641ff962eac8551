// cavra-voucher's parts: tables, the event log, and loading a voucher too
// large to read in one query.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <sstream>

#include "commands.h"
#include "fakes/scratch.h"
#include "session.h"
#include "table.h"

namespace cavra::tool {
namespace {

std::string Printed(const Table& t) {
  std::ostringstream out;
  t.Print(out);
  return out.str();
}

TEST(Table, PadsByDisplayWidthAndAlignsNumbersRight) {
  Table t({"行", "name", "amount"});
  t.AlignRight(2);
  t.Add({"1", "华东", "5.00"});
  t.Cell("2");
  t.Cell("abcde");
  t.EndRow();  // a missing cell is empty
  t.Add({"3", "x", "1,250.00", "dropped"});
  EXPECT_EQ(t.Rows(), 3u);
  EXPECT_EQ(Printed(t),
            "  行  name     amount\n"
            "  --  -----  --------\n"
            "  1   华东       5.00\n"
            "  2   abcde          \n"
            "  3   x      1,250.00\n");
}

TEST(Table, MeasuredRowsPrintAsStoredOnes) {
  const std::vector<std::vector<std::string>> rows = {{"1", "加急", "7"}, {"10", "", "1,000"}, {"2", "ab"}};
  Table stored({"a", "b", "c"}), streamed({"a", "b", "c"});
  stored.AlignRight(0), streamed.AlignRight(0);
  for (const auto& r : rows) stored.Add(r);
  auto view = [](const std::vector<std::string>& r, std::size_t i) {
    return i < r.size() ? std::string_view(r[i]) : std::string_view();
  };
  for (const auto& r : rows) streamed.Measure({view(r, 0), view(r, 1), view(r, 2)});
  std::ostringstream out;
  streamed.PrintHead(out);
  for (const auto& r : rows) streamed.PrintRow(out, {view(r, 0), view(r, 1), view(r, 2)});
  EXPECT_EQ(out.str(), Printed(stored));
}

TEST(EventLog, KeepsEveryEventInOrder) {
  EventLog::CalculatedLog log;
  log.push_back({"iQuantity", "iMoney", "12.50", 1});
  log.push_back({"iMoney", "iSum", "", 1});
  log.push_back({"iQuantity", "iMoney", "7", -1});
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log.at(0).value, "12.50");
  EXPECT_EQ(log.at(1).origin, "iMoney");
  EXPECT_EQ(log.at(1).value, "");
  const EventLog::Calculated last = log[2];
  EXPECT_EQ(last.origin + "/" + last.item + "/" + last.value + "/" + std::to_string(last.row),
            "iQuantity/iMoney/7/-1");
  log.clear();
  EXPECT_TRUE(log.empty());
  log.push_back({"a", "b", "c", 3});
  EXPECT_EQ(log.at(0).value, "c");
}

// A scratch copy of the sample database with vouchers of chosen sizes.
struct Database {
  testing::ScratchDir dir;
  std::filesystem::path path = dir / "cavra.db";
  SqlDataSourcePtr ds = OpenSqliteDataSource(path, true).value();

  // A voucher of `lines` lines made from the sample's first line; cMemo
  // cycles through values that XML text must escape.
  void AddVoucher(int id, int lines) {
    DomPtr head = RecordsetToRowset(*ds->QuerySql("select * from SO_SOMain", {}).value());
    pugi::xml_node h = head->document_element().child("rs:data").child("z:row");
    h.attribute("ID") = id;
    h.append_attribute("editprop") = "A";
    DomPtr body = RecordsetToRowset(*ds->QuerySql("select * from SO_SODetails order by AutoID", {}).value());
    pugi::xml_node data = body->document_element().child("rs:data");
    const pugi::xml_node sample = data.child("z:row");
    static const char* memos[] = {"tab\there", "line\nbreak\r", "quote\" apos' a&b<c>d", "中文 加急", "\x01",
                                  nullptr};
    for (int i = 1; i <= lines; ++i) {
      pugi::xml_node row = data.append_copy(sample);
      row.attribute("AutoID") = id * 100000 + i;
      row.attribute("ID") = id;
      row.attribute("irowno") = i;
      row.remove_attribute("cMemo");
      if (const char* memo = memos[i % 6]) row.append_attribute("cMemo") = memo;
      row.append_attribute("editprop") = "A";
    }
    while (data.first_child() != data.last_child() && data.first_child().attribute("ID").as_int() != id)
      data.remove_child(data.first_child());
    const std::vector<RowsetWrite> writes = {{"SO_SOMain", {"ID"}, head.get()},
                                             {"SO_SODetails", {"AutoID"}, body.get()}};
    const Result<void> written = ds->WriteRowsets(writes);
    ASSERT_TRUE(written.ok()) << written.error().description();
  }

  // The body's rows as the library converts the whole query at once.
  std::vector<std::map<std::string, std::string>> Expected(int id) {
    RecordsetPtr rs =
        ds->QuerySql("select * from SO_SODetails where ID=? order by AutoID", {Variant(std::int32_t{id})})
            .value();
    return Rows(*RecordsetToRowset(*rs));
  }

  static std::vector<std::map<std::string, std::string>> Rows(const DomDocument& doc) {
    std::vector<std::map<std::string, std::string>> rows;
    for (pugi::xml_node row : doc.document_element().child("rs:data").children("z:row")) {
      auto& values = rows.emplace_back();
      for (pugi::xml_attribute a : row.attributes())
        if (std::string_view(a.name()) != "editprop") values[a.name()] = a.value();
    }
    return rows;
  }
};

TEST(LargeVoucher, ReadInSlicesLoadsEveryValueAsOneQueryWould) {
  Database db;
  const int lines = Session::kBodySlice * 2 + 7;
  db.AddVoucher(7, lines);
  const auto expected = db.Expected(7);
  ASSERT_EQ(expected.size(), static_cast<std::size_t>(lines));
  Options o;
  o.db = db.path.string();
  o.voucher = "7";
  for (bool for_saving : {false, true}) {
    Session s(o);
    s.LoadVoucher(for_saving);
    DomPtr head, body;
    s.service().getVoucherDataXML(head, body);
    const auto loaded = Database::Rows(*body);
    ASSERT_EQ(loaded.size(), expected.size());
    for (std::size_t i = 0; i < loaded.size(); ++i) ASSERT_EQ(loaded[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(CStr(s.service().bodyText(lines - 5, Variant("cMemo"))), "\x01");
    EXPECT_EQ(CStr(s.service().bodyText(lines - 8, Variant("cMemo"))), "line\nbreak\r");
  }
}

// The body table of `show`: the numbers of its lines.
std::vector<std::string> ShownLines(const Options& o) {
  std::ostringstream out;
  std::streambuf* old = std::cout.rdbuf(out.rdbuf());
  const int code = Show(o);
  std::cout.rdbuf(old);
  EXPECT_EQ(code, 0);
  std::istringstream in(out.str());
  std::vector<std::string> numbers;
  bool body = false;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "行") body = true;
    else if (first == "合计") body = false;
    // (a memo with a line break continues on a line of its own)
    else if (body && !first.empty() && first.find_first_not_of("0123456789") == std::string::npos)
      numbers.push_back(first);
  }
  return numbers;
}

TEST(LargeVoucher, ShowPrintsEveryLineWhateverTheCount) {
  Database db;
  Options o;
  o.db = db.path.string();
  for (int lines : {1, 2, 3, 4, 5, 8, 9}) {
    db.AddVoucher(100 + lines, lines);
    o.voucher = std::to_string(100 + lines);
    std::vector<std::string> expected;
    for (int i = 1; i <= lines; ++i) expected.push_back(std::to_string(i));
    EXPECT_EQ(ShownLines(o), expected) << lines << " lines";
  }
}

// The tool gives its service a component set of its own: the process-wide
// set, which other services of the process use, is never changed or emptied.
TEST(SessionComponents, TheProcessWideSetIsLeftAsItWas) {
  Database db;
  struct HostSource : IDataSource {};
  const ObjectPtr host_source = std::make_shared<HostSource>();
  ScopedComponent host("DataSourceKit.DefaultDataSource", [host_source] { return host_source; });
  Options o;
  o.db = db.path.string();
  {
    Session s(o);
    s.LoadVoucher();
    EXPECT_EQ(ComponentRegistry::Create("DataSourceKit.DefaultDataSource"), host_source);
    EXPECT_EQ(s.service().SetDataSource().AsObject(), s.data_source().shared_from_this());
  }
  ASSERT_TRUE(ComponentRegistry::IsRegistered("DataSourceKit.DefaultDataSource"));
  EXPECT_EQ(ComponentRegistry::Create("DataSourceKit.DefaultDataSource"), host_source);
}

// The rows a sort reorders are not changed: the sorter's attributes it adds
// are not data, so a save after a sort writes nothing.
TEST(SessionComponents, ASortAloneChangesNoLine) {
  Database db;
  Options o;
  o.db = db.path.string();
  Session s(o);
  s.LoadVoucher();
  const std::int32_t lines = s.service().BodyLineCount();
  ASSERT_GT(lines, 1);
  s.service().NotifyVoucherSortChange("iSum,descending");
  s.CheckErrors("sorting");
  s.Reload();
  DomPtr head, body;
  s.service().getVoucherDataXML(head, body);
  ASSERT_TRUE(body->document_element().child("rs:data").child("z:row").attribute(kSorterInputOrderAttribute));
  EXPECT_EQ(s.ChangedLines(), std::vector<std::int32_t>{});
  EXPECT_EQ(s.service().BodyLineCount(), lines);
  s.SaveSortCommand("");
}

}  // namespace
}  // namespace cavra::tool
