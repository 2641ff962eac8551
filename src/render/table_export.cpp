#include "render/table_export.h"

#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string_view>

#include "render/values.h"

namespace cavra::render {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPageSum = "%PAGE_SUM_F%[";
constexpr std::string_view kSubTotal = "%SUB_TOTAL_F%[";
constexpr std::size_t kMaxRows = LXW_ROW_MAX;
constexpr std::size_t kMaxColumns = LXW_COL_MAX;
constexpr std::size_t kMaxText = 32767;  // characters in a worksheet cell

enum class Kind { Text, Number, Date };

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool hasTime = false;
};

struct Cell {
  enum Type { Empty, Text, Number, Date } type = Empty;
  std::string text;            // Text
  std::int64_t micros = 0;     // Number
  const std::string* format = nullptr;  // Number: the Excel number format
  int decimals = 0;            // Number: for CSV
  DateTime date;               // Date
  bool dateTime = false;       // Date: shown with the time of day
};

struct Column {
  Kind kind = Kind::Text;
  std::string format;  // Kind::Number
  int decimals = 0;
  bool dateTime = false;  // Kind::Date
  double width = 8;
};

// A row of the table with how it is shown.
struct Row {
  std::vector<Cell> cells;
  bool bold = false;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Reads n digits (at least min) at s[at]; false when there are fewer.
bool Digits(std::string_view s, std::size_t& at, std::size_t min, std::size_t max, int& out) {
  std::size_t start = at;
  out = 0;
  while (at < s.size() && at - start < max && IsDigit(s[at])) out = out * 10 + (s[at++] - '0');
  return at - start >= min;
}

bool ParseDate(std::string_view text, DateTime& d) {
  std::string_view s = Trim(text);
  std::size_t at = 0;
  if (!Digits(s, at, 4, 4, d.year) || at >= s.size() || (s[at] != '-' && s[at] != '/')) return false;
  char sep = s[at++];
  if (!Digits(s, at, 1, 2, d.month) || at >= s.size() || s[at++] != sep) return false;
  if (!Digits(s, at, 1, 2, d.day)) return false;
  d.hasTime = false;
  d.hour = d.minute = d.second = 0;
  if (at < s.size()) {
    if (s[at] != ' ' && s[at] != 'T') return false;
    ++at;
    if (!Digits(s, at, 1, 2, d.hour) || at >= s.size() || s[at++] != ':') return false;
    if (!Digits(s, at, 2, 2, d.minute)) return false;
    if (at < s.size() && s[at] == ':') {
      ++at;
      if (!Digits(s, at, 2, 2, d.second)) return false;
      if (at < s.size() && s[at] == '.') {  // fractions of a second are dropped
        ++at;
        while (at < s.size() && IsDigit(s[at])) ++at;
      }
    }
    if (at != s.size() || d.hour > 23 || d.minute > 59 || d.second > 59) return false;
    d.hasTime = d.hour || d.minute || d.second;
  }
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d.year < 1900 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > kDays[d.month - 1]) return false;
  bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  return !(d.month == 2 && d.day == 29 && !leap);
}

std::string TwoDigits(int n) { return std::string(1, char('0' + n / 10)) + char('0' + n % 10); }

std::string DateText(const DateTime& d, bool withTime) {
  std::string s = std::to_string(d.year) + "-" + TwoDigits(d.month) + "-" + TwoDigits(d.day);
  if (withTime) s += " " + TwoDigits(d.hour) + ":" + TwoDigits(d.minute) + ":" + TwoDigits(d.second);
  return s;
}

// Decimals and thousands separators a number text shows.
void Shown(std::string_view text, int& decimals, bool& thousands) {
  text = Trim(text);
  std::size_t dot = text.find('.');
  std::size_t shown = dot == std::string_view::npos ? 0 : text.size() - dot - 1;
  decimals = static_cast<int>(std::min<std::size_t>(shown, 6));
  thousands = text.find(',') != std::string_view::npos;
}

// A token format usable as a spreadsheet number format, with its decimals.
bool UsableFormat(std::string_view f, int& decimals) {
  if (f.empty() || f.find_first_not_of("#0,.") != std::string_view::npos) return false;
  if (f.find_first_of("#0") == std::string_view::npos) return false;
  if (std::count(f.begin(), f.end(), '.') > 1) return false;
  std::size_t dot = f.find('.');
  decimals = dot == std::string_view::npos ? 0 : static_cast<int>(f.size() - dot - 1);
  return decimals <= 6;
}

