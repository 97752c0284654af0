#include "app/setup_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

TEST_F(SetupFileTest, DamagedFileIsNeverReplacedBySaves) {
  const std::string path = setup_file_path(app);
  struct Case {
    const char* content;
    const char* problem;
  };
  const Case cases[] = {
      // Cut short, as by a full disk.
      {"<QBSetup><chkdupinvoices>1</chkdupinvoices><optmemo1>Tr", " at byte "},
      {"", "No document element found at byte 0"},
      {"<QBSetup><a>1</b></QBSetup>", "Start-end tags mismatch at byte "},
  };
  for (const Case& c : cases) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.content;
    load_setup_document(app);
    for (int save = 0; save < 2; ++save) {
      try {
        if (save == 0)
          save_setup_value(app, "optmemo1", "True");
        else
          save_setup_document(app);
        FAIL() << "saved over " << c.content;
      } catch (const VqbError& error) {
        EXPECT_EQ(error.number(), 75);
        const std::string text = error.description();
        EXPECT_EQ(text.rfind("The settings file \"" + path + "\" cannot be read (", 0), 0u) << text;
        EXPECT_NE(text.find(c.problem), std::string::npos) << text;
        EXPECT_TRUE(
            text.ends_with("). Nothing was changed: repair the file or move it away first."))
            << text;
      }
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream kept;
    kept << in.rdbuf();
    EXPECT_EQ(kept.str(), c.content);
  }
  // Moved away, the settings are saved again, owner-only.
  std::filesystem::remove(path);
  load_setup_document(app);
  save_setup_value(app, "optmemo1", "True");
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace vqb
