// The display formatting of one field (FormatFieldValue), compiled from the
// field's type, decimals and format text when its template loads and applied
// to each of its cells.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/date_format.h"
#include "data/number_format.h"

namespace cavra {

// FormatFieldValue(fieldType, value, thousands, numPoint, formatText):
// - format texts "0", "2", "3" and "4" mean no format;
// - types 0 and 1: the value unchanged;
// - type 5 (date or date-time): Left(Replace(LCase(value), "t", " "), 19),
//   then FormatDateText with the format text;
// - any other type: FormatNumber(value, numPoint, the format text when
//   thousands is true, else "0").
class FieldFormat {
 public:
  FieldFormat() = default;  // unformatted, as type 0
  FieldFormat(std::int32_t fieldType, std::int32_t numPoint, std::string_view formatText, bool thousands);

  std::string Apply(std::string_view value) const;
  // Whether Apply gives the same text as other's Apply for every value.
  bool SameAs(const FieldFormat& other) const;

 private:
  enum class Kind : std::uint8_t { kText, kDate, kNumber };

  Kind kind_ = Kind::kText;
  std::int32_t date_cut_ = 19;  // characters a date value keeps
  NumberFormat number_;
};

// One-off form of FieldFormat (compiles on every call).
std::string FormatFieldValue(std::int32_t fieldType, std::string_view value, bool thousands,
                             std::int32_t numPoint, std::string_view formatText);

}  // namespace cavra