std::string PlainFormat(int decimals, bool thousands) {
  std::string f = thousands ? "#,##0" : "0";
  if (decimals > 0) f += "." + std::string(static_cast<std::size_t>(decimals), '0');
  return f;
}

// The first totals token of a cell: its format, npos when there is none.
std::size_t FindToken(const std::string& cell, std::size_t from, std::string_view& format, std::size_t& end,
                      bool& pageSum) {
  std::size_t p = cell.find(kPageSum, from), s = cell.find(kSubTotal, from);
  std::size_t start = std::min(p, s);
  if (start == std::string::npos) return start;
  pageSum = start == p;
  std::size_t open = start + (pageSum ? kPageSum.size() : kSubTotal.size());
  std::size_t close = cell.find(']', open);
  if (close == std::string::npos) return std::string::npos;
  format = std::string_view(cell).substr(open, close - open);
  end = close + 1;
  return start;
}

// Display width of a text in character cells: CJK and other wide characters count two.
double TextWidth(std::string_view s) {
  double w = 0;
  for (unsigned char c : s)
    if (c < 0x80 || (c >= 0xC0 && c < 0xE0)) w += 1;
    else if (c >= 0xE0) w += 2;  // lead byte of a three- or four-byte character
  return w;
}

std::string JoinLines(std::string_view text) {
  std::string out;
  bool pending = false;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      pending = !out.empty();
      continue;
    }
    if (pending) {
      auto ascii = [](char ch) { return static_cast<unsigned char>(ch) < 0x80 && ch != ' '; };
      if (ascii(out.back()) && ascii(c)) out += ' ';  // Latin words keep a blank; Chinese joins directly
      pending = false;
    }
    out += c;
  }
  return out;
}

Cell TextCell(std::string text) {
  Cell c;
  if (!text.empty()) {
    c.type = Cell::Text;
    c.text = std::move(text);
  }
  return c;
}

// The table of one 任务, produced row by row so that no copy of the body is held.
class TaskTable {
 public:
  TaskTable(const StyleDocument& style, const Task& task, const TableColumns& given)
      : style_(style), t_(task) {
    const auto& types = given.types.empty() ? style.body.fieldTypes : given.types;
    const auto& sizes = given.sizes.empty() ? style.body.fieldSizes : given.sizes;
    const auto& names = given.names.empty() ? style.body.fieldNames : given.names;
    width_ = t_.columnTitles.size();
    for (const auto& g : t_.groups)
      for (const BodyRow& r : g) width_ = std::max(width_, r.cells.size());
    for (const auto& r : t_.tailRows) width_ = std::max(width_, r.size());
    columns_.resize(width_);
    for (std::size_t c = 0; c < width_; ++c) {
      Column& col = columns_[c];
      std::string type = c < types.size() ? std::string(Trim(types[c])) : "10";
      col.kind = type == "7" ? Kind::Number : type == "8" ? Kind::Date : Kind::Text;
      double size = 0;
      std::int64_t micros = 0;
      if (c < sizes.size() && ParseAmount(Trim(sizes[c]), micros) && micros > 0)
        size = static_cast<double>(micros / kMicros);
      double title = c < t_.columnTitles.size() ? TextWidth(JoinLines(t_.columnTitles[c])) : 0;
      col.width = std::clamp(std::max(size, title) + 1, 4.0, 60.0);
      if (c < names.size() && !names[c].empty()) byName_.emplace(names[c], c);
    }
    for (std::size_t c = 0; c < t_.columnTitles.size() && c < width_; ++c)
      byName_.emplace(JoinLines(t_.columnTitles[c]), c);
    Scan();
  }

  std::size_t width() const { return width_; }
  const std::vector<Column>& columns() const { return columns_; }

  // How many rows Write gives, and the index of the column titles among them.
  std::size_t RowCount() const {
    std::size_t n = HeadRows() + 1 + bodyRows_ + t_.tailRows.size();
    std::size_t tail = FieldRows(style_.tailFields, t_.tailValues);
    return n + (tail ? tail + 1 : 0);
  }
  std::size_t TitleRow() const { return HeadRows(); }

