// vqb-cli setup on a demo: the CSV round trip, bad rows named before anything is written, and
// the bulk tools answering from --yes/--no.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/database.h"
#include "cli/commands.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

using test::CliRun;

class SetupCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run({"demo", folder, "--customers", "2", "--invoices", "1", "--payments", "1",
                   "--purchase-orders", "1", "--suppliers", "1"})
                  .code,
              0);
  }
  CliRun run(std::vector<std::string> args) {
    if (args[0] != "demo") args.insert(args.begin(), {"--settings", folder});
    return test::run_cli(std::move(args));
  }
  std::string first(const std::string& sql) {
    auto rows = open_database(folder + "/vantora.db")->queryAll(sql);
    return rows.rows.empty() ? "" : rows.rows[0][0].value_or("");
  }
  static std::string read(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  static void write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
  }
  // The CSV with one row's QuickBooks value replaced (the row starting with `prefix`).
  static std::string replaced(std::string csv, const std::string& prefix, const std::string& row) {
    const std::size_t at = csv.find("\n" + prefix);
    EXPECT_NE(at, std::string::npos) << prefix;
    csv.replace(at + 1, csv.find('\n', at + 1) - at - 1, row);
    return csv;
  }

  test::TempDir dir;
  std::string folder = dir.file("demo");
  std::string csv = dir.file("setup.csv");
};

TEST_F(SetupCommandTest, ExportEditImportStoresTheNewValue) {
  CliRun exported = run({"setup", "export", csv});
  ASSERT_EQ(exported.code, 0) << exported.err;
  const std::string text = read(csv);
  EXPECT_EQ(text.rfind("grid,code,label,quickbooks,extra\nfgItems,", 0), 0u) << text;
  EXPECT_NE(text.find("\nfgPayments,"), std::string::npos);

  const std::string link = first("SELECT link FROM Terms ORDER BY link LIMIT 1");
  const std::string label = first("SELECT description FROM Terms WHERE link = " + link);
  write(csv, replaced(text, "fgTerms," + link + ",", "fgTerms," + link + "," + label + ",Net 30,"));
  CliRun imported = run({"setup", "import", csv});
  ASSERT_EQ(imported.code, 0) << imported.err;
  EXPECT_EQ(first("SELECT QuickBooks FROM Terms WHERE link = " + link), "Net 30");
  // Unchanged switches stay on.
  CliRun shown = run({"setup", "show", "--json"});
  ASSERT_EQ(shown.code, 0) << shown.err;
  auto doc = nlohmann::json::parse(shown.out);
  EXPECT_EQ(doc["settings"]["qbsetupchkclass"], "1");
  bool found = false;
  for (const auto& row : doc["grids"]["fgTerms"])
    if (row["code"] == link) found = row["quickbooks"] == "Net 30";
  EXPECT_TRUE(found) << shown.out;
}

TEST_F(SetupCommandTest, ImportNamesEveryBadRowAndWritesNothing) {
  ASSERT_EQ(run({"setup", "export", csv}).code, 0);
  const std::string termsLink = first("SELECT link FROM Terms ORDER BY link LIMIT 1");
  const std::string before = first("SELECT QuickBooks FROM Terms WHERE link = " + termsLink);
  std::string text = read(csv);
  text = replaced(text, "fgTerms," + termsLink + ",", "fgTerms," + termsLink + ",x,Net 30,");
  text += "fgReps,99999,Nobody,JM,\nfgNope,1,x,y,\nfgTerms," + termsLink +
          ",x,\"No \"\"Such\"\" Terms\",\n";
  write(csv, text);
  const long lines = static_cast<long>(std::count(text.begin(), text.end(), '\n'));

  CliRun imported = run({"setup", "import", csv});
  EXPECT_EQ(imported.code, 2);
  EXPECT_EQ(imported.err,
            csv + ": line " + std::to_string(lines - 2) +
                ": \"99999\": no row of fgReps has this code\n" + csv + ": line " +
                std::to_string(lines - 1) + ": \"fgNope\": no such grid\n" + csv + ": line " +
                std::to_string(lines) +
                ": \"No \"Such\" Terms\": QuickBooks has no terms of that name\nNothing was "
                "saved.\n");
  EXPECT_EQ(first("SELECT QuickBooks FROM Terms WHERE link = " + termsLink), before);
}

TEST_F(SetupCommandTest, BulkToolsAnswerTheirQuestionsFromYesAndNo) {
  const std::string taxes = first("SELECT COUNT(*) FROM tax");
  CliRun declined = run({"setup", "import-tax-items", "--no"});
  EXPECT_EQ(declined.code, 0) << declined.err;
  EXPECT_EQ(first("SELECT COUNT(*) FROM tax"), taxes);
  CliRun classes = run({"setup", "import-classes"});
  EXPECT_EQ(classes.code, 0) << classes.err;
  EXPECT_NE(classes.err.find("[Confirm] Class Import Complete."), std::string::npos);
  CliRun groups = run({"setup", "export-groups", "--yes"});
  EXPECT_EQ(groups.code, 0) << groups.err;
  EXPECT_EQ(first("SELECT COUNT(*) FROM CustIndustry WHERE QuickBooks = '' OR QuickBooks IS NULL"),
            "0");
}

}  // namespace
}  // namespace vqb
