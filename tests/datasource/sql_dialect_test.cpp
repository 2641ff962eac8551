#include <gtest/gtest.h>

#include <string>

#include "cavra/error.h"
#include "cavra/sql_text.h"
#include "datasource/sql_dialect.h"
#include "fakes/expect_error.h"
#include "fakes/hostile_values.h"

namespace cavra::sql {
namespace {

constexpr Dialect kLite = Dialect::kSqlite;
constexpr Dialect kPg = Dialect::kPostgres;

TEST(SqlDialect, TranslatesTheServiceShapes) {
  struct Case {
    const char* name;
    Dialect dialect;
    const char* tsql;
    const char* expected;
  };
  static constexpr Case kCases[] = {
      {"top and N literals", kLite,
       "select top 1 fchrXmlInfo from VoucherCustomerInfo where fchrType=N'MultiTableHeader' and "
       "fchrOperator "
       "=N'#systemprinter#' and fchrVoucherType=N'SO' and fchrVoucherTemplateType=N'12'",
       "select fchrXmlInfo from VoucherCustomerInfo where fchrType='MultiTableHeader' and fchrOperator "
       "='#systemprinter#' and fchrVoucherType='SO' and fchrVoucherTemplateType='12' LIMIT 1"},
      {"top inside a subquery", kLite, "select a from (select top (2) b from t order by b) x where c=1",
       "select a from (select b from t order by b LIMIT 2) x where c=1"},
      {"top after distinct, trailing blanks", kPg, "SELECT DISTINCT TOP 3 a FROM t  ",
       "SELECT DISTINCT a FROM t LIMIT 3"},
      {"isnull", kPg,
       "select isnull(AuditDisplayFlag,'') as AuditDisplayFlag   from vouchertemplates_base where "
       "vt_cardnumber='SO' and vt_id='12'",
       "select coalesce(AuditDisplayFlag,'') as AuditDisplayFlag   from vouchertemplates_base where "
       "vt_cardnumber='SO' and vt_id='12'"},
      {"GetDate in SQLite", kLite,
       "select sum(total) as total,max(lastprintTime) as  lastprintTime,GetDate() as CurrentServerDate from "
       "PrintPolicy_VCH where  vchid='X1' and PolicyID like 'SO_%'",
       "select sum(total) as total,max(lastprintTime) as  lastprintTime,datetime('now','localtime') as "
       "CurrentServerDate from PrintPolicy_VCH where  vchid='X1' and PolicyID like 'SO_%'"},
      {"GetDate and LIKE in PostgreSQL", kPg, "select GetDate ( ) as d from t where a like 'x%'",
       "select LOCALTIMESTAMP(0) as d from t where a ILIKE 'x%'"},
      {"dbo", kLite,
       "select p.Picture,i.cinvcode from dbo.AA_Picture p inner join  (select pictureguid ,cinvcode from "
       "inventory where cinvcode in ('A1','B2')) i  on i.pictureguid = p.cGUID",
       "select p.Picture,i.cinvcode from AA_Picture p inner join  (select pictureguid ,cinvcode from "
       "inventory where cinvcode in ('A1','B2')) i  on i.pictureguid = p.cGUID"},
      {"metadata database and bracketed name", kPg,
       "select JQ.[SourceID],JQC.SourceField1  from  tolmmeta_001..Cavra_JointQuery as JQ inner join "
       "tolmmeta_001.dbo.Cavra_JointQuery_Condition as JQC on JQ.JointQuery_ID = JQC.JointQuery_ID",
       "select JQ.SourceID,JQC.SourceField1  from  tolmmeta_001.Cavra_JointQuery as JQ inner join "
       "tolmmeta_001.Cavra_JointQuery_Condition as JQC on JQ.JointQuery_ID = JQC.JointQuery_ID"},
      {"system database with top", kLite,
       "select top 1 cUser_Id,cUser_Name ,cUserEmail ,cUserHand  from  TolmSystem..UA_User where cUser_Name "
       "=N'王'",
       "select cUser_Id,cUser_Name ,cUserEmail ,cUserHand  from  tolmsystem.UA_User where cUser_Name ='王' "
       "LIMIT 1"},
      {"IF to CASE", kPg, " if (   N'C001' = N'C001' and (1=1) ) select 1 else select 0",
       "SELECT CASE WHEN (   'C001' = 'C001' and (1=1) ) THEN 1 ELSE 0 END"},
      {"literals and comments are left alone", kPg,
       "select 'it''s top 1; N''x'' isnull( dbo.t a..b' as v -- top 1; GetDate()\n",
       "select 'it''s top 1; N''x'' isnull( dbo.t a..b' as v -- top 1; GetDate()\n"},
      {"a quote inside an N literal", kLite, "select N'O''Brien' as n", "select 'O''Brien' as n"},
      {"placeholders in PostgreSQL", kPg, "update t set a = ?, b = '?' where c = ?",
       "update t set a = $1, b = '?' where c = $2"},
      {"a bracketed name that is not plain", kLite, "select [my col], [a\"b] from t",
       "select \"my col\", \"a\"\"b\" from t"},
      {"one trailing semicolon", kLite, "select 1; ", "select 1"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Translate(c.tsql, c.dialect).sql, c.expected);
  }
}

TEST(SqlDialect, KeepsEveryLiteralAsWritten) {
  auto values = cavra::testing::HostileValues();
  values.push_back({"union", cavra::testing::UnionInjection()});
  for (const auto& [name, value] : values) {
    SCOPED_TRACE(name);
    for (Dialect d : {kLite, kPg}) {
      const Translation t = Translate("select a from t where b = " + SqlNLiteral(value) + " and c = " +
                                          SqlLiteral(value) + " and d = ?",
                                      d);
      const std::string literal = SqlLiteral(value);
      EXPECT_EQ(t.sql, "select a from t where b = " + literal + " and c = " + literal + " and d = " +
                           (d == kPg ? "$1" : "?"));
      EXPECT_EQ(t.parameters, 1);
    }
  }
}

TEST(SqlDialect, DroppingTheOwnerNeverOpensAComment) {
  for (Dialect d : {kLite, kPg}) {
    EXPECT_EQ(Translate("select a-dbo.-b, '' from t", d).sql, "select a- -b, '' from t");
    EXPECT_EQ(Translate("select a/dbo.*b, '' from t", d).sql, "select a/ *b, '' from t");
  }
}

TEST(SqlDialect, ReportsDatabasesParametersAndNames) {
  const Translation t = Translate(
      "select a.cUser_Id from TolmSystem..UA_User a join tolmmeta_001..X b on b.k = ? join tolmsystem..Y c "
      "on 1=1",
      kPg);
  EXPECT_EQ(t.databases, (std::vector<std::string>{"tolmsystem", "tolmmeta_001"}));
  EXPECT_EQ(t.parameters, 1);
  EXPECT_NE(std::find(t.names.begin(), t.names.end(), "cUser_Id"), t.names.end());
}

TEST(SqlDialect, RefusesWhatItCannotRunSafely) {
  struct Case {
    const char* tsql;
    const char* reason;
  };
  static constexpr Case kCases[] = {
      {"select 1; drop table AccInformation", "only one SQL statement"},
      {"select 1;;  /* c */ select 2", "only one SQL statement"},
      {"select * from t where a = N'it''s", "unterminated string literal"},
      {"select [abc from t", "unterminated bracketed name"},
      {"select 1 /* open", "unterminated comment"},
      {"if (1=1) select 1", "IF (condition) SELECT"},
      {"select top x a from t", "TOP must be followed by a row count"},
      {"select top 10 percent a from t", "PERCENT"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.tsql);
    EXPECT_VB_ERROR(Translate(c.tsql, kLite), err::kInvalidCall, c.reason);
  }
}

TEST(SqlDialect, SplitsSchemaScriptsAndMapsBinaryColumns) {
  const auto parts = TranslateScript(
      "-- a; b\nCREATE TABLE a (x BLOB, y VARCHAR(2) DEFAULT ';');\nCREATE TABLE m..b (z INTEGER);\n", kPg);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_NE(parts[0].sql.find("x BYTEA, y VARCHAR(2) DEFAULT ';'"), std::string::npos) << parts[0].sql;
  EXPECT_EQ(parts[1].databases, std::vector<std::string>{"m"});
  EXPECT_EQ(TranslateScript("CREATE TABLE a (x BLOB)", kLite)[0].sql, "CREATE TABLE a (x BLOB)");
}

TEST(SqlDialect, KindsOfDeclaredTypes) {
  struct Case {
    const char* declared;
    const char* field_type;
  };
  static constexpr Case kCases[] = {
      {"INTEGER", "int"},
      {"bigint", "int"},
      {"DOUBLE PRECISION", "float"},
      {"numeric", "float"},
      {"VARCHAR(30)", "string"},
      {"character varying", "string"},
      {"TEXT", "string"},
      {"TIMESTAMP", "dateTime"},
      {"timestamp without time zone", "dateTime"},
      {"DATE", "dateTime"},
      {"BOOLEAN", "boolean"},
      {"BLOB", "bin.base64"},
      {"bytea", "bin.base64"},
      {"", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.declared);
    EXPECT_EQ(FieldTypeOf(KindOfDeclaredType(c.declared)), c.field_type);
  }
}

// Texts found by fuzzing the translator, on which a literal did not reach the
// database as written: it was swallowed by a comment, a quoted name or a
// prefix the target database reads differently, or cut at a NUL.
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