  template <class Sink>
  void Write(Sink& out) {
    std::string title = JoinLines(t_.title);
    std::vector<Row> head;
    if (!title.empty()) head.push_back({{TextCell(title)}, true});
    Fields(style_.headFields, t_.headValues, head);
    for (Row& r : head) out(r);
    if (!head.empty()) out(Row{});
    Row titles{{}, true};
    for (std::size_t c = 0; c < width_; ++c)
      titles.cells.push_back(TextCell(c < t_.columnTitles.size() ? JoinLines(t_.columnTitles[c]) : ""));
    out(titles);
    Row row;
    for (const auto& g : t_.groups)
      for (const BodyRow& r : g) {
        row.cells.assign(width_, Cell{});
        row.bold = r.sumRow;
        for (std::size_t c = 0; c < r.cells.size(); ++c) row.cells[c] = Typed(c, r.cells[c]);
        out(row);
      }
    for (const auto& tail : t_.tailRows) {
      row.cells.assign(width_, Cell{});
      row.bold = true;
      for (std::size_t c = 0; c < tail.size(); ++c) row.cells[c] = Total(c, tail[c]);
      out(row);
    }
    std::vector<Row> foot;
    Fields(style_.tailFields, t_.tailValues, foot);
    if (!foot.empty()) out(Row{});
    for (Row& r : foot) out(r);
  }

 private:
  // Number formats and dates of the columns, and the sums, in one pass over the body.
  void Scan() {
    std::vector<int> decimals(width_, 0);
    std::vector<bool> thousands(width_, false);
    sums_.assign(width_, 0);
    sumOk_.assign(width_, true);
    for (const auto& g : t_.groups)
      for (const BodyRow& r : g) {
        ++bodyRows_;
        for (std::size_t c = 0; c < r.cells.size(); ++c) {
          std::int64_t v = 0;
          if (ParseAmount(Trim(r.cells[c]), v)) {
            if (!r.sumRow && __builtin_add_overflow(sums_[c], v, &sums_[c])) sumOk_[c] = false;
            if (columns_[c].kind == Kind::Number) {
              int d = 0;
              bool sep = false;
              Shown(r.cells[c], d, sep);
              decimals[c] = std::max(decimals[c], d);
              thousands[c] = thousands[c] || sep;
            }
          }
          DateTime dt;
          if (columns_[c].kind == Kind::Date && ParseDate(r.cells[c], dt) && dt.hasTime)
            columns_[c].dateTime = true;
        }
      }
    for (std::size_t c = 0; c < width_; ++c) {
      Column& col = columns_[c];
      if (col.kind != Kind::Number) continue;
      col.decimals = decimals[c];
      col.format = PlainFormat(decimals[c], thousands[c]);
      for (const auto& tail : t_.tailRows) {
        std::string_view f;
        std::size_t end = 0;
        bool page = false;
        int d = 0;
        if (c >= tail.size() || FindToken(tail[c], 0, f, end, page) == std::string::npos) continue;
        if (UsableFormat(f, d)) {
          col.format = std::string(f);
          col.decimals = d;
          break;
        }
      }
    }
  }

  Cell NumberCell(std::int64_t micros, const std::string& format) {
    Cell c;
    c.type = Cell::Number;
    c.micros = micros;
    int d = 0;
    c.format = &*formats_.insert(UsableFormat(format, d) ? format : PlainFormat(6, false)).first;
    UsableFormat(*c.format, c.decimals);
    return c;
  }

  Cell Typed(std::size_t c, const std::string& text) {
    const Column& col = columns_[c];
    if (col.kind == Kind::Number) {
      std::int64_t v = 0;
      if (ParseAmount(Trim(text), v)) return NumberCell(v, col.format);
    } else if (col.kind == Kind::Date) {
      Cell cell;
      if (ParseDate(text, cell.date)) {
        cell.type = Cell::Date;
        cell.dateTime = col.dateTime;
        return cell;
      }
    }
    return TextCell(text);
  }

