#include "app/module1.h"

#include <gtest/gtest.h>

#include "app/database.h"
#include "support/vantora_fixture.h"

namespace vqb {
namespace {

class Module1Test : public ::testing::Test, protected test::VantoraFixture {
 protected:
  void SetUp() override {
    auto database = db();
    database->execute(
        "CREATE TABLE probe (Link INTEGER, QBAccountNumber TEXT, Amount REAL, Whole REAL, Note "
        "TEXT)");
    database->execute("INSERT INTO probe VALUES (17, 'AbC', 12.5, 100.0, NULL)");
    database->execute("INSERT INTO probe VALUES (3, '', 0.1, -2, 'x')");
  }
  // Fills the statement batch, one child per statement.
  void batch(std::initializer_list<const char*> statements) {
    app.sqlBatch.Clear();
    app.sqlBatch.SetTag("strStatements");
    int n = 0;
    for (const char* sql : statements) app.sqlBatch.AddChild("s" + std::to_string(++n), sql);
  }
};

TEST_F(Module1Test, ReadDataKeyedByLinkNamesRecordsByLinkWithTheCounterAsText) {
  ASSERT_TRUE(read_data(app, "select * from probe order by rowid", true));
  RecordDoc& doc = app.scratch;
  EXPECT_EQ(doc.GetTag(), "rData");
  EXPECT_EQ(doc.GetChildCount(), 2);
  ASSERT_GT(doc.MoveToChild("record17"), 0);
  EXPECT_EQ(doc.GetContent(), "1");
  EXPECT_EQ(doc.GetChildContent("link"), "17");
  EXPECT_EQ(doc.GetChildContent("qbaccountnumber"), "AbC")
      << "tags lower-cased, values keep their case";
  EXPECT_EQ(doc.GetChildContent("amount"), "12.5");
  EXPECT_EQ(doc.GetChildContent("whole"), "100");
  EXPECT_EQ(doc.GetChildContent("note"), "");
  doc.MoveToRoot();
  ASSERT_GT(doc.MoveToChild("record3"), 0);
  EXPECT_EQ(doc.GetContent(), "2");
  EXPECT_EQ(doc.GetChildContent("whole"), "-2");
}

TEST_F(Module1Test, ReadDataWithoutKeyCountsRecordsWithEmptyText) {
  ASSERT_TRUE(read_data(app, "select Link, Note from probe order by rowid", false));
  RecordDoc& doc = app.scratch;
  ASSERT_TRUE(doc.MoveToFirstChild());
  EXPECT_EQ(doc.GetTag(), "record1");
  EXPECT_EQ(doc.GetContent(), "");
  EXPECT_EQ(doc.GetChildCount(), 2);
  ASSERT_TRUE(doc.MoveToNextSibling());
  EXPECT_EQ(doc.GetTag(), "record2");
  EXPECT_EQ(doc.GetChildContent("note"), "x");
}

TEST_F(Module1Test, EmptyResultGivesOnlyTheRootAndDatabaseErrorsShowTheConfirmBox) {
  ASSERT_TRUE(read_data(app, "select * from probe where Link = -1", true));
  EXPECT_EQ(app.scratch.GetTag(), "rData");
  EXPECT_EQ(app.scratch.GetChildCount(), 0);
  EXPECT_TRUE(ui.messages.empty());

  EXPECT_FALSE(read_data(app, "select * from nowhere", false));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "1 - no such table: nowhere");
  EXPECT_EQ(ui.messages[0].title, "Confirm");
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
  EXPECT_FALSE(write_data(app, "update nowhere set a = 1"));
  EXPECT_EQ(ui.messages.back().text, "1 - no such table: nowhere");
  // Keyed by link needs a Link column.
  EXPECT_FALSE(read_data(app, "select Note from probe", true));
  EXPECT_EQ(ui.messages.back().text, "3265 - Item not found in this collection.");
}

TEST_F(Module1Test, ReadDataLetsEventsRunButNotOncePerField) {
  auto database = db();
  database->execute("BEGIN");
  for (int i = 0; i < 2000; ++i) database->execute("INSERT INTO probe VALUES (1, 'a', 1, 1, 'b')");
  database->execute("COMMIT");
  ASSERT_TRUE(read_data(app, "select * from probe", false));
  EXPECT_GE(ui.eventsProcessed, 1);
  EXPECT_LT(ui.eventsProcessed, 2000);
}

// SQL is built by concatenation: text after the first statement (a value with a missed quote)
// is refused before anything runs, and write_data reports it in the "Confirm" box.
TEST_F(Module1Test, WriteDataRunsNoSecondStatement) {
  const struct {
    const char* sql;
    const char* refused;  // the text named in the message; nullptr: the statement runs
    const char* noteAfter;
  } cases[] = {
      {"UPDATE probe SET Note = 'O''Brien' WHERE Link = 17", nullptr, "O'Brien"},
      {"UPDATE probe SET Note = 'b' WHERE Link = 17;", nullptr, "b"},
      {"UPDATE probe SET Note = 'c' WHERE Link = 17 ; \r\n\t", nullptr, "c"},
      {"UPDATE probe SET Note = 'd' WHERE Link = 17; DELETE FROM probe", "DELETE FROM probe", "c"},
      {"UPDATE probe SET Note = 'e'; DELETE FROM probe; --' WHERE Link = 17",
       "DELETE FROM probe; --' WHERE Link = 17", "c"},
      {"UPDATE probe SET Note = 'f' WHERE Link = 17;;", ";", "c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    ui.messages.clear();
    EXPECT_EQ(write_data(app, c.sql), c.refused == nullptr);
    if (c.refused == nullptr) {
      EXPECT_TRUE(ui.messages.empty());
    } else {
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].title, "Confirm");
      EXPECT_EQ(ui.messages[0].text,
                std::string("1 - Only one SQL statement may be run at a time: ") + c.refused);
    }
    auto rows = db()->queryAll("SELECT Note FROM probe ORDER BY Link");
    EXPECT_EQ(rows.rows, (std::vector<std::vector<Cell>>{{"x"}, {c.noteAfter}}));
  }
  // The path for the program's own scripts still runs every statement.
  db()->executeScript(
      "UPDATE probe SET Note = 'g' WHERE Link = 17; DELETE FROM probe WHERE Link = 3;");
  EXPECT_EQ(db()->queryAll("SELECT Note FROM probe").rows, (std::vector<std::vector<Cell>>{{"g"}}));
}

