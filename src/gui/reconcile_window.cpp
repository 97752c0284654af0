#include "gui/reconcile_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app.h"

namespace vqb::gui {

ReconcileWindow::ReconcileWindow(App& app, QWidget* parent) : QDialog(parent), app_(app) {
  setObjectName("frmReconcile");
  setWindowTitle("Reconcile with QuickBooks");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel("Compare the records Vantora marks as sent with what QuickBooks holds.", this));

  auto* period = new QFormLayout();
  auto field = [&](const char* name, std::size_t slot) {
    auto* edit = new QLineEdit(QString::fromStdString(app_.sharedSlots[slot]), this);
    edit->setObjectName(name);
    edit->setPlaceholderText("YYYY-MM-DD");
    return edit;
  };
  from_ = field("txtFrom", 1);
  to_ = field("txtTo", 2);
  period->addRow("From (document date):", from_);
  period->addRow("To:", to_);
  layout->addLayout(period);

  const std::string chosen = "," + app_.sharedSlots[3] + ",";
  for (const auto& [word, caption] :
       std::vector<std::pair<std::string, const char*>>{{"invoices", "Invoices"},
                                                        {"payments", "Payments"},
                                                        {"pos", "Purchase Orders"},
                                                        {"customers", "Customers"},
                                                        {"suppliers", "Suppliers"}}) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QString::fromStdString("chk" + word));
    box->setChecked(chosen.find("," + word + ",") != std::string::npos);
    layout->addWidget(box);
    kinds_.emplace_back(word, box);
  }

  auto* buttons = new QDialogButtonBox(this);
  auto* run = buttons->addButton("Reconcile", QDialogButtonBox::AcceptRole);
  auto* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  run->setObjectName("cmdOK");
  cancel->setObjectName("cmdCancel");
  run->setDefault(true);
  connect(run, &QPushButton::clicked, this, &ReconcileWindow::ok);
  connect(cancel, &QPushButton::clicked, this, &ReconcileWindow::reject);
  layout->addWidget(buttons);
}

void ReconcileWindow::showModal(App& app, QWidget* parent, const std::string&) {
  ReconcileWindow window(app, parent);
  window.exec();
}

void ReconcileWindow::ok() {
  std::string kinds;
  for (const auto& [word, box] : kinds_) {
    if (!box->isChecked()) continue;
    if (!kinds.empty()) kinds += ',';
    kinds += word;
  }
  app_.sharedSlots[1] = from_->text().trimmed().toStdString();
  app_.sharedSlots[2] = to_->text().trimmed().toStdString();
  app_.sharedSlots[3] = std::move(kinds);
  app_.sharedSlots[0] = std::string(1, '1');  // confirmed
  accept();
}

}  // namespace vqb::gui