  // A 表体尾 cell: a lone token is the column's sum as a number; tokens inside
  // other text are replaced by the sum as the token's format shows it.
  Cell Total(std::size_t c, const std::string& text) {
    std::string_view f;
    std::size_t end = 0;
    bool page = false;
    std::size_t start = FindToken(text, 0, f, end, page);
    if (start == std::string::npos) return Typed(c, text);
    if (Trim(text.substr(0, start)).empty() && Trim(text.substr(end)).empty() && sumOk_[c]) {
      int d = 0;
      return NumberCell(sums_[c], UsableFormat(f, d) ? std::string(f) : columns_[c].format);
    }
    std::string out;
    std::size_t at = 0;
    for (; start != std::string::npos; start = FindToken(text, at, f, end, page)) {
      out.append(text, at, start - at);
      out += sumOk_[c] ? FormatAmount(sums_[c], f) : "#####";
      at = end;
    }
    out.append(text, at, std::string::npos);
    return TextCell(out);
  }

  std::size_t HeadRows() const {
    std::size_t n = (JoinLines(t_.title).empty() ? 0 : 1) + FieldRows(style_.headFields, t_.headValues);
    return n ? n + 1 : 0;
  }

  std::size_t FieldRows(const std::vector<FieldStyle>& fields,
                        const std::map<std::string, std::string>& values) const {
    std::vector<Row> rows;
    Fields(fields, values, rows);
    return rows.size();
  }

  void Fields(const std::vector<FieldStyle>& fields, const std::map<std::string, std::string>& values,
              std::vector<Row>& out) const {
    for (const FieldStyle& f : fields) {
      if (f.print == "不打印") continue;
      bool label = f.key.rfind("文本", 0) == 0 && f.key.size() > 6 &&
                   f.key.find_first_not_of("0123456789", 6) == std::string::npos;
      std::string caption = f.caption;
      if (caption.empty() && !label) caption = f.key.substr(0, f.key.find('('));
      auto it = values.find(f.key);
      std::string value = it == values.end() ? "" : it->second;
      auto cell = [this](std::size_t r, const std::string& column, std::string& text) {
        CellAt(r, column, text);
      };
      value = FieldText(f.type, ResolveCellReferences(value, cell));
      value = JoinLines(value);
      if (caption.empty() && value.empty()) continue;
      if (label) out.push_back({{TextCell(value)}, false});
      else out.push_back({{TextCell(caption), TextCell(value)}, false});
    }
  }

  void CellAt(std::size_t row, const std::string& column, std::string& out) const {
    auto col = byName_.find(column);
    if (col == byName_.end()) return;
    for (const auto& g : t_.groups) {
      if (row < g.size()) {
        if (col->second < g[row].cells.size()) out = g[row].cells[col->second];
        return;
      }
      row -= g.size();
    }
  }

  const StyleDocument& style_;
  const Task& t_;
  std::size_t width_ = 0, bodyRows_ = 0;
  std::vector<Column> columns_;
  std::map<std::string, std::size_t> byName_;
  std::vector<std::int64_t> sums_;
  std::vector<bool> sumOk_;
  std::set<std::string> formats_;  // stable storage for the cells' format texts
};

// Cuts a UTF-8 text to at most max characters.
std::string CutCharacters(const std::string& s, std::size_t max) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < s.size(); ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == max) return s.substr(0, i);
  return s;
}

// The name of a voucher's worksheet, unique among used (compared without case).
std::string SheetName(const Task& t, std::size_t index, std::set<std::string>& used) {
  std::string base = t.billNo.substr(0, t.billNo.find("{##}"));
  for (char& c : base)
    if (std::string_view("[]:*?/\\\r\n\t").find(c) != std::string_view::npos) c = '_';
  base = std::string(Trim(base));
  while (!base.empty() && base.front() == '\'') base.erase(0, 1);
  while (!base.empty() && base.back() == '\'') base.pop_back();
  if (base.empty()) base = "单据" + std::to_string(index + 1);
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
  };
  std::string name = CutCharacters(base, LXW_SHEETNAME_MAX);
  for (int n = 2; used.count(lower(name)); ++n) {
    std::string suffix = " (" + std::to_string(n) + ")";
    name = CutCharacters(base, LXW_SHEETNAME_MAX - suffix.size()) + suffix;
  }
  used.insert(lower(name));
  return name;
}

