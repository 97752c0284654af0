#include "gui/about_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vqb::gui {
namespace {

QLabel* label(QWidget* parent, const char* name, const std::string& text) {
  auto* result = new QLabel(QString::fromStdString(text), parent);
  result->setObjectName(name);
  result->setWordWrap(true);
  return result;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle("About Vantora QuickBooks Integrator");
  logic_.Form_Load();

  auto* title = new QLabel("<b>Vantora QuickBooks Integrator</b>", this);
  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  ok->setObjectName("cmdOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] {
    logic_.cmdOK_Click();
    accept();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(label(this, "lblVersion", logic_.lblVersion));
  layout->addWidget(label(this, "lblRevision", logic_.lblRevision));
  layout->addWidget(label(this, "lblCopy", logic_.lblCopy));
  layout->addSpacing(8);
  layout->addWidget(label(this, "lblWarning", logic_.lblWarning));
  layout->addWidget(buttons);
  setMinimumWidth(420);
}

void AboutWindow::showModal(App&, QWidget* parent, const std::string&) {
  // A dialog with a parent opens centred on it.
  AboutWindow window(parent ? parent->window() : nullptr);
  window.exec();
}

}  // namespace vqb::gui
