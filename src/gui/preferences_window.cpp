#include "gui/preferences_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

#include "app/app.h"
#include "dialogs/preferences.h"

namespace vqb::gui {
namespace {

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

PreferencesWindow::PreferencesWindow(App& app, const std::string& tab, QWidget* parent)
    : QDialog(parent), logic_(std::make_unique<PreferencesLogic>(app, tab)) {
  setObjectName("frmPreferences");
  setWindowTitle("Preferences");
  build();
  logic_->Form_Load();
  auto* accounts = findChild<QComboBox*>(q(kArControl));
  const QSignalBlocker block(accounts);
  for (const auto& account : logic_->arAccounts())
    accounts->addItem(QString::fromStdString(account));
  logic_->Timer1_Timer();
  refresh();
}

PreferencesWindow::~PreferencesWindow() = default;

void PreferencesWindow::showModal(App& app, QWidget* parent, const std::string& tab) {
  PreferencesWindow window(app, tab, parent);
  window.exec();
}

QWidget* PreferencesWindow::control(std::string_view name) const {
  const PreferenceControl* found = find_preference_control(name);
  return found ? findChild<QWidget*>(q(found->name)) : nullptr;
}

void PreferencesWindow::build() {
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("Tab1");
  std::array<QVBoxLayout*, kPreferencesTabCount> pages{};
  for (int i = 0; i < kPreferencesTabCount; ++i) {
    auto* page = new QWidget(tabs_);
    pages[static_cast<std::size_t>(i)] = new QVBoxLayout(page);
    tabs_->addTab(page, q(kPreferencesTabNames[static_cast<std::size_t>(i)]));
  }

  QHBoxLayout* row = nullptr;
  std::string_view group;
  for (const PreferenceControl& control : preference_controls()) {
    QVBoxLayout* page = pages[static_cast<std::size_t>(control.tab - 1)];
    const std::string name(control.name);
    // A text box sits beside the control it belongs to (the one before it); a new option
    // group starts after a little space.
    if (control.kind != PreferenceKind::TextBox) {
      if (control.group != group && !control.group.empty()) page->addSpacing(6);
      group = control.group;
      row = new QHBoxLayout;
      page->addLayout(row);
    }
    QWidget* widget = nullptr;
    switch (control.kind) {
      case PreferenceKind::CheckBox: {
        auto* box = new QCheckBox(q(control.caption));
        connect(box, &QCheckBox::clicked, this, [this, name](bool checked) {
          logic_->click(name, checked);
          refresh();
        });
        widget = box;
        break;
      }
      case PreferenceKind::Option: {
        auto* option = new QRadioButton(q(control.caption));
        option->setAutoExclusive(false);  // the logic keeps one per group, or none
        connect(option, &QRadioButton::clicked, this, [this, name] {
          logic_->click(name, true);
          refresh();
        });
        widget = option;
        break;
      }
      case PreferenceKind::TextBox: {
        auto* edit = new QLineEdit;
        edit->setMaximumWidth(120);
        connect(edit, &QLineEdit::textEdited, this,
                [this, name](const QString& text) { logic_->setText(name, text.toStdString()); });
        widget = edit;
        break;
      }
      case PreferenceKind::ListBox: {
        row->addWidget(new QLabel(q(control.caption)));
        auto* list = new QComboBox;
        list->setEditable(true);
        list->setInsertPolicy(QComboBox::NoInsert);
        list->setMinimumWidth(260);
        connect(list, &QComboBox::editTextChanged, this,
                [this, name](const QString& text) { logic_->setText(name, text.toStdString()); });
        widget = list;
        break;
      }
    }
    widget->setObjectName(q(control.name));
    if (!control.hint.empty()) widget->setToolTip(q(control.hint));
    row->addWidget(widget);
    if (control.kind != PreferenceKind::CheckBox && control.kind != PreferenceKind::Option)
      row->addStretch();
  }
  for (QVBoxLayout* page : pages) page->addStretch();
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { logic_->tab = index + 1; });

  auto* buttons = new QDialogButtonBox;
  auto* update = buttons->addButton("Save", QDialogButtonBox::AcceptRole);
  auto* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  auto* help = buttons->addButton("Help", QDialogButtonBox::HelpRole);
  update->setObjectName("cmdUpdate");
  cancel->setObjectName("cmdCancel");
  help->setObjectName("cmdHelp");
  update->setDefault(true);
  connect(update, &QPushButton::clicked, this, &PreferencesWindow::save);
  connect(cancel, &QPushButton::clicked, this, &PreferencesWindow::reject);
  connect(help, &QPushButton::clicked, this, [this] { logic_->cmdHelp_Click(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
}

void PreferencesWindow::refresh() {
  for (const PreferenceControl& control : preference_controls()) {
    QWidget* widget = findChild<QWidget*>(q(control.name));
    const QSignalBlocker block(widget);
    widget->setEnabled(logic_->enabled(control.name));
    const QString text = QString::fromStdString(logic_->text(control.name));
    switch (control.kind) {
      case PreferenceKind::CheckBox:
      case PreferenceKind::Option:
        static_cast<QAbstractButton*>(widget)->setChecked(logic_->value(control.name));
        break;
      case PreferenceKind::TextBox:
        if (auto* edit = static_cast<QLineEdit*>(widget); edit->text() != text) edit->setText(text);
        break;
      case PreferenceKind::ListBox:
        if (auto* list = static_cast<QComboBox*>(widget); list->currentText() != text) {
          list->setCurrentIndex(list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
          list->setEditText(text);
        }
        break;
    }
  }
  if (tabs_->currentIndex() != logic_->tab - 1) tabs_->setCurrentIndex(logic_->tab - 1);
  if (!logic_->focus.empty()) {
    if (QWidget* widget = control(logic_->focus)) widget->setFocus();
    logic_->focus.clear();
  }
}

void PreferencesWindow::save() {
  const bool closes = logic_->cmdUpdate_Click();
  refresh();
  if (closes) accept();
}

void PreferencesWindow::reject() {
  logic_->cmdCancel_Click();
  QDialog::reject();
}

}  // namespace vqb::gui
