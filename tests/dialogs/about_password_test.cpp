#include "dialogs/about_password.h"

#include <gtest/gtest.h>

#include "app/text_helpers.h"
#include "main_window/main_window_logic.h"
#include "support/fake_ui.h"

namespace vqb {
namespace {

TEST(About, ShowsVersionRevisionAndTheLegalNotice) {
  AboutLogic about;
  about.Form_Load();
  EXPECT_EQ(about.lblVersion, "Version 0");
  EXPECT_EQ(about.lblRevision, "Revision 0");
  EXPECT_EQ(char_count(about.lblWarning), 280u);
  EXPECT_NE(about.lblWarning.find("international treaties"), std::string::npos);
  EXPECT_NE(about.lblWarning.find("civil and criminal penalties"), std::string::npos);
  EXPECT_NE(about.lblCopy.find("0.1.0"), std::string::npos);
  about.cmdOK_Click();
  EXPECT_TRUE(about.closed);
}

struct PasswordTest : ::testing::Test {
  // The help menu's keys as the main window builds it now.
  std::vector<std::string> helpKeys() {
    MainWindowLogic window(app);
    window.mnu_Help();
    std::vector<std::string> keys;
    for (const auto& item : window.menu.items())
      if (!item.separator) keys.push_back(item.key);
    return keys;
  }
  test::FakeUi ui;
  App app{ui};
};

TEST_F(PasswordTest, OnlyTheExactPasswordUnlocksTheMaintenanceItems) {
  const std::vector<std::string> plain = {"mnuHelpAbout", "mnuHelpOnline", "mnuHelpTechSupport",
                                          "mnuHelpUndoSend"};
  EXPECT_EQ(helpKeys(), plain);

  PasswordLogic dialog(app);
  dialog.Form_Load();
  for (const char* wrong : {"Trelvok42", "TRELVOK42", "trelvok42 ", "trelvok4", ""}) {
    dialog.txtPassword = wrong;
    EXPECT_FALSE(dialog.cmdOK_Click()) << wrong;
    EXPECT_FALSE(app.maintenanceUnlocked) << wrong;
  }
  ASSERT_EQ(ui.messages.size(), 5u);
  EXPECT_EQ(ui.messages[0].text, "Wrong Password");
  EXPECT_EQ(ui.messages[0].title, "Error");
  EXPECT_EQ(ui.messages[0].icon, Icon::Information);
  EXPECT_EQ(helpKeys(), plain);

  dialog.txtPassword = "trelvok42";
  EXPECT_TRUE(dialog.cmdOK_Click());
  EXPECT_TRUE(dialog.closed);
  EXPECT_TRUE(app.maintenanceUnlocked);
  EXPECT_EQ(ui.messages.size(), 5u);
  EXPECT_EQ(helpKeys(), (std::vector<std::string>{
                            "mnuHelpAbout", "mnuHelpOnline", "mnuHelpTechSupport",
                            "mnuHelpUndoSend", "mnuHelpImportBalances", "mnuHelpSupplierAddress"}));
}

TEST_F(PasswordTest, OpeningTheDialogAndCancellingTurnsMaintenanceOff) {
  app.maintenanceUnlocked = true;
  PasswordLogic dialog(app);
  dialog.txtPassword = "left over";
  dialog.Form_Load();
  EXPECT_EQ(dialog.txtPassword, "");
  EXPECT_FALSE(app.maintenanceUnlocked);
  dialog.cmdCancel_Click();
  EXPECT_TRUE(dialog.closed);
  EXPECT_FALSE(app.maintenanceUnlocked);
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace vqb
