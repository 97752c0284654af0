#include "gui/validation_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/qt_text.h"

namespace vqb::gui {

ValidationWindow::ValidationWindow(App& app, bool vendor, const std::string& message,
                                   QWidget* parent)
    : QDialog(parent), logic_(app, vendor, message) {
  setObjectName(vendor ? "frmVendorV" : "frmCustomerV");
  setWindowTitle(vendor ? "Vendor Validation" : "Customer Validation");

  auto* header = new QLabel(qstr(logic_.header()), this);
  header->setObjectName("lblHeader");
  header->setWordWrap(true);
  header->setTextFormat(Qt::PlainText);
  optNew_ = new QRadioButton(qstr(logic_.newOptionText()), this);
  optNew_->setObjectName("optNew");
  optLink_ = new QRadioButton(qstr(logic_.linkPrompt()), this);
  optLink_->setObjectName("optLink");
  txtLink_ = new QLineEdit(this);
  txtLink_->setObjectName("txtLink");
  txtLink_->setPlaceholderText("QuickBooks name");
  optCancel_ = new QRadioButton(qstr(logic_.cancelOptionText()), this);
  optCancel_->setObjectName("optCancel");
  // Typing a name means linking to it.
  connect(txtLink_, &QLineEdit::textEdited, this, [this] { optLink_->setChecked(true); });

  auto* buttons = new QDialogButtonBox(this);
  auto* updateButton = buttons->addButton("Update", QDialogButtonBox::AcceptRole);
  auto* cancelButton = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  updateButton->setObjectName("cmdUpdate");
  cancelButton->setObjectName("cmdCancel");
  updateButton->setDefault(true);
  connect(updateButton, &QPushButton::clicked, this, &ValidationWindow::update);
  connect(cancelButton, &QPushButton::clicked, this, &ValidationWindow::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(header);
  layout->addWidget(optNew_);
  layout->addWidget(optLink_);
  layout->addWidget(txtLink_);
  layout->addWidget(optCancel_);
  layout->addWidget(buttons);
  setMinimumWidth(420);
}

void ValidationWindow::showModal(App& app, QWidget* parent, bool vendor,
                                 const std::string& message) {
  ValidationWindow window(app, vendor, message, parent);
  window.exec();
}

void ValidationWindow::update() {
  using Choice = ValidationDialogLogic::Choice;
  logic_.choice = optNew_->isChecked()      ? Choice::New
                  : optLink_->isChecked()   ? Choice::Link
                  : optCancel_->isChecked() ? Choice::Cancel
                                            : Choice::None;
  logic_.txtLink = txtLink_->text().trimmed().toStdString();
  if (logic_.cmdUpdate_Click()) {
    accept();
    return;
  }
  if (logic_.choice == Choice::Link) txtLink_->setFocus();
}

void ValidationWindow::reject() {
  logic_.cmdCancel_Click();
  QDialog::reject();
}

}  // namespace vqb::gui