TEST_F(Module1Test, BatchRunsEveryStatementInOrderOrNoneWhenOneFails) {
  batch({"INSERT INTO probe (Link) VALUES (50)", "UPDATE probe SET Note = 'done' WHERE Link = 50"});
  ASSERT_TRUE(write_data2(app));
  EXPECT_EQ(db()->queryAll("SELECT Note FROM probe WHERE Link = 50").rows,
            (std::vector<std::vector<Cell>>{{"done"}}));

  batch({"INSERT INTO probe (Link) VALUES (60)", "INSERT INTO nowhere VALUES (1)",
         "INSERT INTO probe (Link) VALUES (61)"});
  EXPECT_FALSE(write_data2(app));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "1 - no such table: nowhere");
  EXPECT_EQ(ui.messages[0].title, "Confirm");
  EXPECT_EQ(db()->queryAll("SELECT count(*) FROM probe WHERE Link IN (60, 61)").rows[0][0], "0");

  // An empty batch opens no database.
  ui.messages.clear();
  app.databasePath = dir.file("does-not-exist.db");
  batch({});
  EXPECT_FALSE(write_data2(app));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(app.databasePath));
}

TEST_F(Module1Test, ADatabaseRunKeepsOneConnectionAndEveryStatementCommitsAtOnce) {
  {
    const DatabaseRun run(app);
    Database* held = app.heldDatabase;
    ASSERT_NE(held, nullptr);
    {
      const DatabaseRun inner(app);
      EXPECT_EQ(app.heldDatabase, held);
    }
    EXPECT_EQ(app.heldDatabase, held);
    ASSERT_TRUE(write_data(app, "UPDATE probe SET Note = 'held' WHERE Link = 17"));
    // Another connection sees it at once, and can write in turn: nothing stays locked.
    EXPECT_EQ(db()->queryAll("SELECT Note FROM probe WHERE Link = 17").rows[0][0], "held");
    db()->execute("UPDATE probe SET Note = 'other' WHERE Link = 3");
    ASSERT_TRUE(read_data(app, "select Note from probe where Link = 3", false));
    ASSERT_TRUE(app.scratch.MoveToFirstChild());
    EXPECT_EQ(app.scratch.GetChildContent("note"), "other");
    batch({"INSERT INTO probe (Link) VALUES (70)", "INSERT INTO nowhere VALUES (1)"});
    EXPECT_FALSE(write_data2(app));
    EXPECT_EQ(db()->queryAll("SELECT count(*) FROM probe WHERE Link = 70").rows[0][0], "0");
  }
  EXPECT_EQ(app.heldDatabase, nullptr);
  EXPECT_EQ(ui.messages.size(), 1u);  // the failed batch's Confirm box
}

