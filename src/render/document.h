// The two print documents (style and data) read into plain structures, the
// input of the layout engine. Lengths are tenths of a millimetre, as written.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace cavra::render {

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
};

struct Font {
  std::string name = "宋体";
  double size = 9;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  Color color;
};

enum class Align { Left, Center, Right };

// 缩放模式 of a picture: how it fills its box.
enum class ScaleMode { Original, Enlarge, Shrink, KeepRatio, Stretch };

// 页眉 and 页脚: a band in the page margin.
struct BandStyle {
  bool present = false;
  double height = 0;
  Font font;
  std::string print;  // print-position word
  Align align = Align::Center;
  bool picture = false;  // 图片: the data band's picture prints beside the text
  ScaleMode scale = ScaleMode::Original;
  bool pictureRight = false;  // 图片居右
};

// A 字段 of 表头 or 表尾.
struct FieldStyle {
  std::string key;          // 关键字, or 名字 for a picture label: matches 名字 of the data field
  std::string caption;      // 名字 when the caption prints
  int type = 0;             // 类型: 0 when absent, -1 when not a number
  bool preprinted = false;  // 套打: the value only
  double captionWidth = 0;  // 标题宽度
  Font font;
  double x = 0, y = 0, w = 0, h = 0;
  bool box = false;           // 边框='0x1F'
  bool underlineBox = false;  // 下标线
  std::string print;
  Align align = Align::Left;
  bool picture = false;  // 图片='是': shows the data picture named key
  ScaleMode scale = ScaleMode::Original;
  bool pictureRight = false;
  std::string barcodeStandard, barcodeFormat;  // 类型 15: 编码标准 and 编码格式
};

// The symbologies of 编码标准 and of a body column's 条码 mark (format + 16 x index).
inline constexpr const char* kBarcodeStandards[] = {"CODE128", "CODE39", "EAN-13", "EAN-8", "PDF417"};

// 表体头, 表体行 and 表体尾.
struct GridRowStyle {
  std::vector<Align> align;  // one per column; a single word applies to all
  std::string borderStyle = "783";
  double borderWidth = 1;
  double rowHeight = 0;  // 0: fit the text
  Font font;
  bool lastTableOnly = false;  // 打印='最后一表' on 表体尾
};

struct BodyStyle {
  double x = 0, y = 0, w = 0, h = 0;  // w, h 0: computed
  int fixedRows = 0;
  std::vector<double> colWidths;
  std::vector<std::string> fieldTypes, fieldSizes, fieldNames;  // 字段类型, 字段大小, 字段名称
  std::vector<int> barcodes;  // 条码 marks: -1 none, else format + 16 x standard
  GridRowStyle head, row, tail;
};

struct StyleDocument {
  double paperWidth = 2100, paperHeight = 2970;
  bool landscape = false;
  double marginLeft = 180, marginTop = 200, marginRight = 180, marginBottom = 200;
  bool newPagePerTask = true;
  bool tiling = false;
  bool flow = false;  // 流式打印
  BandStyle pageHeader, pageFooter;
  bool hasTitle = false;
  double titleX = 0, titleY = 0, titleW = 0, titleH = 0;
  Align titleAlign = Align::Center;
  Font titleFont;
  std::vector<FieldStyle> headFields, tailFields;
  bool tailAfterBody = false;  // 紧贴表体
  BodyStyle body;
};

struct BodyRow {
  std::vector<std::string> cells;
  bool sumRow = false;
  std::vector<std::size_t> pictureCells;  // cells marked 图片='存货图片'
};

struct Task {
  std::string pageHeader, pageFooter, title, billNo;
  std::map<std::string, std::string> headValues, tailValues;  // by 名字
  std::vector<std::string> columnTitles;
  std::vector<std::vector<BodyRow>> groups;        // one group unless 分单 splits the body
  std::vector<std::vector<std::string>> tailRows;  // 表体尾
  std::string headerPicture, footerPicture;        // 图片 of the data 页眉 and 页脚: a picture name
  std::map<std::string, std::string> pictures;     // 图片 elements: name -> the file's bytes
};

struct DataDocument {
  std::vector<Task> tasks;
};

// The codes SetDataStyleXML returns.
enum ErrorCode : int {
  kStyleUnreadable = 1,  // the style text does not parse, or its root is not 格式
  kDataUnreadable = 2,   // the data text does not parse, or its root is not 数据
  kPaperUnusable = 3,    // paper width or height not above 0, or over ten metres
  kMarginsUnusable = 4,  // margins leave no printable area
  kFileUnreadable = 5,   // a document given as a file cannot be read
};

// Failure of reading a document: an ErrorCode and the reason.
struct DocumentError {
  int code = 0;
  std::string reason;
};

// Both read UTF-8 texts, whatever their XML declaration says. Return false and
// fill error when the text does not parse or its root is not the expected one.
bool ReadStyleDocument(std::string_view text, StyleDocument& out, DocumentError& error);
bool ReadDataDocument(std::string_view text, DataDocument& out, DocumentError& error);

// A file of either document as UTF-8: UTF-16LE with or without byte-order mark
// (how the service writes them) and UTF-8 are recognised.
bool ReadDocumentFile(const std::string& path, std::string& utf8, std::string& reason);

// Base64 (standard alphabet, padding optional, blanks and line breaks skipped).
// False on any other character, leaving out as far as it got.
bool DecodeBase64(std::string_view text, std::string& out);

}  // namespace cavra::render
