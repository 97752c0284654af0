#pragma once
// The setup window frmSetup: a view over SetupLogic. One tab per mapping grid (each a table
// named after its grid, "fgItems", ...; QuickBooks columns edited through drop-downs whose
// popups show every column of an entry) and a "Settings" tab with the switches, "cmbCountry",
// "txtDateFormat", "cmbDiscount", "cmbSubtotalItem" and "cmdImportClasses". The loading panel
// "picLoad" with its bar "pg1" shows while the lists are read; "cmdUpdate" saves.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "mapping/setup_window.h"

class QComboBox;
class QProgressBar;
class QTableWidget;
class QTabWidget;
class QWidget;

namespace vqb::gui {

class SetupWindow : public QDialog {
  Q_OBJECT
 public:
  SetupWindow(App& app, std::function<qb::Session&()> connect, QWidget* parent = nullptr);
  ~SetupWindow() override;

  // Opens the window modally; it reads the lists once it is on screen.
  static void showModal(App& app, QWidget* parent, std::function<qb::Session&()> connect);

  SetupLogic& logic() { return *logic_; }
  // Form_Load and pop_me, then draws every grid.
  void load();
  QTableWidget* table(SetupGridKind kind) const;
  // The drop-down of a grid cell (column 1, or 2 for fgPayments); null when none.
  QComboBox* cellDropDown(SetupGridKind kind, int row, int column) const;

 private:
  void build();
  void refresh();
  void refreshGrid(SetupGridKind kind);
  void refreshSettings();
  void save();
  void popMenu(const std::string& caption, QWidget* under);

  std::unique_ptr<SetupLogic> logic_;
  QTabWidget* tabs_{};
  QWidget* loadPanel_{};
  QProgressBar* progress_{};
};

}  // namespace vqb::gui
