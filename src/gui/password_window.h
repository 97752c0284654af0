#pragma once
// The password dialog that switches maintenance mode on: "txtPassword", "cmdOK" and
// "cmdCancel". Opening it switches maintenance mode off.

#include <QDialog>
#include <string>

#include "dialogs/about_password.h"

class QLineEdit;

namespace vqb::gui {

class PasswordWindow : public QDialog {
  Q_OBJECT
 public:
  explicit PasswordWindow(App& app, QWidget* parent = nullptr);

  // Opens the dialog modally and returns when it is closed.
  static void showModal(App& app, QWidget* parent, const std::string& parameter);

  PasswordLogic& logic() { return logic_; }

 public slots:
  void reject() override;  // Cancel, Escape and the close button

 private:
  void ok();

  PasswordLogic logic_;
  QLineEdit* password_{};
};

}  // namespace vqb::gui