// A temporary file beside path, removed unless Commit renames it over path.
class SideFile {
 public:
  bool Open(const std::string& path, std::string& reason) {
    path_ = path;
    static std::atomic<unsigned> counter{0};
    // Created new (never over another writer's file), with the permissions a plain file gets.
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name =
          path + "." + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + ".part";
      int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        ::close(fd);
        temp_ = name;
        return true;
      }
      if (errno != EEXIST) break;
    }
    reason = "cannot write beside " + path + ": " + std::strerror(errno);
    return false;
  }
  const std::string& temp() const { return temp_; }
  bool Commit(std::string& reason) {
    std::error_code ec;
    fs::rename(temp_, path_, ec);
    if (ec) {
      reason = "cannot write " + path_ + ": " + ec.message();
      return false;
    }
    temp_.clear();
    return true;
  }
  ~SideFile() {
    std::error_code ec;
    if (!temp_.empty()) fs::remove(temp_, ec);
  }

 private:
  std::string path_, temp_;
};

bool CheckSize(std::size_t rows, std::size_t columns, std::string& reason) {
  if (rows > kMaxRows) {
    reason = "the table has " + std::to_string(rows) + " rows, more than the " + std::to_string(kMaxRows) +
             " rows of a worksheet";
    return false;
  }
  if (columns > kMaxColumns) {
    reason = "the table has " + std::to_string(columns) + " columns, more than the " +
             std::to_string(kMaxColumns) + " columns of a worksheet";
    return false;
  }
  return true;
}

class XlsxBook {
 public:
  explicit XlsxBook(const std::string& path) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    book_ = workbook_new_opt(path.c_str(), &options);
  }
  ~XlsxBook() {
    if (book_) workbook_close(book_);
  }
  bool ok() const { return book_ != nullptr; }

  lxw_worksheet* Sheet(const std::string& name) { return workbook_add_worksheet(book_, name.c_str()); }

  lxw_format* Format(const std::string& numberFormat, bool bold) {
    auto key = std::make_pair(numberFormat, bold);
    auto it = formats_.find(key);
    if (it != formats_.end()) return it->second;
    lxw_format* f = nullptr;
    if (!numberFormat.empty() || bold) {
      f = workbook_add_format(book_);
      if (!numberFormat.empty()) format_set_num_format(f, numberFormat.c_str());
      if (bold) format_set_bold(f);
    }
    return formats_[key] = f;
  }

  lxw_error Close() {
    lxw_error e = workbook_close(book_);
    book_ = nullptr;
    return e;
  }

 private:
  lxw_workbook* book_ = nullptr;
  std::map<std::pair<std::string, bool>, lxw_format*> formats_;
};

// Writes rows of tables to a worksheet from a row on.
struct SheetRows {
  XlsxBook& book;
  lxw_worksheet* sheet;
  lxw_row_t row = 0;
  lxw_error error = LXW_NO_ERROR;

  void operator()(const Row& r) {
    for (std::size_t c = 0; c < r.cells.size() && error == LXW_NO_ERROR; ++c) {
      const Cell& cell = r.cells[c];
      auto col = static_cast<lxw_col_t>(c);
      switch (cell.type) {
        case Cell::Empty:
          break;
        case Cell::Text:
          error = worksheet_write_string(sheet, row, col, CutCharacters(cell.text, kMaxText).c_str(),
                                         book.Format("", r.bold));
          break;
        case Cell::Number:
          error = worksheet_write_number(sheet, row, col, static_cast<double>(cell.micros) / kMicros,
                                         book.Format(*cell.format, r.bold));
          break;
        case Cell::Date: {
          lxw_datetime d{cell.date.year, cell.date.month, cell.date.day,
                         cell.date.hour, cell.date.minute, static_cast<double>(cell.date.second)};
          const char* format = cell.dateTime ? "yyyy-mm-dd hh:mm:ss" : "yyyy-mm-dd";
          error = worksheet_write_datetime(sheet, row, col, &d, book.Format(format, r.bold));
          break;
        }
      }
    }
    ++row;
  }
};

void SetColumns(lxw_worksheet* sheet, const std::vector<Column>& columns) {
  for (std::size_t c = 0; c < columns.size(); ++c) {
    double width = columns[c].width;
    if (c < 2) width = std::max(width, 12.0);  // the captions and values of the fields
    worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width, nullptr);
  }
}

