#include "app/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "app/database.h"
#include "app/embedded_sql.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

class StartupTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::FakeUi ui;
  App app{ui};

  void SetUp() override {
    app.programFolder = VQB_TEST_PROGRAM_DIR;
    app.settingsFolderOverride = dir.file("Quenbrook");
  }
  std::string settingsDb() const { return dir.file("Quenbrook/local.mdb"); }
  void setDatabaseValue(const std::string& sqlValue) {
    open_database(settingsDb())
        ->execute("UPDATE settings SET Value = " + sqlValue +
                  " WHERE form = 'SubMain' AND Description = 'DatabaseFile'");
  }
};

TEST_F(StartupTest, FirstStartCreatesTheFolderAndCopiesTheTemplateOnce) {
  ASSERT_TRUE(Main(app));
  EXPECT_TRUE(std::filesystem::is_regular_file(settingsDb()));
  EXPECT_EQ(app.settingsFolder, dir.file("Quenbrook"));
  // The template names no database: the information message, then a normal start.
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "No database specified. Please open Vantora to point to your database.");
  EXPECT_EQ(ui.messages[0].title, "Error");
  EXPECT_EQ(ui.messages[0].icon, Icon::Information);
  EXPECT_EQ(app.databasePath, "");
  EXPECT_EQ(app.globalfolder, "");

  setDatabaseValue("'/data/shop/vantora.db'");
  test::FakeUi ui2;
  App second(ui2);
  second.programFolder = dir.file("empty-program-folder");  // nothing to copy from
  second.settingsFolderOverride = app.settingsFolderOverride;
  ASSERT_TRUE(Main(second)) << "a second start copies nothing";
  EXPECT_TRUE(ui2.messages.empty());
  EXPECT_EQ(second.databasePath, "/data/shop/vantora.db");
  EXPECT_EQ(second.globalfolder, "/data/shop/");
}

TEST_F(StartupTest, NullEmptyOrMissingValueIsTreatedAsNoDatabase) {
  for (const char* value : {"NULL", "''", "no row"}) {
    ASSERT_TRUE(Main(app));
    if (std::string(value) == "no row")
      open_database(settingsDb())->execute("DELETE FROM settings");
    else
      setDatabaseValue(value);
    ui.messages.clear();
    ASSERT_TRUE(Main(app));
    ASSERT_EQ(ui.messages.size(), 1u) << value;
    EXPECT_EQ(ui.messages[0].text,
              "No database specified. Please open Vantora to point to your database.");
    EXPECT_EQ(ui.messages[0].title, "Error");
  }
}

TEST_F(StartupTest, MissingTemplateEndsTheProgramWithTheVantoraBox) {
  app.programFolder = dir.file("nowhere");
  EXPECT_FALSE(Main(app));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Vantora");
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
  EXPECT_EQ(ui.messages[0].text, "53 - File not found: " + dir.file("nowhere") + "/local.mdb");
}

TEST_F(StartupTest, UnreadableSettingsDatabaseEndsTheProgram) {
  std::filesystem::create_directories(dir.file("Quenbrook"));
  { std::ofstream(settingsDb()) << "this is not a database file, it is plain text of some length"; }
  EXPECT_FALSE(Main(app));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Vantora");
  EXPECT_EQ(ui.messages[0].text.rfind("26 - ", 0), 0u) << ui.messages[0].text;
}

TEST_F(StartupTest, MainClearsTheValidationMemos) {
  app.customerMemo.AddChild("x", "1");
  app.vendorMemo.AddChild("x", "1");
  app.salesGroupMemo.AddChild("x", "1");
  ASSERT_TRUE(Main(app));
  EXPECT_EQ(app.customerMemo.GetChildCount(), 0);
  EXPECT_EQ(app.vendorMemo.GetChildCount(), 0);
  EXPECT_EQ(app.salesGroupMemo.GetChildCount(), 0);
}

TEST(ProgramFolder, ABuildUsesTheProgramsFolderAnInstallItsShareFolders) {
  test::TempDir dir;
  auto touch = [&](const std::string& name) {
    std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
    std::ofstream(dir.file(name)) << "x";
  };
  touch("build/bin/local.mdb");
  touch("build/bin/manual/index.html");
  touch("usr/share/vqb/local.mdb");
  touch("usr/share/doc/vqb/manual/index.html");
  std::filesystem::create_directories(dir.file("usr/bin"));

  EXPECT_EQ(program_folder_of(dir.file("build/bin")), dir.file("build/bin"));
  EXPECT_EQ(manual_page(dir.file("build/bin"), "preferences"),
            dir.file("build/bin/manual/index.html") + "#preferences");
  EXPECT_EQ(program_folder_of(dir.file("usr/bin")), dir.file("usr/share/vqb"));
  EXPECT_EQ(manual_page(dir.file("usr/share/vqb")),
            dir.file("usr/share/doc/vqb/manual/index.html"));
  // Neither: the executable's folder, so that the missing template is reported there.
  EXPECT_EQ(program_folder_of(dir.file("opt")), dir.file("opt"));
  EXPECT_EQ(manual_page(dir.file("opt"), "mappings"), dir.file("opt/manual/index.html#mappings"));
}

TEST(GlobalFolder, IsThePathUpToAndIncludingTheLastSeparator) {
  test::FakeUi ui;
  App app(ui);
  const char* const cases[][2] = {
      {"/data/shop.db", "/data/"}, {"shop.db", ""}, {"/shop.db", "/"}, {"", ""}};
  for (const auto& [path, folder] : cases) {
    app.databasePath = path;
    get_globalfolder(app);
    EXPECT_EQ(app.globalfolder, folder) << path;
  }
}

TEST(SpecialFolder, LocalAppDataFollowsXdgAndReports513WhenUnknown) {
  test::FakeUi ui;
  App app(ui);
  std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  const char* oldXdg = std::getenv("XDG_DATA_HOME");
  std::string savedXdg = oldXdg ? oldXdg : "";

  ::setenv("XDG_DATA_HOME", "/xdg/data", 1);
  EXPECT_EQ(SpecialFolder(app, 28), "/xdg/data");
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", "/home/pat", 1);
  EXPECT_EQ(SpecialFolder(app, 28), "/home/pat/.local/share");
  ::unsetenv("HOME");
  EXPECT_EQ(SpecialFolder(app, 28), "");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Application Error");
  EXPECT_NE(ui.messages[0].text.find("Procedure: SpecialFolder\r\n"), std::string::npos);
  EXPECT_NE(ui.messages[0].text.find("\r\n\r\nThe folder path could not be detected (513)"),
            std::string::npos);

  if (!oldHome.empty()) ::setenv("HOME", oldHome.c_str(), 1);
  if (oldXdg) ::setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
}

}  // namespace
}  // namespace vqb
