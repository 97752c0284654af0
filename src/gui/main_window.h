#pragma once
// The integrator's main window.

#include <QMainWindow>

class QLabel;
class QProgressBar;

namespace vqb {
struct App;
}

namespace vqb::gui {

inline constexpr const char* kProductTitle = "Vantora QuickBooks Integrator";

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(App& app, QWidget* parent = nullptr);
  QLabel* statusLabel() const { return status_; }
  QProgressBar* progressBar() const { return progress_; }

 private:
  App& app_;
  QLabel* status_;
  QProgressBar* progress_;
  QLabel* welcome_;
};

}  // namespace vqb::gui
