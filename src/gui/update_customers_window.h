#pragma once
// frmUpdateCustomers: a view over UpdateCustomersLogic. The toolbar "TB2" (Run, Cancel,
// Select), the option boxes "chkC", "chkP", "chkE", "chkF" and "chkG", the grid "fg1",
// the status label "lblStatus" and the progress bar "pg1".

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

#include "dialogs/update_customers.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QTableWidget;
class QToolBar;

namespace vqb::gui {

class UpdateCustomersWindow : public QDialog {
  Q_OBJECT
 public:
  UpdateCustomersWindow(App& app, std::function<qb::ComponentSet&()> components,
                        QWidget* parent = nullptr);

  // Opens the window modally and returns when it is closed.
  static void showModal(App& app, QWidget* parent, std::function<qb::ComponentSet&()> components);

  UpdateCustomersLogic& logic() { return logic_; }
  // Clicks a toolbar button by caption, as the user would.
  void click(const QString& caption);

 public slots:
  void reject() override;  // while a run goes on, a close request cancels it instead

 private:
  void refresh();
  void drawRow(int row);
  void readOptions();

  UpdateCustomersLogic logic_;
  QToolBar* toolbar_{};
  QCheckBox* options_[5]{};
  QTableWidget* grid_{};
  QLabel* status_{};
  QProgressBar* progress_{};
  std::uint64_t drawn_{~std::uint64_t{0}};
  bool filling_{false};
};

}  // namespace vqb::gui
