#pragma once
// The about box frmAbout and the password dialog frmpassWord without their widgets.
// The password switches maintenance mode (App::maintenanceUnlocked), which adds the repair
// commands to the help menu; opening the dialog always switches it off first.

#include <string>

#include "app/app.h"

namespace vqb {

// The program's version.
inline constexpr int kVersionMajor = 0;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 0;
inline constexpr const char* kVersionText = "0.1.0";

class AboutLogic {
 public:
  std::string lblWarning;   // the legal notice
  std::string lblCopy;      // who owns the product
  std::string lblVersion;   // "Version " + major version
  std::string lblRevision;  // "Revision " + revision
  bool closed{false};

  void Form_Load();
  void cmdOK_Click() { closed = true; }
};

class PasswordLogic {
 public:
  explicit PasswordLogic(App& app) : app(app) {}

  App& app;
  std::string txtPassword;
  bool closed{false};

  // Empties the password and switches maintenance mode off.
  void Form_Load();
  // The exact (case-sensitive) maintenance password switches maintenance mode on and closes;
  // anything else shows "Wrong Password" and the dialog stays open. Returns `closed`.
  bool cmdOK_Click();
  // Closes; maintenance mode stays off.
  void cmdCancel_Click() { closed = true; }
};

}  // namespace vqb
