#include "app/links.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "support/vantora_fixture.h"

namespace vqb {
namespace {

class LinksTest : public ::testing::Test, protected test::VantoraFixture {
 protected:
  void SetUp() override {
    db()->execute(
        "INSERT INTO comp (NextMaintLink, NextCustLink, NextSuppLink) VALUES (700, 10, 20)");
  }
  std::string stored(const std::string& counter) {
    auto rows = db()->queryAll(
        "SELECT Value FROM Preferences WHERE Form = 'GetNewLink' AND Description = '" + counter +
        "' AND User = -2");
    return rows.rows.empty() ? "<none>" : rows.rows[0][0].value_or("<null>");
  }
};

TEST_F(LinksTest, PreferencesAreCreatedOverwrittenAndReadWithQuotesDoubled) {
  auto database = db();
  EXPECT_EQ(get_Preference(*database, "Form1", "Key", 3), "");
  set_Preference(*database, "Form1", "Key", "a", 3);
  set_Preference(*database, "Form1", "Key", "b", 3);
  set_Preference(*database, "Form1", "Key", "other user", 4);
  EXPECT_EQ(get_Preference(*database, "Form1", "Key", 3), "b");
  EXPECT_EQ(get_Preference(*database, "Form1", "Key", 4), "other user");
  auto rows = database->queryAll("SELECT count(*) FROM Preferences");
  EXPECT_EQ(rows.rows[0][0], "2");
  set_Preference(*database, "Shop's", "It's", "O'Brien", -2);
  EXPECT_EQ(get_Preference(*database, "Shop's", "It's", -2), "O'Brien");
}

TEST_F(LinksTest, NamedCounterStartsAtTheStartValueOr10000AndAdvances) {
  EXPECT_EQ(GetNewLink(app, "QBClass", 50), 50);
  EXPECT_EQ(stored("QBClass"), "51");
  EXPECT_EQ(GetNewLink(app, "QBClass", 50), 51);
  EXPECT_EQ(stored("QBClass"), "52");
  EXPECT_EQ(GetNewLink(app, "Other", 0), 10000);
  EXPECT_EQ(stored("Other"), "10001");
}

TEST_F(LinksTest, ZeroNegativeOrNonNumericCountersRestart) {
  auto database = db();
  for (const char* bad : {"0", "-5", "abc", ""}) {
    set_Preference(*database, "GetNewLink", "QBClass", bad, -2);
    EXPECT_EQ(GetNewLink(app, "QBClass", 50), 50) << "stored '" << bad << "'";
    set_Preference(*database, "GetNewLink", "Plain", bad, -2);
    EXPECT_EQ(GetNewLink(app, "Plain", 0), 10000) << "stored '" << bad << "'";
  }
}

TEST_F(LinksTest, StoredCounterIsUsedAsItStands) {
  set_Preference(*db(), "GetNewLink", "QBClass", "50", -2);
  EXPECT_EQ(GetNewLink(app, "QBClass", 7), 50);
  EXPECT_EQ(stored("QBClass"), "51");
}

TEST_F(LinksTest, CommonCounterGivesConsecutiveValues) {
  EXPECT_EQ(GetNewLink(app, "", 0), 700);
  EXPECT_EQ(GetNewLink(app, "", 0), 701);
  auto rows = db()->queryAll("SELECT NextMaintLink, NextCustLink FROM comp");
  EXPECT_EQ(rows.rows[0][0], "702");
  EXPECT_EQ(rows.rows[0][1], "10") << "other counters untouched";
}

TEST_F(LinksTest, FailureIsReportedAndGivesNoLink) {
  db()->execute("DELETE FROM comp");
  EXPECT_FALSE(GetNewLink(app, "", 0).has_value());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Application Error");
  EXPECT_NE(ui.messages[0].text.find("Procedure: GetNewLink\r\n"), std::string::npos);
  EXPECT_NE(ui.messages[0].text.find("No current record. (3021)"), std::string::npos);
}

TEST_F(LinksTest, TwoConcurrentAllocatorsNeverCollide) {
  // Two processes in practice; two threads with their own connections exercise the same locking.
  constexpr int kEach = 200;
  std::vector<std::int64_t> first, second;
  auto run = [&](std::vector<std::int64_t>& out, const char* counter) {
    test::FakeUi localUi;
    App local(localUi);
    local.databasePath = app.databasePath;
    for (int i = 0; i < kEach; ++i) {
      auto link = GetNewLink(local, counter, 0);
      if (link) out.push_back(*link);
    }
  };
  for (const char* counter : {"", "Shared"}) {  // the common counter and a named one
    SCOPED_TRACE(counter);
    first.clear();
    second.clear();
    std::thread a(run, std::ref(first), counter);
    std::thread b(run, std::ref(second), counter);
    a.join();
    b.join();
    std::set<std::int64_t> all(first.begin(), first.end());
    all.insert(second.begin(), second.end());
    EXPECT_EQ(first.size() + second.size(), 2u * kEach);
    EXPECT_EQ(all.size(), 2u * kEach) << "a Link was handed out twice";
  }
}

}  // namespace
}  // namespace vqb