// CSV field, quoted when it must be.
void AppendField(std::string& out, const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) {
    out += field;
    return;
  }
  out += '"';
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string CsvText(const Cell& c) {
  switch (c.type) {
    case Cell::Empty:
      return "";
    case Cell::Text:
      return c.text;
    case Cell::Number:
      return FormatAmount(c.micros, PlainFormat(c.decimals, false));
    case Cell::Date:
      return DateText(c.date, c.dateTime);
  }
  return "";
}

}  // namespace

bool WriteXlsx(const StyleDocument& style, const DataDocument& data, const TableColumns& columns,
               const std::string& path, std::string& reason) {
  std::vector<std::unique_ptr<TaskTable>> tables;
  for (const Task& t : data.tasks) tables.push_back(std::make_unique<TaskTable>(style, t, columns));
  bool shared = tables.size() > kMaxSheets;
  std::size_t sharedRows = 0, widest = 0;
  for (const auto& t : tables) {
    widest = std::max(widest, t->width());
    sharedRows += t->RowCount() + (sharedRows ? 1 : 0);
    if (!CheckSize(shared ? sharedRows : t->RowCount(), t->width(), reason)) return false;
  }
  SideFile file;
  if (!file.Open(path, reason)) return false;
  XlsxBook book(file.temp());
  if (!book.ok()) {
    reason = "cannot create the workbook " + path;
    return false;
  }
  std::set<std::string> used{"history"};  // a name spreadsheet programs keep for themselves
  lxw_error error = LXW_NO_ERROR;
  std::size_t sheets = tables.empty() || shared ? 1 : tables.size();
  for (std::size_t i = 0; i < sheets && error == LXW_NO_ERROR; ++i) {
    std::string name = tables.empty() || shared ? "单据" : SheetName(data.tasks[i], i, used);
    SheetRows rows{book, book.Sheet(name)};
    if (!rows.sheet) {
      reason = "cannot add the worksheet " + name + " to " + path;
      return false;
    }
    if (tables.empty()) break;
    SetColumns(rows.sheet, tables[i]->columns());
    if (!shared) {
      worksheet_freeze_panes(rows.sheet, static_cast<lxw_row_t>(tables[i]->TitleRow() + 1), 0);
      tables[i]->Write(rows);
    }
    for (std::size_t k = 0; shared && k < tables.size() && rows.error == LXW_NO_ERROR; ++k) {
      if (k) ++rows.row;
      tables[k]->Write(rows);
    }
    error = rows.error;
  }
  lxw_error closed = book.Close();
  if (error == LXW_NO_ERROR) error = closed;
  if (error != LXW_NO_ERROR) {
    reason = std::string("cannot write the workbook ") + path + ": " + lxw_strerror(error);
    return false;
  }
  return file.Commit(reason);
}

bool WriteCsv(const StyleDocument& style, const DataDocument& data, const TableColumns& columns,
              const std::string& path, std::string& reason) {
  std::vector<std::unique_ptr<TaskTable>> tables;
  std::size_t width = 2;
  for (const Task& t : data.tasks) {
    tables.push_back(std::make_unique<TaskTable>(style, t, columns));
    width = std::max(width, tables.back()->width());
  }
  SideFile file;
  if (!file.Open(path, reason)) return false;
  std::FILE* out = std::fopen(file.temp().c_str(), "wb");
  if (!out) {
    reason = "cannot write " + path;
    return false;
  }
  bool ok = std::fputs("\xEF\xBB\xBF", out) >= 0;
  std::string line;
  auto record = [&](const Row& r) {
    line.clear();
    for (std::size_t c = 0; c < width; ++c) {
      if (c) line += ',';
      if (c < r.cells.size()) AppendField(line, CsvText(r.cells[c]));
    }
    line += "\r\n";
    ok = ok && std::fwrite(line.data(), 1, line.size(), out) == line.size();
  };
  for (std::size_t i = 0; i < tables.size() && ok; ++i) {
    if (i) record(Row{});
    tables[i]->Write(record);
  }
  ok = std::fclose(out) == 0 && ok;
  if (!ok) {
    reason = "cannot write " + path;
    return false;
  }
  return file.Commit(reason);
}

}  // namespace cavra::render
