#pragma once
// The dialog of Sync > "Reconcile with QuickBooks": the period ("txtFrom", "txtTo", as
// YYYY-MM-DD, empty for an open end) and the kinds ("chkinvoices", "chkpayments", "chkpos",
// "chkcustomers", "chksuppliers"). It only shows and returns the choice through the slots
// (see DialogKind::Reconcile); the main window's logic checks and runs it.

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;

namespace vqb {
struct App;
}

namespace vqb::gui {

class ReconcileWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ReconcileWindow(App& app, QWidget* parent = nullptr);

  // Opens the dialog modally and returns when it is closed.
  static void showModal(App& app, QWidget* parent, const std::string& parameter);

 private:
  void ok();

  App& app_;
  QLineEdit* from_{};
  QLineEdit* to_{};
  std::vector<std::pair<std::string, QCheckBox*>> kinds_;
};

}  // namespace vqb::gui
