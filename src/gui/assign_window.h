#pragma once
// The assign dialog frmAssign ("QB Assign"): a view over AssignDialogLogic. A heading panel
// "Pic1" with the title "lblTitle" and message "lblMessage", the multi-column drop-down
// "cmb1" (a combo box whose popup is a table with the logic's column widths and headings),
// the text box "txt1" for free-text modes, and the buttons "cmdCreate", "cmdUpdate",
// "cmdCancel" and "cmdHelp".

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "mapping/assign_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTreeView;

namespace vqb::gui {

class AssignWindow : public QDialog {
  Q_OBJECT
 public:
  // Screen pixels per twip at 96 dots per inch: the logic's widths are in twips.
  static constexpr int kTwipsPerPixel = 15;

  // Reads the slots (Form_Load) and fills the list of the mode (fill_me).
  AssignWindow(App& app, std::function<qb::ComponentSet&()> components, QWidget* parent = nullptr);
  ~AssignWindow() override;

  // Opens the dialog modally over `parent`; the answer is in slot 0 when it returns.
  static void showModal(App& app, QWidget* parent, std::function<qb::ComponentSet&()> components);

  AssignDialogLogic& logic() { return *logic_; }
  QComboBox* dropDown() const { return dropDown_; }
  // The drop-down's popup list, with one column per row field.
  QTreeView* dropDownList() const { return list_; }

 public slots:
  void reject() override;  // Cancel, Escape and the close button

 private:
  void build();
  void fill();
  void applyState();
  void afterClick(bool closes);

  std::unique_ptr<AssignDialogLogic> logic_;
  QLabel* title_{};
  QLabel* message_{};
  QComboBox* dropDown_{};
  QTreeView* list_{};
  QStandardItemModel* model_{};
  QLineEdit* text_{};
  QPushButton* create_{};
  QPushButton* update_{};
};

}  // namespace vqb::gui
