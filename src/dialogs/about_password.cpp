#include "dialogs/about_password.h"

namespace vqb {
namespace {

constexpr const char* kMaintenancePassword = "trelvok42";

}  // namespace

void AboutLogic::Form_Load() {
  lblWarning =
      "Warning: this computer program is protected by copyright law and international treaties. "
      "Unauthorised "
      "reproduction or distribution of this program, or of any portion of it, may result in severe "
      "civil and "
      "criminal penalties, and will be prosecuted to the fullest extent of the law.";
  lblCopy =
      std::string("Vantora QuickBooks Integrator ") + kVersionText +
      ". Copyright (C) Quenbrook. All rights reserved. QuickBooks is a registered trademark of "
      "Intuit Inc.";
  lblVersion = "Version " + std::to_string(kVersionMajor);
  lblRevision = "Revision " + std::to_string(kVersionRevision);
}

void PasswordLogic::Form_Load() {
  txtPassword.clear();
  app.maintenanceUnlocked = false;
}

bool PasswordLogic::cmdOK_Click() {
  if (txtPassword == kMaintenancePassword) {
    app.maintenanceUnlocked = true;
    closed = true;
  } else {
    app.ui.messageBox("Wrong Password", Buttons::Ok, Icon::Information, "Error");
  }
  return closed;
}

}  // namespace vqb
