#include "data/field_format.h"

#include "platform/vbstring.h"

namespace cavra {

FieldFormat::FieldFormat(std::int32_t fieldType, std::int32_t numPoint, std::string_view formatText,
                         bool thousands) {
  if (formatText == "0" || formatText == "2" || formatText == "3" || formatText == "4") formatText = {};
  if (fieldType == 0 || fieldType == 1) {
    kind_ = Kind::kText;
  } else if (fieldType == 5) {
    kind_ = Kind::kDate;
    // Cutting to 19 characters and then FormatDateText's cut is one cut.
    const DateTextFormat date(formatText);
    if (date.active() && date.cut() >= 0) date_cut_ = date.cut();
  } else {
    kind_ = Kind::kNumber;
    number_ = NumberFormat(numPoint, thousands ? formatText : "0");
  }
}

std::string FieldFormat::Apply(std::string_view value) const {
  switch (kind_) {
    case Kind::kText: break;
    case Kind::kNumber: return number_.Apply(value);
    case Kind::kDate: {
      // LCase then "t" -> " " leaves no "T" for FormatDateText to replace.
      std::string out(value.substr(0, vb::ByteOffset(value, date_cut_)));
      for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c == 't') c = ' ';
      }
      return out;
    }
  }
  return std::string(value);
}

bool FieldFormat::SameAs(const FieldFormat& other) const {
  if (kind_ != other.kind_) return false;
  switch (kind_) {
    case Kind::kText: return true;
    case Kind::kDate: return date_cut_ == other.date_cut_;
    case Kind::kNumber: return number_.picture().text() == other.number_.picture().text();
  }
  return false;
}

std::string FormatFieldValue(std::int32_t fieldType, std::string_view value, bool thousands,
                             std::int32_t numPoint, std::string_view formatText) {
  return FieldFormat(fieldType, numPoint, formatText, thousands).Apply(value);
}

}  // namespace cavra
