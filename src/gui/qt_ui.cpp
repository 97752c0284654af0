#include "gui/qt_ui.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "gui/about_window.h"
#include "gui/assign_window.h"
#include "gui/parse_address_window.h"
#include "gui/password_window.h"
#include "gui/preferences_window.h"
#include "gui/reconcile_window.h"
#include "gui/setup_window.h"
#include "gui/update_customers_window.h"
#include "gui/validation_window.h"
#include "quickbooks/qb_error.h"

namespace vqb::gui {
namespace {

QString text_of(const std::string& text) {
  return QString::fromStdString(text).replace("\r\n", "\n");
}

// The text of a box, with a break allowed (a zero-width space) inside every run of more than
// 30 characters without a space, so that a long name or path wraps like words do.
QString wrappable(const std::string& text) {
  constexpr int kRun = 30;
  const QString plain = text_of(text);
  QString result;
  result.reserve(plain.size() + plain.size() / kRun);
  int run = 0;
  for (QChar c : plain) {
    run = c.isSpace() ? 0 : run + 1;
    if (run > kRun) {
      result += QChar(0x200B);
      run = 1;
    }
    result += c;
  }
  return result;
}

// Wraps the box's labels and keeps the box within the screen it opens on.
void fit_screen(QDialog& box, QWidget* parent) {
  for (QLabel* label : box.findChildren<QLabel*>()) label->setWordWrap(true);
  QScreen* screen = parent && parent->screen() ? parent->screen() : QApplication::primaryScreen();
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  box.setMaximumWidth(available.width());
  box.setMaximumHeight(available.height());
  box.adjustSize();
}

Answer default_answer(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok:
      return Answer::Ok;
    case Buttons::YesNo:
      return Answer::No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
      return Answer::Cancel;
  }
  return Answer::Ok;
}

// A box asked while the window shows the busy pointer gets the normal one.
struct NormalPointer {
  NormalPointer() : active(QApplication::overrideCursor() != nullptr) {
    if (active) QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~NormalPointer() {
    if (active) QApplication::restoreOverrideCursor();
  }
  NormalPointer(const NormalPointer&) = delete;
  NormalPointer& operator=(const NormalPointer&) = delete;
  bool active;
};

int clamp_int(long value) {
  return static_cast<int>(std::max<long>(INT_MIN, std::min<long>(INT_MAX, value)));
}

void show_progress(QProgressBar* bar, long value, long maximum) {
  if (!bar) return;
  if (maximum <= 0) {
    bar->setRange(0, 1);
    bar->setValue(0);
    return;
  }
  bar->setRange(0, clamp_int(maximum));
  bar->setValue(clamp_int(std::min(value, maximum)));
}

}  // namespace

std::string dialog_name(DialogKind kind) {
  switch (kind) {
    case DialogKind::Assign:
      return "Assign";
    case DialogKind::ParseAddress:
      return "Parse Address";
    case DialogKind::CustomerValidation:
      return "Customer Validation";
    case DialogKind::VendorValidation:
      return "Vendor Validation";
    case DialogKind::Preferences:
      return "Preferences";
    case DialogKind::Setup:
      return "Setup";
    case DialogKind::Loader:
      return "Loader";
    case DialogKind::About:
      return "About";
    case DialogKind::Password:
      return "Password";
    case DialogKind::UpdateCustomers:
      return "Update Customers";
    case DialogKind::Reconcile:
      return "Reconcile with QuickBooks";
  }
  return "This";
}

std::string unavailable_window_text(DialogKind kind) {
  return "The " + dialog_name(kind) + " window is not available in this version yet.";
}

QtUi::~QtUi() {
  delete loader_.data();
}

void QtUi::attach(QWidget* window, QLabel* status, QProgressBar* progress,
                  std::function<void()> redraw) {
  window_ = window;
  status_ = status;
  progress_ = progress;
  redraw_ = std::move(redraw);
}

Answer QtUi::messageBox(const std::string& text, Buttons buttons, Icon icon,
                        const std::string& title) {
  if (autoConnectOnce && title == kConnectQuestionTitle) {
    autoConnectOnce = false;
    shown.push_back({title, text, Answer::Yes});
    return Answer::Yes;
  }
  if (unattended) {
    shown.push_back({title, text, default_answer(buttons)});
    return shown.back().answer;
  }
  // A box asked while the loader window shows must sit above it.
  QWidget* parent = loader_ ? static_cast<QWidget*>(loader_.data()) : window_.data();
  QMessageBox box(parent);
  box.setWindowTitle(QString::fromStdString(title.empty() ? std::string(kProductTitle) : title));
  box.setText(wrappable(text));
  switch (icon) {
    case Icon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case Icon::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
    case Icon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case Icon::Exclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case Icon::None:
      break;
  }
  switch (buttons) {
    case Buttons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case Buttons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case Buttons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case Buttons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  fit_screen(box, parent);
  NormalPointer pointer;
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Cancel:
      return Answer::Cancel;
    default:
      return Answer::Ok;
  }
}

std::string QtUi::inputBox(const std::string& prompt, const std::string& title,
                           const std::string& defaultText) {
  if (unattended) {
    shown.push_back({title, prompt, Answer::Cancel});
    return {};
  }
  NormalPointer pointer;
  QInputDialog box(window_);
  box.setWindowTitle(QString::fromStdString(title));
  box.setLabelText(wrappable(prompt));
  box.setTextValue(QString::fromStdString(defaultText));
  fit_screen(box, window_);
  return box.exec() == QDialog::Accepted ? box.textValue().toStdString() : std::string();
}

// The one place that knows which windows exist: each new window replaces its line here.
void QtUi::showDialog(DialogKind kind, const std::string& parameter) {
  if (unattended) {
    // Windows are never opened unattended; record which one would have been.
    shown.push_back(
        {"Window", dialog_name(kind) + (parameter.empty() ? "" : ": " + parameter), Answer::Ok});
    return;
  }
  if (app_) {
    switch (kind) {
      case DialogKind::Preferences:
        return PreferencesWindow::showModal(*app_, window_, parameter);
      case DialogKind::About:
        return AboutWindow::showModal(*app_, window_, parameter);
      case DialogKind::Password:
        return PasswordWindow::showModal(*app_, window_, parameter);
      case DialogKind::Reconcile:
        return ReconcileWindow::showModal(*app_, window_, parameter);
      case DialogKind::ParseAddress:
        return ParseAddressWindow::showModal(*app_, window_, parameter);
      case DialogKind::CustomerValidation:
        return ValidationWindow::showModal(*app_, window_, false, parameter);
      case DialogKind::VendorValidation:
        return ValidationWindow::showModal(*app_, window_, true, parameter);
      case DialogKind::Setup: {
        std::function<qb::Session&()> session = session_;
        if (!session)
          session = []() -> qb::Session& {
            throw qb::QbError(qb::kNotReachable, qb::kNotReachableText);
          };
        return SetupWindow::showModal(*app_, window_, std::move(session));
      }
      case DialogKind::Assign: {
        // Without a main window there is no QuickBooks to create a class in.
        std::function<qb::ComponentSet&()> components = components_;
        if (!components)
          components = []() -> qb::ComponentSet& {
            throw qb::QbError(qb::kNotReachable, qb::kNotReachableText);
          };
        return AssignWindow::showModal(*app_, window_, std::move(components));
      }
      case DialogKind::UpdateCustomers: {
        std::function<qb::ComponentSet&()> components = components_;
        if (!components)
          components = []() -> qb::ComponentSet& {
            throw qb::QbError(qb::kNotReachable, qb::kNotReachableText);
          };
        return UpdateCustomersWindow::showModal(*app_, window_, std::move(components));
      }
      default:
        break;
    }
  }
  messageBox(unavailable_window_text(kind), Buttons::Ok, Icon::Information, kProductTitle);
}

QUrl url_to_open(const std::string& target) {
  const QString text = QString::fromStdString(target);
  if (!QFileInfo(text).isAbsolute()) return QUrl::fromUserInput(text);
  const qsizetype hash = text.indexOf('#');
  QUrl url = QUrl::fromLocalFile(text.left(hash));
  if (hash >= 0) url.setFragment(text.mid(hash + 1));
  return url;
}

void QtUi::openUrl(const std::string& url) {
  QDesktopServices::openUrl(url_to_open(url));
}

void QtUi::loaderVisible(bool visible) {
  if (!visible) {
    delete loader_.data();
    return;
  }
  if (loader_) return;
  auto* dialog = new QDialog(window_, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog->setObjectName(QStringLiteral("frmPop"));
  dialog->setWindowTitle(QString::fromLatin1(kProductTitle));
  dialog->setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(dialog);
  layout->setContentsMargins(24, 20, 24, 20);
  layout->setSpacing(12);
  auto* label = new QLabel(QObject::tr("Loading QuickBooks lists..."), dialog);
  label->setObjectName(QStringLiteral("lblLoading"));
  auto* bar = new QProgressBar(dialog);
  bar->setObjectName(QStringLiteral("pgLoading"));
  bar->setRange(0, 1);
  bar->setValue(0);
  bar->setMinimumWidth(320);
  layout->addWidget(label);
  layout->addWidget(bar);
  loader_ = dialog;
  loaderProgress_ = bar;
  dialog->show();
  QApplication::processEvents();
}

void QtUi::setStatus(const std::string& text) {
  if (status_) status_->setText(QString::fromStdString(text));
}

void QtUi::setProgress(long value, long maximum) {
  show_progress(progress_, value, maximum);
  if (loader_) show_progress(loaderProgress_, value, maximum);
}

void QtUi::processEvents() {
  if (redraw_) redraw_();
  QApplication::processEvents();
}

}  // namespace vqb::gui
