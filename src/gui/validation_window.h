#pragma once
// frmCustomerV and frmVendorV: the customer (or supplier) of a transaction is not in
// QuickBooks; the user creates it there, links it to an existing QuickBooks name, or cancels.
// The choice is checked and recorded by ValidationDialogLogic.

#include <QDialog>
#include <string>

#include "dialogs/validation_dialog.h"

class QLineEdit;
class QRadioButton;

namespace vqb::gui {

class ValidationWindow : public QDialog {
  Q_OBJECT
 public:
  ValidationWindow(App& app, bool vendor, const std::string& message, QWidget* parent = nullptr);

  // Opens the dialog modally and returns when it is closed (the answer is in the slots).
  static void showModal(App& app, QWidget* parent, bool vendor, const std::string& message);

  ValidationDialogLogic& logic() { return logic_; }

 public slots:
  void reject() override;  // Cancel, Escape and the close button

 private:
  void update();

  ValidationDialogLogic logic_;
  QRadioButton* optNew_{};
  QRadioButton* optLink_{};
  QRadioButton* optCancel_{};
  QLineEdit* txtLink_{};
};

}  // namespace vqb::gui
