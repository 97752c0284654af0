#include "gui/password_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vqb::gui {

PasswordWindow::PasswordWindow(App& app, QWidget* parent) : QDialog(parent), logic_(app) {
  setObjectName("frmpassWord");
  setWindowTitle("Work In Tech Support Mode");
  logic_.Form_Load();

  password_ = new QLineEdit(this);
  password_->setObjectName("txtPassword");
  password_->setEchoMode(QLineEdit::Password);
  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  auto* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  ok->setObjectName("cmdOK");
  cancel->setObjectName("cmdCancel");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &PasswordWindow::ok);
  connect(cancel, &QPushButton::clicked, this, &PasswordWindow::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Enter the support password:", this));
  layout->addWidget(password_);
  layout->addWidget(buttons);
  password_->setText(QString::fromStdString(logic_.txtPassword));
  password_->setFocus();
}

void PasswordWindow::showModal(App& app, QWidget* parent, const std::string&) {
  PasswordWindow window(app, parent);
  window.exec();
}

void PasswordWindow::ok() {
  logic_.txtPassword = password_->text().toStdString();
  if (logic_.cmdOK_Click()) {
    accept();
    return;
  }
  password_->selectAll();
  password_->setFocus();
}

void PasswordWindow::reject() {
  logic_.cmdCancel_Click();
  QDialog::reject();
}

}  // namespace vqb::gui
