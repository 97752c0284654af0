#pragma once
// The integrator's main window frmQB: a view over MainWindowLogic. It draws the logic's
// state (grid, titles, busy state), forwards toolbar clicks, menu choices and grid events,
// and pops up the menus the logic builds.

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gui/qt_ui.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSettings;
class QStackedWidget;
class QTableView;
class QToolBar;

namespace vqb {
struct App;
class MainWindowLogic;
}  // namespace vqb

namespace vqb::gui {

class WorkListModel;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(App& app, QWidget* parent = nullptr);
  ~MainWindow() override;

  MainWindowLogic& logic() { return *logic_; }
  WorkListModel* model() const { return model_; }
  QTableView* grid() const { return grid_; }
  QLabel* statusLabel() const { return status_; }
  QProgressBar* progressBar() const { return progress_; }
  QToolBar* toolbar1() const { return tb1_; }
  QToolBar* toolbar2() const { return tb2_; }
  // The button of a toolbar (1 or 2) with this caption; null when there is none.
  QAction* button(int toolbar, const QString& caption) const;
  // Whether the window size and place came from the settings.
  bool hasSavedGeometry() const { return savedGeometry_; }

  // Form_Load, then the first drawing.
  void formLoad();
  // Timer1_Timer, the connection dialogue. False when the user declined: the window closes.
  bool connectToQuickBooks();
  // A menu command by key (the --list option of vqb), then the redraw.
  void runMenuKey(const std::string& key);
  // Draws what changed in the logic's state since the last call; cheap when nothing did.
  void redraw();

  // Shows a drop-down menu at a screen point and returns the chosen action (null when
  // dismissed). exec() by default; tests put their own chooser here.
  std::function<QAction*(QMenu&, const QPoint&)> menuRunner;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* buildTitlePanel();
  QWidget* buildWelcomePage();
  void buildGrid();
  void onButton(QAction* action, int toolbar);
  void afterCommand(QWidget* anchor);
  void popupMenu(QWidget* anchor);
  void applyCommandState();
  void applyListLayout();
  void followCurrentRow();
  void saveColumnWidths();
  void updateCounts();
  std::unique_ptr<QSettings> settings() const;

  App& app_;
  std::unique_ptr<MainWindowLogic> logic_;
  WorkListModel* model_{};
  QTableView* grid_{};
  QToolBar* tb1_{};
  QToolBar* tb2_{};
  QLabel* title_{};
  QLabel* comment_{};
  QLabel* status_{};
  QLabel* counts_{};
  QProgressBar* progress_{};
  QStackedWidget* pages_{};

  std::uint64_t drawnVersion_{~std::uint64_t{0}};
  int drawnCurrentRow_{-1};
  QString layoutKey_;  // the list whose column layout the grid shows
  bool columnsResizedByUser_{false};
  bool applyingLayout_{false};
  bool waitCursor_{false};
  bool savedGeometry_{false};
};

}  // namespace vqb::gui
