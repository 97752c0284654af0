#include "app/fix_database.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/vantora_fixture.h"

namespace vqb {
namespace {

class FixDatabaseTest : public ::testing::Test, protected test::VantoraFixture {};

TEST_F(FixDatabaseTest, NullsBecomeEmptyTextOrZeroAndDatesStayNull) {
  db()->executeScript(
      "INSERT INTO Suppliers (Link, Description, Tel, DateCreated) VALUES (1, NULL, 'x', NULL);"
      "INSERT INTO Suppliers (Link, Description) VALUES (NULL, 'B')");
  FixDatabase(app, "Suppliers");
  auto rows =
      db()->queryAll("SELECT Link, Description, Tel, DateCreated FROM Suppliers ORDER BY rowid");
  EXPECT_EQ(rows.rows[0][1], "");
  EXPECT_EQ(rows.rows[0][2], "x");
  EXPECT_FALSE(rows.rows[0][3].has_value()) << "dates stay Null";
  EXPECT_EQ(rows.rows[1][0], "0");
  EXPECT_EQ(ui.status, "Operation Complete.");
  EXPECT_NE(std::find(ui.statuses.begin(), ui.statuses.end(),
                      "Checking for Null Values - Suppliers. Please Wait..."),
            ui.statuses.end());
}

TEST_F(FixDatabaseTest, EmptyTableChangesNothing) {
  ui.status = "before";
  FixDatabase(app, "Suppliers");
  EXPECT_EQ(ui.status, "before");
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace vqb
