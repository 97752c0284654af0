#include "gui/update_customers_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "gui/qt_text.h"

namespace vqb::gui {
namespace {

// Soft tints of the logic's green and red, so the text stays readable.
QColor row_colour(long value) {
  if (value == kUpdatedRowColour) return {0xD4, 0xF4, 0xD4};
  if (value == kFailedRowColour) return {0xF9, 0xD6, 0xD5};
  return {};
}

int clamp_int(long value) {
  return static_cast<int>(std::clamp<long>(value, 0, INT_MAX));
}

}  // namespace

UpdateCustomersWindow::UpdateCustomersWindow(App& app,
                                             std::function<qb::ComponentSet&()> components,
                                             QWidget* parent)
    : QDialog(parent), logic_(app, std::move(components)) {
  setObjectName("frmUpdateCustomers");
  setWindowTitle("Update Customer Records");

  toolbar_ = new QToolBar(this);
  toolbar_->setObjectName("TB2");
  for (const char* caption : {"Run", "Cancel", "Select"}) {
    QAction* action = toolbar_->addAction(caption);
    action->setObjectName(QStringLiteral("tb2") + caption);
    connect(action, &QAction::triggered, this, [this, caption] { click(caption); });
  }

  auto* optionsRow = new QHBoxLayout;
  optionsRow->addWidget(new QLabel("Update in QuickBooks:", this));
  const char* names[5] = {"chkC", "chkP", "chkE", "chkF", "chkG"};
  const char* captions[5] = {"Company Name", "Phone", "Email", "Fax", "Group"};
  for (int i = 0; i < 5; ++i) {
    options_[i] = new QCheckBox(captions[i], this);
    options_[i]->setObjectName(names[i]);
    optionsRow->addWidget(options_[i]);
  }
  optionsRow->addStretch();

  grid_ = new QTableWidget(this);
  grid_->setObjectName("fg1");
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->verticalHeader()->hide();
  connect(grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    const auto row = static_cast<std::size_t>(item->row());
    if (filling_ || item->column() != logic_.grid.tickColumn || row >= logic_.grid.rows.size())
      return;
    logic_.grid.rows[row].ticked = item->checkState() == Qt::Checked;
  });

  status_ = new QLabel(this);
  status_->setObjectName("lblStatus");
  progress_ = new QProgressBar(this);
  progress_->setObjectName("pg1");
  progress_->setRange(0, 1);
  progress_->setValue(0);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(toolbar_);
  layout->addLayout(optionsRow);
  layout->addWidget(grid_, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(progress_);
  layout->addLayout(bottom);
  resize(820, 480);

  logic_.redraw = [this] { refresh(); };
  logic_.Form_Load();
  refresh();
}

void UpdateCustomersWindow::showModal(App& app, QWidget* parent,
                                      std::function<qb::ComponentSet&()> components) {
  UpdateCustomersWindow window(app, std::move(components), parent ? parent->window() : nullptr);
  window.exec();
}

void UpdateCustomersWindow::readOptions() {
  logic_.chkC = options_[0]->isChecked();
  logic_.chkP = options_[1]->isChecked();
  logic_.chkE = options_[2]->isChecked();
  logic_.chkF = options_[3]->isChecked();
  logic_.chkG = options_[4]->isChecked();
}

void UpdateCustomersWindow::click(const QString& caption) {
  readOptions();
  logic_.TB2_ButtonClick(caption.toStdString());
  refresh();
}

void UpdateCustomersWindow::reject() {
  if (logic_.busy) {
    logic_.cancelRequested = true;
    return;
  }
  QDialog::reject();
}

void UpdateCustomersWindow::drawRow(int r) {
  const WorkList& grid = logic_.grid;
  const WorkRow& row = grid.rows[static_cast<std::size_t>(r)];
  const QColor colour = row_colour(row.backColour);
  for (int c = 0; c < grid_->columnCount(); ++c) {
    QTableWidgetItem* item = grid_->item(r, c);
    if (!item) {
      item = new QTableWidgetItem;
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      grid_->setItem(r, c, item);
    }
    if (c == grid.tickColumn) {
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      item->setCheckState(row.ticked ? Qt::Checked : Qt::Unchecked);
    } else {
      item->setText(qstr(row.cells[static_cast<std::size_t>(c)]));
    }
    item->setBackground(colour.isValid() ? QBrush(colour) : QBrush());
  }
}

void UpdateCustomersWindow::refresh() {
  for (QAction* action : toolbar_->actions())
    action->setEnabled(!logic_.busy || action->text() == QLatin1String("Cancel"));
  for (QCheckBox* option : options_) option->setEnabled(!logic_.busy);
  if (logic_.version == drawn_) return;
  drawn_ = logic_.version;
  status_->setText(qstr(logic_.status));
  if (logic_.progressMaximum > 0) {
    progress_->setRange(0, clamp_int(logic_.progressMaximum));
    progress_->setValue(clamp_int(std::min(logic_.progress, logic_.progressMaximum)));
  }

  const WorkList& grid = logic_.grid;
  filling_ = true;
  const int columns = static_cast<int>(grid.headers.size());
  if (grid_->columnCount() != columns || grid_->rowCount() != static_cast<int>(grid.rows.size())) {
    grid_->clear();
    grid_->setColumnCount(columns);
    grid_->setRowCount(static_cast<int>(grid.rows.size()));
    QStringList headers;
    for (const std::string& header : grid.headers) headers << qstr(header);
    grid_->setHorizontalHeaderLabels(headers);
  }
  // While a run goes on only the row updated last and the current one change.
  int first = 0, last = grid_->rowCount() - 1;
  if (logic_.busy) {
    first = std::max(0, grid.currentRow - 1);
    last = std::min(last, grid.currentRow);
  }
  for (int r = first; r <= last; ++r) drawRow(r);
  filling_ = false;
  if (grid.currentRow >= 0 && grid.currentRow < grid_->rowCount())
    grid_->scrollToItem(grid_->item(grid.currentRow, 0));
}

}  // namespace vqb::gui
