#pragma once
// The Qt UserInterface: message and input boxes, status text and progress of the main window.

#include <QPointer>

#include "app/user_interface.h"

class QWidget;
class QLabel;
class QProgressBar;

namespace vqb::gui {

class QtUi : public UserInterface {
 public:
  QtUi() = default;
  // Boxes are centred on this window; status and progress go to these widgets.
  void attach(QWidget* window, QLabel* status, QProgressBar* progress);

  Answer messageBox(const std::string& text, Buttons buttons, Icon icon, const std::string& title) override;
  std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
  void showDialog(DialogKind kind, const std::string& parameter) override;
  void setStatus(const std::string& text) override;
  void setProgress(long value, long maximum) override;
  void processEvents() override;

 private:
  QPointer<QWidget> window_;
  QPointer<QLabel> status_;
  QPointer<QProgressBar> progress_;
};

}  // namespace vqb::gui
