#pragma once
// The about box: product name, version, revision, ownership and legal notice ("lblVersion",
// "lblRevision", "lblCopy", "lblWarning") and an OK button "cmdOK".

#include <QDialog>
#include <string>

#include "dialogs/about_password.h"

namespace vqb::gui {

class AboutWindow : public QDialog {
  Q_OBJECT
 public:
  explicit AboutWindow(QWidget* parent = nullptr);

  // Opens the box modally, centred on `parent`, and returns when it is closed.
  static void showModal(App& app, QWidget* parent, const std::string& parameter);

  const AboutLogic& logic() const { return logic_; }

 private:
  AboutLogic logic_;
};

}  // namespace vqb::gui
