#include "gui/setup_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/app.h"

namespace vqb::gui {
namespace {

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A drop-down of QuickBooks entries: an empty first entry (no mapping), then one row per
// entry with all its columns in the popup; the first column is what the cell shows.
QComboBox* entry_drop_down(const std::vector<SetupChoice>& choices, bool typed, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  std::size_t columns = 1;
  for (const SetupChoice& choice : choices) columns = std::max(columns, choice.size());
  auto* model = new QStandardItemModel(0, static_cast<int>(columns), combo);
  model->appendRow(new QStandardItem(QString()));
  for (const SetupChoice& choice : choices) {
    QList<QStandardItem*> row;
    for (const std::string& column : choice) row.append(new QStandardItem(q(column)));
    model->appendRow(row);
  }
  combo->setModel(model);
  if (columns > 1) {
    auto* view = new QTreeView(combo);
    view->setHeaderHidden(true);
    view->setRootIsDecorated(false);
    view->setAllColumnsShowFocus(true);
    view->setMinimumWidth(520);
    combo->setView(view);
    for (int c = 0; c < static_cast<int>(columns); ++c) view->resizeColumnToContents(c);
  }
  combo->setEditable(typed);
  if (typed) combo->setInsertPolicy(QComboBox::NoInsert);
  return combo;
}

void show_value(QComboBox* combo, const std::string& value) {
  const QSignalBlocker block(combo);
  const int index = combo->findText(q(value), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (combo->isEditable()) {
    combo->setCurrentIndex(index);
    combo->setEditText(q(value));
  } else {
    // A value that is not among the entries stays shown as it is.
    combo->setCurrentIndex(index);
    combo->setPlaceholderText(index < 0 ? q(value) : QString());
  }
}

}  // namespace

SetupWindow::SetupWindow(App& app, std::function<qb::Session&()> connect, QWidget* parent)
    : QDialog(parent), logic_(std::make_unique<SetupLogic>(app, std::move(connect))) {
  setObjectName("frmSetup");
  setWindowTitle("Setup");
  resize(980, 620);
  build();
  logic_->onProgress = [this](long value, long maximum) {
    progress_->setRange(0, static_cast<int>(maximum));
    progress_->setValue(static_cast<int>(value));
    QApplication::processEvents();
  };
  // "Exporting " + a group while the customer groups are exported.
  logic_->onCaption = [this](const std::string& text) { setWindowTitle(q(text)); };
}

SetupWindow::~SetupWindow() = default;

void SetupWindow::showModal(App& app, QWidget* parent, std::function<qb::Session&()> connect) {
  SetupWindow window(app, std::move(connect), parent);
  QTimer::singleShot(0, &window, [&window] { window.load(); });
  window.exec();
}

void SetupWindow::load() {
  logic_->Form_Load();
  loadPanel_->show();
  tabs_->setEnabled(false);
  logic_->pop_me();
  tabs_->setEnabled(true);
  loadPanel_->hide();
  refresh();
}

QTableWidget* SetupWindow::table(SetupGridKind kind) const {
  return findChild<QTableWidget*>(q(logic_->grid(kind).name));
}

QComboBox* SetupWindow::cellDropDown(SetupGridKind kind, int row, int column) const {
  QTableWidget* grid = table(kind);
  return grid ? qobject_cast<QComboBox*>(grid->cellWidget(row, column)) : nullptr;
}

void SetupWindow::build() {
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("tabs");
  for (const SetupGrid& grid : logic_->grids) {
    auto* page = new QWidget(tabs_);
    auto* layout = new QVBoxLayout(page);
    auto* bar = new QHBoxLayout;
    auto button = [&](const char* caption, const char* name, auto onClick) {
      auto* b = new QPushButton(caption, page);
      b->setObjectName(name);
      connect(b, &QPushButton::clicked, this, onClick);
      bar->addWidget(b);
      return b;
    };
    switch (grid.kind) {
      case SetupGridKind::TaxItems:
        button("Import", "TB2Import", [this] {
          logic_->TB2_ButtonClick("Import");
          refresh();
        });
        button("Update Tax %", "TB2UpdateTax", [this] {
          logic_->TB2_ButtonClick("Update Tax %");
          refresh();
        });
        break;
      case SetupGridKind::Groups: {
        auto* exportButton = button("Export", "tbGroupsExport", [] {});
        auto* importButton = button("Import", "tbGroupsImport", [] {});
        connect(exportButton, &QPushButton::clicked, this,
                [this, exportButton] { popMenu("Export", exportButton); });
        connect(importButton, &QPushButton::clicked, this,
                [this, importButton] { popMenu("Import", importButton); });
        break;
      }
      case SetupGridKind::Reps:
        button("Refresh Grid", "OsenXPToolBar2", [this] {
          logic_->fill_reps();
          refresh();
        });
        break;
      case SetupGridKind::Items:
        button("Refresh Grid", "OsenXPToolBar5", [this] {
          logic_->fill_Items();
          refresh();
        });
        break;
      default:
        break;
    }
    bar->addStretch();
    layout->addLayout(bar);
    auto* table = new QTableWidget(page);
    table->setObjectName(q(grid.name));
    table->setColumnCount(static_cast<int>(grid.headers.size()));
    QStringList headers;
    for (const auto& h : grid.headers) headers << q(h);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    if (grid.hiddenColumn >= 0) table->setColumnHidden(grid.hiddenColumn, true);
    if (grid.kind == SetupGridKind::Groups)
      connect(table, &QTableWidget::currentCellChanged, this,
              [this](int row) { logic_->selectedGroupRow = row; });
    layout->addWidget(table);
    tabs_->addTab(page, q(grid.title));
  }

  // Settings.
  auto* settings = new QWidget(tabs_);
  auto* form = new QFormLayout(settings);
  for (const SetupSwitch& s : kSetupSwitches) {
    auto* box = new QCheckBox(q(s.caption), settings);
    box->setObjectName(q(s.control));
    const std::size_t index = static_cast<std::size_t>(&s - kSetupSwitches.data());
    connect(box, &QCheckBox::toggled, this,
            [this, index](bool on) { logic_->switches[index] = on; });
    form->addRow(box);
  }
  auto combo = [&](const char* name, const char* label, auto onText) {
    auto* c = new QComboBox(settings);
    c->setObjectName(name);
    c->setMinimumWidth(260);
    connect(c, &QComboBox::currentTextChanged, this, onText);
    form->addRow(label, c);
    return c;
  };
  combo("cmbCountry", "QuickBooks country",
        [this](const QString& text) { logic_->country = text.toStdString(); });
  auto* date = new QLineEdit(settings);
  date->setObjectName("txtDateFormat");
  date->setMaximumWidth(200);
  connect(date, &QLineEdit::textEdited, this,
          [this](const QString& text) { logic_->dateFormat = text.toStdString(); });
  form->addRow("Custom date format", date);
  combo("cmbDiscount", "Discount item",
        [this](const QString& text) { logic_->discount = text.toStdString(); });
  combo("cmbSubtotalItem", "Subtotal item",
        [this](const QString& text) { logic_->subtotal = text.toStdString(); });
  auto* classes = new QPushButton("Import Classes from QuickBooks", settings);
  classes->setObjectName("cmdImportClasses");
  connect(classes, &QPushButton::clicked, this, [this] {
    logic_->cmdImportClasses_Click();
    refresh();
  });
  form->addRow(classes);
  tabs_->addTab(settings, "Settings");

  loadPanel_ = new QWidget(this);
  loadPanel_->setObjectName("picLoad");
  auto* panel = new QHBoxLayout(loadPanel_);
  panel->addWidget(new QLabel("Loading QuickBooks lists...", loadPanel_));
  progress_ = new QProgressBar(loadPanel_);
  progress_->setObjectName("pg1");
  progress_->setRange(0, static_cast<int>(SetupLogic::kProgressSteps));
  panel->addWidget(progress_);
  loadPanel_->hide();

  auto* buttons = new QDialogButtonBox(this);
  auto* update = buttons->addButton("Save", QDialogButtonBox::AcceptRole);
  auto* help = buttons->addButton("Help", QDialogButtonBox::HelpRole);
  auto* close = buttons->addButton("Close", QDialogButtonBox::RejectRole);
  update->setObjectName("cmdUpdate");
  help->setObjectName("cmdHelp");
  close->setObjectName("cmdClose");
  connect(update, &QPushButton::clicked, this, &SetupWindow::save);
  connect(help, &QPushButton::clicked, this, [this] { logic_->cmdHelp_Click(); });
  connect(close, &QPushButton::clicked, this, &SetupWindow::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(loadPanel_);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
}

void SetupWindow::refresh() {
  for (const SetupGrid& grid : logic_->grids) refreshGrid(grid.kind);
  refreshSettings();
  setWindowTitle(q(logic_->caption));
}

void SetupWindow::refreshGrid(SetupGridKind kind) {
  const SetupGrid& grid = logic_->grid(kind);
  QTableWidget* t = table(kind);
  t->clearContents();
  t->setRowCount(static_cast<int>(grid.rows.size()));
  for (int r = 0; r < static_cast<int>(grid.rows.size()); ++r) {
    const auto& row = grid.rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < static_cast<int>(row.size()); ++c) {
      const std::string& value = row[static_cast<std::size_t>(c)];
      if (!grid.editable(c)) {
        t->setItem(r, c, new QTableWidgetItem(q(value)));
        continue;
      }
      const bool typed = kind == SetupGridKind::Items;  // an item name may be typed
      QComboBox* box = entry_drop_down(grid.choicesOf(c), typed, t);
      show_value(box, value);
      const std::size_t rowIndex = static_cast<std::size_t>(r);
      if (typed) {
        connect(box, &QComboBox::currentTextChanged, this,
                [this, kind, rowIndex, c](const QString& text) {
                  logic_->setCell(kind, rowIndex, c, text.toStdString());
                });
      } else {
        connect(box, &QComboBox::activated, this, [this, kind, rowIndex, c, box](int index) {
          if (index <= 0)
            logic_->setCell(kind, rowIndex, c, "");
          else
            logic_->chooseCell(kind, rowIndex, c, static_cast<std::size_t>(index - 1));
          box->setPlaceholderText(QString());
        });
      }
      t->setCellWidget(r, c, box);
    }
  }
  t->resizeColumnsToContents();
  for (int c = 0; c < t->columnCount(); ++c)
    if (grid.editable(c)) t->setColumnWidth(c, std::max(t->columnWidth(c), 260));
}

void SetupWindow::refreshSettings() {
  for (std::size_t i = 0; i < kSetupSwitches.size(); ++i) {
    auto* box = findChild<QCheckBox*>(q(kSetupSwitches[i].control));
    const QSignalBlocker block(box);
    box->setChecked(logic_->switches[i]);
  }
  auto fill = [this](const char* name, const std::vector<std::string>& entries,
                     const std::string& value) {
    auto* c = findChild<QComboBox*>(name);
    const QSignalBlocker block(c);
    c->clear();
    c->addItem(QString());
    for (const auto& e : entries) c->addItem(q(e));
    c->setCurrentIndex(std::max(0, c->findText(q(value), Qt::MatchExactly)));
  };
  fill("cmbCountry", logic_->countries, logic_->country);
  fill("cmbDiscount", logic_->discountItems, logic_->discount);
  fill("cmbSubtotalItem", logic_->subtotalItems, logic_->subtotal);
  auto* date = findChild<QLineEdit*>("txtDateFormat");
  if (date->text() != q(logic_->dateFormat)) date->setText(q(logic_->dateFormat));
}

void SetupWindow::save() {
  logic_->cmdUpdate_Click();
  refresh();
}

void SetupWindow::popMenu(const std::string& caption, QWidget* under) {
  logic_->tbGroups_ButtonClick(caption);
  QMenu menu(this);
  for (const MenuItem& item : logic_->menu.items()) {
    if (item.separator) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(q(item.caption));
    const std::string key = item.key;
    connect(action, &QAction::triggered, this, [this, key] {
      logic_->dMnu_ItemClick(key);
      refresh();
    });
  }
  menu.exec(under->mapToGlobal(QPoint(0, under->height())));
}

}  // namespace vqb::gui
