#include "gui/qt_ui.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

namespace vqb::gui {

void QtUi::attach(QWidget* window, QLabel* status, QProgressBar* progress) {
  window_ = window;
  status_ = status;
  progress_ = progress;
}

Answer QtUi::messageBox(const std::string& text, Buttons buttons, Icon icon, const std::string& title) {
  QMessageBox box(window_);
  box.setWindowTitle(QString::fromStdString(title));
  box.setText(QString::fromStdString(text).replace("\r\n", "\n"));
  switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Icon::None: break;
  }
  switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return Answer::Ok;
  }
}

std::string QtUi::inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
  bool ok = false;
  QString text = QInputDialog::getText(window_, QString::fromStdString(title),
                                       QString::fromStdString(prompt).replace("\r\n", "\n"), QLineEdit::Normal,
                                       QString::fromStdString(defaultText), &ok);
  return ok ? text.toStdString() : std::string();
}

void QtUi::showDialog(DialogKind, const std::string&) {
  messageBox("This window is not available yet.", Buttons::Ok, Icon::Information, "Vantora QuickBooks Integrator");
}

void QtUi::setStatus(const std::string& text) {
  if (status_) status_->setText(QString::fromStdString(text));
}

void QtUi::setProgress(long value, long maximum) {
  if (!progress_) return;
  progress_->setMaximum(static_cast<int>(maximum));
  progress_->setValue(static_cast<int>(value));
}

void QtUi::processEvents() { QApplication::processEvents(); }

}  // namespace vqb::gui
