// Texts found by fuzzing the translator, on which a literal did not reach the
// database as written: it was swallowed by a comment, a quoted name or a
// prefix the target database reads differently, or cut at a NUL.
#include <gtest/gtest.h>

#include <string>

#include "cavra/error.h"
#include "datasource/sql_dialect.h"
#include "fakes/expect_error.h"

namespace cavra::sql {
namespace {

TEST(SqlDialectLiterals, LimitAfterALineCommentStartsOnANewLine) {
  struct Case {
    const char* tsql;
    const char* expected;
  };
  static constexpr Case kCases[] = {
      // the ")" and the literal after it must not join the comment
      {"select x from (select top 1 a from t -- c\n) y where b = 'it''s'",
       "select x from (select a from t -- c\n LIMIT 1) y where b = 'it''s'"},
      {"select top 2 a from t -- last", "select a from t -- last\n LIMIT 2"},
      {"select top 2 a from t /* c */ ", "select a from t /* c */ LIMIT 2"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.tsql);
    for (Dialect d : {Dialect::kSqlite, Dialect::kPostgres}) EXPECT_EQ(Translate(c.tsql, d).sql, c.expected);
  }
}

TEST(SqlDialectLiterals, ALiteralNeverTouchesTheNameOrLiteralBeforeIt) {
  // PostgreSQL reads e'..' as an escape string (a backslash hides the closing
  // quote) and SQLite x'..' as a blob.
  EXPECT_EQ(Translate("select [e]'a\\' , 'b'", Dialect::kPostgres).sql, "select e 'a\\' , 'b'");
  EXPECT_EQ(Translate("select [x]N'41'", Dialect::kSqlite).sql, "select x '41'");
  EXPECT_EQ(Translate("select a as'b'", Dialect::kSqlite).sql, "select a as 'b'");
  // without its N the second literal would join the first: 'a''b'
  EXPECT_EQ(Translate("select 'a'N'b'", Dialect::kSqlite).sql, "select 'a' 'b'");
  EXPECT_EQ(Translate("select a from t where b=N'c'", Dialect::kPostgres).sql, "select a from t where b='c'");
}

TEST(SqlDialectLiterals, RefusesWhatTheDatabaseWouldReadOtherwise) {
  struct Case {
    std::string tsql;
    const char* reason;
  };
  const Case kCases[] = {
      // SQLite quotes names with backticks: `x 'a' x` is one name
      {"select `x 'a' x` from t", "`"},
      // both databases read a text only up to a NUL
      {std::string("select 'a\0b' , 'c'", 18), "NUL"},
      {std::string("select 'a' \0 , 'c'", 18), "NUL"},
      // PostgreSQL nests block comments, so the literal would be inside one
      {"select /* /* */ 'a' */ 1", "nested"},
      {"select /* /*/ 'a' */ 1", "nested"},
      // "--" after "2E" opens a comment, so the quote after it opens a literal on the next line
      {"select 2E--'\n' , ? , 'a'", "unterminated string literal"},
      // and reads $x$ ... $x$ as a string
      {"select $x$ 'a' $x$", "$"},
      {"select ?$x$ 'a' $x$", "$"},
      {"select @a$$ 'a' $$", "$"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.tsql);
    for (Dialect d : {Dialect::kSqlite, Dialect::kPostgres})
      EXPECT_VB_ERROR(Translate(c.tsql, d), err::kInvalidCall, c.reason);
  }
}

}  // namespace
}  // namespace cavra::sql
