// Exports a hand-written voucher as XLSX and CSV and reads the files back with
// Python (openpyxl and the csv module), which know nothing of the writer.
#include "render/table_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "fakes/scratch.h"

namespace cavra::render {
namespace {

using cavra::testing::ReadFile;
using cavra::testing::ScratchDir;

constexpr const char* kPython = "/usr/bin/python3";

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen((command + " 2>&1").c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

bool HaveOpenpyxl() {
  return Shell(std::string(kPython) + " -c 'import openpyxl; print(\"yes\")'") == "yes\n";
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> parts;
  for (std::size_t at = 0;;) {
    std::size_t tab = line.find('\t', at);
    parts.push_back(Unescape(line.substr(at, tab - at)));
    if (tab == std::string::npos) return parts;
    at = tab + 1;
  }
}

struct XCell {
  std::string kind, value, format;
  bool bold = false;
};

struct Workbook {
  std::vector<std::string> sheets;
  std::map<std::tuple<int, int, int>, XCell> cells;  // sheet, row, column (rows and columns from 1)
  std::string raw;                                   // the reader's output, for messages

  const XCell& At(int sheet, int row, int col) const {
    static const XCell kNone{"none", "", "", false};
    auto it = cells.find({sheet, row, col});
    return it == cells.end() ? kNone : it->second;
  }
  double Number(int sheet, int row, int col) const {
    const XCell& c = At(sheet, row, col);
    EXPECT_EQ(c.kind, "n") << "row " << row << " column " << col;
    return c.kind == "n" ? std::stod(c.value) : 0;
  }
};

Workbook ReadXlsx(const std::filesystem::path& file) {
  Workbook book;
  book.raw = Shell(std::string(kPython) + " " CAVRA_TABLE_DUMP " xlsx '" + file.string() + "'");
  std::stringstream in(book.raw);
  for (std::string line; std::getline(in, line);) {
    auto p = SplitTabs(line);
    if (p.size() == 2 && p[0] == "S") book.sheets.push_back(p[1]);
    if (p.size() == 8 && p[0] == "C")
      book.cells[{std::stoi(p[1]), std::stoi(p[2]), std::stoi(p[3])}] = {p[4], p[5], p[6], p[7] == "1"};
  }
  return book;
}

struct CsvFile {
  bool bom = false;
  std::vector<std::vector<std::string>> records;
  std::string raw;
};

CsvFile ReadCsv(const std::filesystem::path& file) {
  CsvFile csv;
  csv.raw = Shell(std::string(kPython) + " " CAVRA_TABLE_DUMP " csv '" + file.string() + "'");
  std::stringstream in(csv.raw);
  for (std::string line; std::getline(in, line);) {
    auto p = SplitTabs(line);
    if (p.size() == 2 && p[0] == "BOM") csv.bom = p[1] == "yes";
    if (!p.empty() && p[0] == "R") csv.records.emplace_back(p.begin() + 1, p.end());
  }
  return csv;
}

constexpr const char* kStyle =
    "<?xml version='1.0' encoding='utf-16' ?>\r\n<格式 版本='2.0' 来源='单据' 语言='sa'>\r\n"
    "<纸张设置 纸张类型='9' 纸张大小='2100,2970' 打印方向='纵向' 页边距='180,200,180,200'/>\r\n"
    "<表格 流式打印='否'><表头 字体名='Tahoma' 字体大小='9' 颜色='#800000'>"
    "<字段 类型='0' 名字='客户' 关键字='客户(cCusName)' 左顶点='0,130' 宽='1000' 高='60' 打印='打印'/>"
    "<字段 类型='1' 套打='是' 标题宽度='0' 关键字='订单号(cSOCode)' 左顶点='1100,130' 宽='640' 高='60' "
    "打印='第一页'/>"
    "<字段 类型='20' 名字='日期' 关键字='日期(dDate)' 左顶点='0,200' 宽='1000' 高='60' 打印='打印'/>"
    "<字段 类型='0' 名字='内部备注' 关键字='内部备注(cMemo)' 左顶点='0,200' 宽='1000' 高='60' "
    "打印='不打印'/>"
    "<字段 关键字='文本1' 左顶点='1100,200' 宽='600' 高='60' 打印='打印' 类型='0'/>"
    "<字段 类型='0' 名字='首行存货' 关键字='首行存货(cFirst)' 左顶点='0,260' 宽='1000' 高='60'/>"
    "</表头>"
    "<表体 左顶点='0,330' 宽='0' 高='0' 固定行数='0' 列宽='150,250,450,350,200,300' "
    "条码='-1,-1,-1,-1,-1,-1' 字段类型='10,10,10,8,7,7' 字段大小='4,20,60,19,8,12' "
    "字段名称='RowNo,cInvCode,cInvName,dShip,iQuantity,iMoney'>\r\n"
    "<表体头 对齐方式='中'/><表体行 对齐方式='中,左,左,左,右,右,'/><表体尾 对齐方式='右'/></表体>"
    "<表尾 字体名='宋体' 字体大小='9' 紧贴表体='是'>"
    "<字段 类型='0' 名字='制单人' 关键字='制单人(cMaker)' 左顶点='0,2280' 宽='800' 高='60' 打印='最后一页'/>"
    "</表尾></表格></格式>";

// Two 分单 groups with a SumRow line; cells with commas, quotes, a line break, a
// code with a leading zero, an impossible date and a negative amount.
std::string TaskText(const std::string& billNo) {
  return "<任务>\r\n<标题>销售订单</标题>\r\n<单据号>" + billNo +
         "{##}1000001</单据号>\r\n<表头>\r\n"
         "<字段 名字='客户(cCusName)'>上海云帆科技有限公司</字段><字段 名字='订单号(cSOCode)'>SO-0001</字段>"
         "<字段 名字='日期(dDate)'>2026-12-06</字段><字段 名字='内部备注(cMemo)'>勿外传</字段>"
         "<字段 名字='文本1'>备注: 加急</字段><字段 名字='首行存货(cFirst)'>%G:0,##cInvCode##%</字段></表头>\r\n"
         "<表体>\r\n<表体头>\r\n<单元>行号</单元><单元>存货\r\n编码</单元><单元>存货名称</单元>"
         "<单元>Ship\r\nTime</单元><单元>数量</单元><单元>金额</单元></表体头>\r\n"
         "<分单><表体行><单元>1</单元><单元>0012</单元><单元>打印纸 A4</单元><单元>2026-12-06 13:45:00</单元>"
         "<单元>2.5</单元><单元>1,234.50</单元></表体行>"
         "<表体行><单元>2</单元><单元>SP-2</单元><单元>墨盒, \"黑色\"</单元><单元>2026/12/7</单元>"
         "<单元>3</单元><单元>88.00</单元></表体行>"
         "<表体行 SumRow='1'><单元>小计</单元><单元></单元><单元></单元><单元></单元>"
         "<单元>5.5</单元><单元>1,322.50</单元></表体行></分单>"
         "<分单><表体行><单元>3</单元><单元>SP-3</单元><单元>两行\r\n名称</单元><单元>2026-02-30</单元>"
         "<单元>10</单元><单元>1000000.25</单元></表体行>"
         "<表体行><单元>4</单元><单元>SP-4</单元><单元>订书机</单元><单元></单元>"
         "<单元>0.25</单元><单元>-12.75</单元></表体行></分单>"
         "<表体尾><单元>本页小计</单元><单元></单元><单元></单元><单元></单元>"
         "<单元>%PAGE_SUM_F%[]</单元><单元>%PAGE_SUM_F%[#,##0.00]</单元></表体尾>"
         "<表体尾><单元>累计</单元><单元></单元><单元></单元><单元></单元>"
         "<单元>共 %SUB_TOTAL_F%[0.00] 件</单元><单元>%SUB_TOTAL_F%[#,##0.00]</单元></表体尾>"
         "<表体尾><单元>合计</单元><单元></单元><单元></单元><单元></单元>"
         "<单元>15.75</单元><单元>1,001,310.00</单元></表体尾></表体>\r\n"
         "<表尾>\r\n<字段 名字='制单人(cMaker)'>张三</字段></表尾>\r\n</任务>\r\n";
}

struct Voucher {
  StyleDocument style;
  DataDocument data;
  Voucher(const std::string& tasks) {
    DocumentError error;
    EXPECT_TRUE(ReadStyleDocument(kStyle, style, error)) << error.reason;
    EXPECT_TRUE(ReadDataDocument("<?xml version='1.0' ?>\r\n<数据>\r\n" + tasks + "</数据>", data, error))
        << error.reason;
  }
};

TEST(TableExportTest, SpreadsheetCellsAreTypedAndTotalled) {
  if (!HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed";
  ScratchDir dir;
  // Sheet names compare without case: the second voucher's name gets a number.
  Voucher v(TaskText("SO-0001") + TaskText("so-0001"));
  std::string reason;
  ASSERT_TRUE(WriteXlsx(v.style, v.data, {}, (dir / "order.xlsx").string(), reason)) << reason;
  Workbook b = ReadXlsx(dir / "order.xlsx");
  ASSERT_EQ(b.sheets, (std::vector<std::string>{"SO-0001", "so-0001 (2)"})) << b.raw;

  // Header block: title, fields as printed (upper-case date, resolved reference),
  // the fixed label alone, the field that never prints left out.
  EXPECT_EQ(b.At(0, 1, 1).value, "销售订单");
  EXPECT_TRUE(b.At(0, 1, 1).bold);
  const std::vector<std::pair<std::string, std::string>> head = {{"客户", "上海云帆科技有限公司"},
                                                                 {"订单号", "SO-0001"},
                                                                 {"日期", "贰零贰陆年壹拾贰月零陆日"},
                                                                 {"备注: 加急", ""},
                                                                 {"首行存货", "0012"}};
  for (std::size_t i = 0; i < head.size(); ++i) {
    int row = static_cast<int>(i) + 2;
    EXPECT_EQ(b.At(0, row, 1).value, head[i].first) << "row " << row;
    EXPECT_EQ(b.At(0, row, 2).value, head[i].second) << "row " << row;
  }
  EXPECT_EQ(b.At(0, 7, 1).kind, "none");

  EXPECT_EQ(b.At(0, 8, 2).value, "存货编码");
  EXPECT_EQ(b.At(0, 8, 4).value, "Ship Time");

  // Body: codes stay texts, numbers carry their format, dates are dates.
  EXPECT_EQ(b.At(0, 9, 2).kind, "s");
  EXPECT_EQ(b.At(0, 9, 2).value, "0012");
  EXPECT_EQ(b.At(0, 10, 3).value, "墨盒, \"黑色\"");
  EXPECT_EQ(b.At(0, 12, 3).value, "两行\n名称");
  EXPECT_EQ(b.At(0, 9, 4).kind, "d");
  EXPECT_EQ(b.At(0, 9, 4).value, "2026-12-06 13:45:00");
  EXPECT_EQ(b.At(0, 9, 4).format, "yyyy-mm-dd hh:mm:ss");
  EXPECT_EQ(b.At(0, 10, 4).value, "2026-12-07 00:00:00");
  EXPECT_EQ(b.At(0, 12, 4).kind, "s");  // 30 February
  EXPECT_EQ(b.At(0, 13, 4).kind, "none");
  EXPECT_EQ(b.At(0, 9, 5).format, "0.00");  // the most decimals a cell shows
  EXPECT_EQ(b.At(0, 9, 6).format, "#,##0.00");
  EXPECT_DOUBLE_EQ(b.Number(0, 9, 6), 1234.5);
  EXPECT_TRUE(b.At(0, 11, 6).bold);  // the SumRow line

  // Totals: sums of the lines without the SumRow line, as numbers.
  double qty = 0, money = 0;
  for (int row : {9, 10, 12, 13}) {
    qty += b.Number(0, row, 5);
    money += b.Number(0, row, 6);
  }
  EXPECT_DOUBLE_EQ(money, 1001310.0);
  EXPECT_EQ(b.At(0, 14, 1).value, "本页小计");
  EXPECT_DOUBLE_EQ(b.Number(0, 14, 5), qty);
  EXPECT_EQ(b.At(0, 14, 5).format, "0.00");
  EXPECT_DOUBLE_EQ(b.Number(0, 14, 6), money);
  EXPECT_EQ(b.At(0, 14, 6).format, "#,##0.00");
  EXPECT_EQ(b.At(0, 15, 5).value, "共 15.75 件");
  EXPECT_DOUBLE_EQ(b.Number(0, 15, 6), money);
  EXPECT_DOUBLE_EQ(b.Number(0, 16, 6), money);  // the total the data gives

  EXPECT_EQ(b.At(0, 18, 1).value, "制单人");
  EXPECT_EQ(b.At(0, 18, 2).value, "张三");
  EXPECT_DOUBLE_EQ(b.Number(1, 16, 6), money);
}

TEST(TableExportTest, CsvQuotesAndTypesAsTheSheet) {
  if (!std::filesystem::exists(kPython)) GTEST_SKIP() << "Debian's python3 is not installed";
  ScratchDir dir;
  Voucher v(TaskText("SO-0001"));
  std::string reason;
  // Column lists given by the caller take the place of the style's: the amount is text here.
  TableColumns given{{"10", "10", "10", "8", "7", "10"}, {}, {}};
  ASSERT_TRUE(WriteCsv(v.style, v.data, given, (dir / "order.csv").string(), reason)) << reason;
  std::string raw = ReadFile(dir / "order.csv");
  EXPECT_NE(raw.find("\r\n2,SP-2,\"墨盒, \"\"黑色\"\"\",2026-12-07 00:00:00,3.00,88.00\r\n"),
            std::string::npos)
      << raw;
  EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");

  CsvFile csv = ReadCsv(dir / "order.csv");
  EXPECT_TRUE(csv.bom);
  ASSERT_EQ(csv.records.size(), 18u) << csv.raw;
  for (const auto& r : csv.records) EXPECT_EQ(r.size(), 6u);
  EXPECT_EQ(csv.records[0][0], "销售订单");
  EXPECT_EQ(csv.records[3][0], "日期");
  EXPECT_EQ(csv.records[3][1], "贰零贰陆年壹拾贰月零陆日");
  EXPECT_EQ(csv.records[7][1], "存货编码");
  EXPECT_EQ(csv.records[8], (std::vector<std::string>{"1", "0012", "打印纸 A4", "2026-12-06 13:45:00", "2.50",
                                                      "1,234.50"}));
  EXPECT_EQ(csv.records[11][2], "两行\n名称");
  EXPECT_EQ(csv.records[11][5], "1000000.25");
  // Totals are numbers in the token's format, with no thousands separator.
  EXPECT_EQ(csv.records[13][4], "15.75");
  EXPECT_EQ(csv.records[13][5], "1001310.00");
  EXPECT_EQ(csv.records[17][1], "张三");
}

TEST(TableExportTest, FailuresLeaveTheEarlierFile) {
  ScratchDir dir;
  std::string path = (dir / "order.xlsx").string(), reason;
  {
    std::ofstream(path) << "earlier";
  }
  // More columns than a worksheet holds.
  DataDocument wide;
  wide.tasks.emplace_back();
  wide.tasks[0].groups.push_back({BodyRow{std::vector<std::string>(16385, "x"), false, {}}});
  StyleDocument style;
  EXPECT_FALSE(WriteXlsx(style, wide, {}, path, reason));
  EXPECT_NE(reason.find("16385 columns"), std::string::npos) << reason;
  EXPECT_EQ(ReadFile(path), "earlier");
  // And more lines than it holds, with the header block.
  wide.tasks[0].title = "销售订单";
  wide.tasks[0].groups[0].assign(1048576 - 1, BodyRow{});
  EXPECT_FALSE(WriteXlsx(style, wide, {}, path, reason));
  EXPECT_NE(reason.find("1048578 rows"), std::string::npos) << reason;
  EXPECT_EQ(ReadFile(path), "earlier");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);

  Voucher v(TaskText("SO-0001"));
  for (auto write : {WriteXlsx, WriteCsv}) {
    reason.clear();
    EXPECT_FALSE(write(v.style, v.data, {}, (dir / "missing" / "order").string(), reason));
    EXPECT_FALSE(reason.empty());
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

TEST(TableExportTest, ManyVouchersShareOneSheet) {
  if (!HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed";
  ScratchDir dir;
  DataDocument data;
  for (std::size_t i = 0; i <= kMaxSheets; ++i) {
    Task t;
    t.title = "单据 " + std::to_string(i);
    t.columnTitles = {"数量"};
    t.groups.push_back({BodyRow{{std::to_string(i)}, false, {}}});
    data.tasks.push_back(std::move(t));
  }
  StyleDocument style;
  style.body.fieldTypes = {"7"};
  std::string reason;
  ASSERT_TRUE(WriteXlsx(style, data, {}, (dir / "all.xlsx").string(), reason)) << reason;
  Workbook b = ReadXlsx(dir / "all.xlsx");
  ASSERT_EQ(b.sheets, std::vector<std::string>{"单据"}) << b.raw;
  // Each voucher: title, empty row, column titles, one line; an empty row between vouchers.
  int last = static_cast<int>(kMaxSheets) * 5 + 1;
  EXPECT_EQ(b.At(0, last, 1).value, "单据 " + std::to_string(kMaxSheets));
  EXPECT_DOUBLE_EQ(b.Number(0, last + 3, 1), static_cast<double>(kMaxSheets));
}

}  // namespace
}  // namespace cavra::render
