#include "app/setup_file.h"

#include <gtest/gtest.h>

#include "app/errors.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

class SetupFileTest : public ::testing::Test {
 protected:
  SetupFileTest() { app.globalfolder = dir.path().string() + "/"; }
  test::TempDir dir;
  test::FakeUi ui;
  App app{ui};
};

TEST_F(SetupFileTest, MissingFileGivesAnEmptyQBSetupDocument) {
  EXPECT_FALSE(load_setup_document(app));
  EXPECT_EQ(app.setup.GetTag(), "QBSetup");
  EXPECT_EQ(setup_value(app, "qbsetupchkreps"), "");
}

TEST_F(SetupFileTest, SavedAndReloadedGivesBackEveryKeyUnchanged) {
  load_setup_document(app);
  const std::vector<std::pair<std::string, std::string>> keys = {
      {"qbsetupchkreps", "0"},
      {"qbsetupcmbcountry", "US"},
      {"customdateformat", "dd mmm yyyy"},
      {"optinvprefix1", "True"},
      {"txtinvprefix", " INV-<&>'\" "},
      {"cmbar", ""},
      {"txtpoprefix", "PO\r\nline"}};
  for (const auto& [key, value] : keys) save_setup_value(app, key, value);
  save_setup_value(app, "qbsetupchkreps", "1");  // overwrite keeps one key

  App reloaded(ui);
  reloaded.globalfolder = app.globalfolder;
  ASSERT_TRUE(load_setup_document(reloaded));
  EXPECT_EQ(reloaded.setup.GetTag(), "QBSetup");
  EXPECT_EQ(reloaded.setup.GetChildCount(), static_cast<long>(keys.size()));
  EXPECT_EQ(setup_value(reloaded, "qbsetupchkreps"), "1");
  for (std::size_t i = 1; i < keys.size(); ++i)
    EXPECT_EQ(setup_value(reloaded, keys[i].first), keys[i].second) << keys[i].first;
}

TEST_F(SetupFileTest, ValueReadsAtTheRootWhereverTheCursorIs) {
  load_setup_document(app);
  save_setup_value(app, "a", "1");
  app.setup.MoveToFirstChild();
  EXPECT_EQ(setup_value(app, "a"), "1");
}

TEST_F(SetupFileTest, UnwritableFolderRaisesInsteadOfClaimingSuccess) {
  app.globalfolder = "/nonexistent-folder-for-vqb-tests/";
  load_setup_document(app);
  try {
    save_setup_value(app, "a", "1");
    FAIL() << "no error raised";
  } catch (const VqbError& error) {
    EXPECT_EQ(error.number(), 75);
  }
}

}  // namespace
}  // namespace vqb
