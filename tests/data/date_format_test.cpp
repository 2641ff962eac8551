#include <gtest/gtest.h>

#include <string>

#include "data/date_format.h"

namespace cavra {
namespace {

struct Case {
  const char* format;
  const char* value;
  const char* expected;
};

TEST(DatePicture, RendersStoredDatesAndTimes) {
  static constexpr Case kCases[] = {
      {"YYYY-MM-DD", "2024-03-05T14:07:09", "2024-03-05"},
      {"YYYY-MM-DD HH:mm:ss", "2024-03-05T14:07:09", "2024-03-05 14:07:09"},
      {"yyyy/MM/dd", "2024-03-05", "2024/03/05"},
      {"YY年MM月DD日", "2024-03-05", "24年03月05日"},
      {"HH:mm", "2024-03-05 08:30:00.123", "08:30"},
      {"DD.MM.YYYY hh:mm", " 2024/3/5 8:5 ", "05.03.2024 08:05"},
      {"YYYY-MM-DD HH:mm:ss", "2024-02-29", "2024-02-29 00:00:00"},
      {"mm/MM", "2024-03-05t14:07:09", "07/03"},
      {"Y-M-D", "2024-03-05", "Y-M-D"},  // single letters are literals
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.format) + " on " + c.value);
    EXPECT_EQ(DatePicture(c.format).Format(c.value), c.expected);
  }
}

TEST(DatePicture, TextThatIsNotADateComesBackUnchanged) {
  static constexpr const char* kValues[] = {
      "",           "abc",        "2023-02-29",          "2024-13-01",          "2024-04-31",
      "24-03-05",   "20240-03-05", "2024-03/05",         "2024-03-05x",         "2024-03-05T14",
      "2024-03-05T24:00:00", "2024-03-05T14:60", "2024-03-05T14:07:09.", "2024-03-05T14:07:09Z",
  };
  const DatePicture picture("YYYY-MM-DD");
  for (const char* value : kValues) {
    SCOPED_TRACE(value);
    EXPECT_EQ(picture.Format(value), value);
  }
  EXPECT_EQ(DatePicture("").Format("2024-03-05"), "2024-03-05");
}

TEST(DateTextFormat, CutsRatherThanRenders) {
  static constexpr Case kCases[] = {
      {"YYYY-MM-DD", "2024-03-05T14:07:09", "2024-03-05"},
      {"YYYY-MM-DD HH:mm:ss", "2024-03-05T14:07:09", "2024-03-05 14:07:09"},
      {"YYYY-MM-DD", "", ""},
      {"YYYY-MM-DD", "2024/3/5T1:2", "2024/3/5 1"},  // not re-rendered
      {"YY", "2024-03-05T14:07:09", "2024-03-05T14:07:09"},
      {"", "2024-03-05T14:07:09", "2024-03-05T14:07:09"},
      {"YYYY年MM月DD", "2024年03月05日T", "2024年03月05"},  // lengths count characters
      {"YYYY-MM-DD HH:mm:ss", "2024-03-05t14:07:09", "2024-03-05t14:07:09"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.format) + " on " + c.value);
    EXPECT_EQ(DateTextFormat(c.format).Apply(c.value), c.expected);
  }
}

}  // namespace
}  // namespace cavra
