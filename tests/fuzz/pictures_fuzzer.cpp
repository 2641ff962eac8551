// Number and date pictures: a picture and a value, each compiled and applied
// as a field's format is. Input: the first byte gives the number of decimals
// (0..kMaxNumPoint and beyond, to see them held); the rest is the picture, a
// NUL byte, and the value.
//
// Checked beyond not crashing: a text that is not a number comes back from a
// number picture unchanged, and under a date picture a text either comes back
// unchanged or renders to the picture's one width.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cavra/error.h"
#include "cavra/variant.h"
#include "data/date_format.h"
#include "data/number_format.h"
#include "fuzz/check.h"

namespace {

std::string_view ValueAfterNul(std::string_view all, std::string_view* picture) {
  const std::size_t nul = all.find('\0');
  *picture = all.substr(0, nul);
  return nul == std::string_view::npos ? std::string_view() : all.substr(nul + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::int32_t num_point = static_cast<std::int8_t>(data[0]);
  std::string_view picture;
  const std::string_view value =
      ValueAfterNul(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), &picture);

  try {
    const cavra::NumberPicture number(picture);
    const std::string formatted = number.Format(value);
    if (!cavra::IsNumericText(value) && formatted != value)
      cavra::fuzz::Fail("a text that is not a number was changed by a number picture");
    (void)cavra::NumberFormat(num_point, picture).Apply(value);
    (void)cavra::FormatNumber(value, num_point, picture);
    (void)cavra::BuildNumberPicture(picture, num_point);
  } catch (const cavra::VbError& e) {
    if (e.number() != 6) cavra::fuzz::Fail("a number picture raised error " + std::to_string(e.number()));
  }

  const cavra::DatePicture date(picture);
  const std::string shown = date.Format(value);
  const std::string again = date.Format(" 2026-12-01 10:20:30 ");
  if (shown != value && !picture.empty() && shown.size() != again.size())
    cavra::fuzz::Fail("two dates rendered to different widths under one picture");
  (void)cavra::DateTextFormat(picture).Apply(value);
  (void)cavra::FormatDateText(value, picture);
  return 0;
}
