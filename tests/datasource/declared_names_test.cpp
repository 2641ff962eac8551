#include "datasource/declared_names.h"

#include <gtest/gtest.h>

namespace cavra::datasource {
namespace {

TEST(DeclaredNames, ColumnsOfCreateAndAlterStatements) {
  struct Case {
    const char* sql;
    bool create;
    const char* table;
    std::vector<std::string> columns;
  };
  const Case kCases[] = {
      {"CREATE TABLE SO_Main (ID INTEGER, cCode VARCHAR(30), PRIMARY KEY (ID))", true, "SO_Main",
       {"ID", "cCode"}},
      {"create temporary table if not exists tolmmeta_001.Cavra_Q (JointQuery_ID VARCHAR(40) NOT NULL "
       "PRIMARY KEY, iRate NUMERIC(10, 2))",
       true, "tolmmeta_001.Cavra_Q", {"JointQuery_ID", "iRate"}},
      // Literals, comments and nested parentheses hold no names.
      {"CREATE TABLE t (cA TEXT DEFAULT '(', cB TEXT DEFAULT 'x, cX', -- , cC\n /* , cD */ cE INT CHECK "
       "(cE IN (1, 2)), CONSTRAINT pk PRIMARY KEY (cA), UNIQUE (cE), FOREIGN KEY (cE) REFERENCES u (iD))",
       true, "t", {"cA", "cB", "cE"}},
      {"CREATE TABLE \"My Table\" (\"Quoted\" INT, plainName INT)", true, "\"My Table\"", {"plainName"}},
      {"CREATE UNLOGGED TABLE t AS SELECT cA FROM u", true, "t", {}},
      {"ALTER TABLE t ADD COLUMN iCount INTEGER DEFAULT 0, ADD fPrice REAL, ADD CONSTRAINT c CHECK (x > 0)",
       false, "t", {"iCount", "fPrice"}},
      {"ALTER TABLE IF EXISTS ONLY s.t ADD COLUMN IF NOT EXISTS cNew TEXT", false, "s.t", {"cNew"}},
      {"ALTER TABLE t RENAME COLUMN a TO nItemCount", false, "t", {"nItemCount"}},
      {"alter table t rename b to cB", false, "t", {"cB"}},
      {"ALTER TABLE t RENAME TO NewName", false, "t", {}},
      {"ALTER TABLE t ALTER COLUMN cname TYPE TEXT", false, "t", {}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.sql);
    const auto names = ParseDeclaredNames(c.sql);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->create, c.create);
    EXPECT_EQ(names->table, c.table);
    EXPECT_EQ(names->columns, c.columns);
  }
}

TEST(DeclaredNames, OtherStatementsDeclareNothing) {
  for (const char* sql : {"SELECT * FROM t", "DROP TABLE t", "CREATE INDEX i ON t (cA)",
                          "CREATE VIEW v AS SELECT 1", "INSERT INTO t (cA) VALUES ('CREATE TABLE x (y INT)')",
                          "", "CREATE TABLE"})
    EXPECT_FALSE(ParseDeclaredNames(sql)) << sql;
}

TEST(DeclaredNames, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(FoldedName("cSOCode_1$"), "csocode_1$");
  EXPECT_EQ(FoldedName("Ä数量X"), "Ä数量x");
}

}  // namespace
}  // namespace cavra::datasource