// One connection compiles a repeated text once and keeps it; what it runs must stay as if each
// call compiled its own statement.
TEST_F(Module1Test, RepeatedStatementsOnOneConnectionStayCorrect) {
  auto held = db();
  auto other = db();
  const std::string count = "SELECT count(*) FROM probe";
  const auto countNow = [&] { return held->queryAll(count).rows[0][0]; };
  EXPECT_EQ(countNow(), "2");
  // A statement kept after it ran holds no lock: another connection writes at once.
  other->execute("INSERT INTO probe (Link) VALUES (5)");
  EXPECT_EQ(countNow(), "3");
  // The same text inside its own row callback runs as a second statement.
  std::vector<std::string> nested;
  held->query("SELECT Link FROM probe ORDER BY Link", [&](const std::vector<Cell>&) {
    held->query("SELECT Link FROM probe ORDER BY Link",
                [&](const std::vector<Cell>& cells) { nested.push_back(*cells[0]); });
  });
  EXPECT_EQ(nested.size(), 9u);
  // A callback that throws leaves the statement ready for the next call.
  EXPECT_THROW(held->query(count, [](const std::vector<Cell>&) { throw DbError(1, "stop"); }),
               DbError);
  EXPECT_EQ(countNow(), "3");
  // A changed schema is seen by the kept statement.
  other->execute("ALTER TABLE probe ADD COLUMN Extra TEXT DEFAULT 'e'");
  const auto columns = held->queryAll("SELECT * FROM probe WHERE Link = 5");
  EXPECT_EQ(columns.columns.back(), "Extra");
  EXPECT_EQ(held->queryAll("SELECT * FROM probe WHERE Link = 5").rows[0].back(), "e");
  // A kept text followed by a second statement is still refused before anything runs.
  held->execute("UPDATE probe SET Note = 'one' WHERE Link = 5");
  EXPECT_THROW(held->execute("UPDATE probe SET Note = 'one' WHERE Link = 5; DELETE FROM probe"),
               DbError);
  EXPECT_EQ(countNow(), "3");
  // More texts than are kept: each still runs.
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(held->queryAll("SELECT " + std::to_string(i)).rows[0][0], std::to_string(i));
  EXPECT_EQ(countNow(), "3");
}

TEST_F(Module1Test, ADatabaseRunWithoutADatabaseHoldsNothingAndEachCallReports) {
  app.databasePath.clear();
  const DatabaseRun run(app);
  EXPECT_EQ(app.heldDatabase, nullptr);
  EXPECT_FALSE(read_data(app, "select 1", false));
  EXPECT_FALSE(write_data(app, "select 1"));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].title, "Confirm");
}

}  // namespace
}  // namespace vqb
