#include "app/sql_literals.h"

#include <gtest/gtest.h>

#include "app/database.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

SqlLiteral number(std::int64_t value) {
  return {false, value, {}};
}
SqlLiteral text(std::string value) {
  return {true, 0, std::move(value)};
}

TEST(SqlLiterals, ValuesAreLiftedWhereAParameterMeansTheSame) {
  const struct {
    const char* sql;
    const char* shape;
    std::vector<SqlLiteral> values;
  } cases[] = {
      {"Select * from custso where number = 1001",
       "Select * from custso where number = ?1",
       {number(1001)}},
      {"UPDATE probe SET Note = 'O''Brien -- ; x' WHERE Link = -17",
       "UPDATE probe SET Note = ?1 WHERE Link = -?2",
       {text("O'Brien -- ; x"), number(17)}},
      {"INSERT INTO t (a, b) VALUES ('', 42)",
       "INSERT INTO t (a, b) VALUES (?1, ?2)",
       {text(""), number(42)}},
      // Result columns keep their literals (a column is named by its text), also inside a
      // subquery of the list; the subquery's own WHERE after FROM is lifted.
      {"SELECT 5, 'a', (SELECT x FROM y WHERE id = 3) FROM t WHERE k = 'b' LIMIT 10",
       "SELECT 5, 'a', (SELECT x FROM y WHERE id = 3) FROM t WHERE k = ?1 LIMIT ?2",
       {text("b"), number(10)}},
      {"select a from t where b in (select c from d where e = 7) and f = 'g'",
       "select a from t where b in (select c from d where e = ?1) and f = ?2",
       {number(7), text("g")}},
      // A number in ORDER BY or GROUP BY is a column position.
      {"SELECT a FROM t WHERE b = 2 GROUP BY 1 HAVING count(*) > 3 ORDER BY 1 DESC LIMIT 4",
       "SELECT a FROM t WHERE b = ?1 GROUP BY 1 HAVING count(*) > ?2 ORDER BY 1 DESC LIMIT ?3",
       {number(2), number(3), number(4)}},
      // Real, hexadecimal and out-of-range numbers, names and comments stay as written.
      {"UPDATE CustSO Set QuickBooksDS = 46000.25, x = 0x1F, y = 99999999999999999999, "
       "\"Tax1\" = 1 /* 'c' */ -- 'd'\n where [Col 2] = `3` and tax2 = 1e3 and Number = 8",
       "UPDATE CustSO Set QuickBooksDS = 46000.25, x = 0x1F, y = 99999999999999999999, "
       "\"Tax1\" = ?1 /* 'c' */ -- 'd'\n where [Col 2] = `3` and tax2 = 1e3 and Number = ?2",
       {number(1), number(8)}},
      {"SELECT * FROM t WHERE u = 'Ünïcødé \u05e9\u05dc\u05d5\u05dd'",
       "SELECT * FROM t WHERE u = ?1",
       {text("Ünïcødé \u05e9\u05dc\u05d5\u05dd")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    const auto lifted = parameterize_literals(c.sql);
    ASSERT_TRUE(lifted.has_value());
    EXPECT_EQ(lifted->shape, c.shape);
    EXPECT_EQ(lifted->values, c.values);
  }
}

TEST(SqlLiterals, OtherTextsAreCompiledAsTheyStand) {
  for (const char* sql : {
           "Select * from QuickBooks",                    // nothing to lift
           "PRAGMA synchronous = 1",                      // not a statement on rows
           "CREATE TABLE t (a TEXT DEFAULT 'x')",         //
           "WITH c AS (SELECT 1) SELECT * FROM c",        //
           "SELECT * FROM t WHERE a = ? AND b = 1",       // has parameters already
           "SELECT * FROM t WHERE a = :a AND b = 1",      //
           "SELECT * FROM t WHERE a = X'00' AND b = 1",   // a blob
           "SELECT * FROM t WHERE a = 'unterminated",     // the engine reports it
           "SELECT * FROM t WHERE b = 1.5",               // real numbers stay
           "(SELECT 1) UNION SELECT * FROM t WHERE b=1",  //
       }) {
    EXPECT_FALSE(parameterize_literals(sql).has_value()) << sql;
  }
  EXPECT_FALSE(parameterize_literals(std::string("SELECT * FROM t WHERE a = 'x\0y'", 32)));
}

// The same rows, names and changes whether the values were lifted or not.
TEST(SqlLiterals, ADatabaseAnswersAsWithTheLiteralsInPlace) {
  test::TempDir dir;
  auto db = create_database(dir.file("lifted.db"));
  db->execute("CREATE TABLE t (id INTEGER PRIMARY KEY, code TEXT, amount REAL)");
  for (int i = 1; i <= 3; ++i)
    db->execute("INSERT INTO t (id, code, amount) VALUES (" + std::to_string(i) + ", '" +
                std::to_string(i * 10) + "', " + std::to_string(i) + ".5)");
  db->execute("INSERT INTO t (id, code, amount) VALUES (4, 'O''Brien & <Co>', 0)");

  const Database::Rows rows = db->queryAll(
      "SELECT 7, 'k', code FROM t WHERE code = 20 OR code = 'O''Brien & <Co>' "
      "ORDER BY 3 DESC LIMIT 5");
  EXPECT_EQ(rows.columns, (std::vector<std::string>{"7", "'k'", "code"}));
  EXPECT_EQ(rows.rows,
            (std::vector<std::vector<Cell>>{{"7", "k", "O'Brien & <Co>"}, {"7", "k", "20"}}));
  // Many values, one shape: every one answers with its own row.
  for (int i = 1; i <= 40; ++i) {
    const auto found = db->queryAll("SELECT amount FROM t WHERE id = " + std::to_string(i));
    EXPECT_EQ(found.rows.size(), i <= 4 ? 1u : 0u) << i;
  }
  db->execute("UPDATE t SET code = 'x''y' WHERE id = 2");
  EXPECT_EQ(db->changes(), 1);
  EXPECT_EQ(db->queryAll("SELECT code FROM t WHERE id = 2").rows[0][0], "x'y");
  EXPECT_THROW(db->execute("UPDATE t SET code = 'z' WHERE id = 2; DELETE FROM t"), DbError);
  EXPECT_EQ(db->queryAll("SELECT count(*) FROM t").rows[0][0], "4");
}

}  // namespace
}  // namespace vqb
