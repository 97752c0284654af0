#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QSettings>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/app.h"
#include "gui/qt_text.h"
#include "gui/toolbars.h"
#include "gui/work_list_model.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"

namespace vqb::gui {
namespace {

constexpr int kMaxAutoColumnWidth = 380;

const char* const kStyle = R"(
#Pic1 { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #1f4e8c, stop:1 #2d6cb5); }
#Pic1 QLabel { color: #ffffff; background: transparent; }
#lblTitle { font-size: 15pt; font-weight: 600; }
#lblComment { color: #dbe7f6; }
#lblDatabase { color: #c3d6ee; }
#listBar { background: #f4f6f9; border-bottom: 1px solid #d9dee5; }
#TB2 { background: transparent; border: none; }
#welcome { color: #3b4654; }
)";

}  // namespace

MainWindow::MainWindow(App& app, QWidget* parent)
    : QMainWindow(parent), app_(app), logic_(std::make_unique<MainWindowLogic>(app)) {
  setObjectName(QStringLiteral("frmQB"));
  setWindowTitle(QString::fromLatin1(kProductTitle));
  setStyleSheet(QString::fromLatin1(kStyle));
  use_desktop_icon_theme();
  setWindowIcon(QIcon::fromTheme(QStringLiteral("x-office-spreadsheet")));
  menuRunner = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };

  tb1_ = build_toolbar(this, QStringLiteral("TB1"), kToolbar1Buttons, std::size(kToolbar1Buttons),
                       true, [this](QAction* action) { onButton(action, 1); });
  addToolBar(Qt::TopToolBarArea, tb1_);
  tb1_->toggleViewAction()->setEnabled(false);
  setContextMenuPolicy(Qt::NoContextMenu);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(buildTitlePanel());

  auto* listBar = new QWidget(central);
  listBar->setObjectName(QStringLiteral("listBar"));
  listBar->setAttribute(Qt::WA_StyledBackground);
  auto* listBarLayout = new QHBoxLayout(listBar);
  listBarLayout->setContentsMargins(12, 2, 12, 2);
  tb2_ =
      build_toolbar(listBar, QStringLiteral("TB2"), kToolbar2Buttons, std::size(kToolbar2Buttons),
                    false, [this](QAction* action) { onButton(action, 2); });
  listBarLayout->addWidget(tb2_);
  listBarLayout->addStretch(1);
  layout->addWidget(listBar);

  buildGrid();
  pages_ = new QStackedWidget(central);
  pages_->addWidget(buildWelcomePage());
  pages_->addWidget(grid_);
  auto* content = new QVBoxLayout;
  content->setContentsMargins(12, 10, 12, 8);
  content->addWidget(pages_);
  layout->addLayout(content, 1);
  setCentralWidget(central);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("lblStatus"));
  counts_ = new QLabel(this);
  counts_->setObjectName(QStringLiteral("lblCounts"));
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("pg1"));
  progress_->setFixedWidth(220);
  progress_->setMaximumHeight(16);
  progress_->setTextVisible(false);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  statusBar()->setSizeGripEnabled(true);
  statusBar()->addWidget(status_, 1);
  statusBar()->addPermanentWidget(counts_);
  statusBar()->addPermanentWidget(progress_);
  statusBar()->setContentsMargins(8, 0, 4, 0);

  auto stored = settings();
  savedGeometry_ = restoreGeometry(stored->value(QStringLiteral("window/geometry")).toByteArray());
  if (!savedGeometry_) resize(1280, 800);
  redraw();
}

MainWindow::~MainWindow() {
  if (waitCursor_) QApplication::restoreOverrideCursor();
  // The grid reads the logic's state, which goes before the child widgets would.
  delete pages_;
  delete model_;
}

QWidget* MainWindow::buildTitlePanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Pic1"));
  panel->setAttribute(Qt::WA_StyledBackground);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(20, 14, 20, 14);
  auto* texts = new QVBoxLayout;
  texts->setSpacing(4);
  title_ = new QLabel(panel);
  title_->setObjectName(QStringLiteral("lblTitle"));
  comment_ = new QLabel(panel);
  comment_->setObjectName(QStringLiteral("lblComment"));
  comment_->setWordWrap(true);
  texts->addWidget(title_);
  texts->addWidget(comment_);
  row->addLayout(texts, 1);
  auto* database = new QLabel(panel);
  database->setObjectName(QStringLiteral("lblDatabase"));
  database->setAlignment(Qt::AlignRight | Qt::AlignTop);
  database->setText(app_.databasePath.empty()
                        ? tr("No Vantora database")
                        : tr("Vantora database\n%1").arg(qstr(app_.databasePath)));
  database->setTextInteractionFlags(Qt::TextSelectableByMouse);
  row->addWidget(database, 0, Qt::AlignTop);
  return panel;
}

QWidget* MainWindow::buildWelcomePage() {
  auto* welcome = new QLabel(this);
  welcome->setObjectName(QStringLiteral("welcome"));
  welcome->setAlignment(Qt::AlignCenter);
  welcome->setWordWrap(true);
  welcome->setText(
      tr("<h2>Welcome to the %1</h2>"
         "<p>Choose <b>Export</b> to send Vantora invoices, payments, purchase orders, customers "
         "and "
         "suppliers to QuickBooks,<br>or <b>Import</b> to bring QuickBooks customers and suppliers "
         "into Vantora.</p><p>Tick the records you want, then click <b>Run</b>.</p>")
          .arg(QString::fromLatin1(kProductTitle)));
  return welcome;
}

void MainWindow::buildGrid() {
  model_ = new WorkListModel(logic_->state, this);
  grid_ = new QTableView(this);
  grid_->setObjectName(QStringLiteral("fg1"));
  grid_->setModel(model_);
  grid_->setItemDelegate(new TickDelegate(grid_));
  grid_->setAlternatingRowColors(true);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setShowGrid(false);
  grid_->setWordWrap(false);
  grid_->setCornerButtonEnabled(false);
  grid_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  QHeaderView* rows = grid_->verticalHeader();
  rows->setVisible(false);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(fontMetrics().height() + 10);
  QHeaderView* columns = grid_->horizontalHeader();
  columns->setStretchLastSection(true);
  columns->setHighlightSections(false);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->setResizeContentsPrecision(400);
  columns->setMinimumSectionSize(48);
  connect(columns, &QHeaderView::sectionResized, this, [this](int logical, int, int) {
    if (!applyingLayout_ && logical != model_->columnCount() - 1) columnsResizedByUser_ = true;
  });
  connect(grid_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (logic_->state.busy) return;
    fg1_DblClick(app_, logic_->state, index.row() + 1, index.column());
    afterCommand(nullptr);
  });
  connect(model_, &WorkListModel::tickChanged, this, [this] { updateCounts(); });
}

QAction* MainWindow::button(int toolbar, const QString& caption) const {
  const QToolBar* bar = toolbar == 1 ? tb1_ : tb2_;
  for (QAction* action : bar->actions())
    if (!action->isSeparator() && action->text() == caption) return action;
  return nullptr;
}

void MainWindow::formLoad() {
  logic_->Form_Load();
  redraw();
}

bool MainWindow::connectToQuickBooks() {
  const bool connected = logic_->Timer1_Timer();
  redraw();
  if (!connected || logic_->closeRequested) close();
  return connected;
}

void MainWindow::runMenuKey(const std::string& key) {
  logic_->runMenuKey(key);
  afterCommand(nullptr);
}

void MainWindow::onButton(QAction* action, int toolbar) {
  logic_->menuOpen = false;
  const std::string caption = action->text().toStdString();
  if (toolbar == 1)
    logic_->TB1_ButtonClick(caption);
  else
    logic_->TB2_ButtonClick(caption);
  afterCommand((toolbar == 1 ? tb1_ : tb2_)->widgetForAction(action));
}

void MainWindow::afterCommand(QWidget* anchor) {
  redraw();
  if (logic_->closeRequested) {
    close();
    return;
  }
  if (logic_->menuOpen) {
    logic_->menuOpen = false;
    popupMenu(anchor);
  }
}

void MainWindow::popupMenu(QWidget* anchor) {
  DropDownMenu menu(logic_->menu, this);
  const QPoint at = anchor ? anchor->mapToGlobal(QPoint(0, anchor->height())) : QCursor::pos();
  QAction* chosen = menuRunner(menu, at);
  if (!chosen) return;
  logic_->dMnu_ItemClick(chosen->data().toInt());
  afterCommand(anchor);
}

void MainWindow::redraw() {
  applyCommandState();
  const MainWindowState& state = logic_->state;
  if (state.version == drawnVersion_) return;
  drawnVersion_ = state.version;

  model_->reload();
  for (int row = 0; row < model_->rowCount(); ++row) {
    const bool hidden = state.grid.rows[static_cast<std::size_t>(row)].hidden;
    if (hidden || grid_->isRowHidden(row)) grid_->setRowHidden(row, hidden);
  }
  applyListLayout();
  const auto& hiddenColumns = state.grid.hiddenColumns;
  for (int column = 0; column < model_->columnCount(); ++column)
    grid_->setColumnHidden(column, std::find(hiddenColumns.begin(), hiddenColumns.end(), column) !=
                                       hiddenColumns.end());
  followCurrentRow();

  title_->setText(state.panelTitle.empty() ? QString::fromLatin1(kProductTitle)
                                           : qstr(state.panelTitle));
  comment_->setText(qstr(state.comment));
  const bool listShown = !state.currentList.empty() || !state.grid.headers.empty();
  pages_->setCurrentIndex(listShown ? 1 : 0);
  updateCounts();
}

// The row a send works on is selected (a reset model forgets the selection) and scrolled into
// view when it moves on, so a long send shows where it is.
void MainWindow::followCurrentRow() {
  const int current = logic_->state.grid.currentRow;
  if (current >= 0 && current < model_->rowCount()) {
    grid_->selectRow(current);
    if (current != drawnCurrentRow_) grid_->scrollTo(model_->index(current, 0));
  }
  drawnCurrentRow_ = current;
}

void MainWindow::applyCommandState() {
  const MainWindowState& state = logic_->state;
  for (QAction* action : tb1_->actions()) action->setEnabled(state.toolbar1Enabled && !state.busy);
  for (QAction* action : tb2_->actions())
    action->setEnabled(state.toolbar2Enabled &&
                       (!state.busy || action->text() == QLatin1String("Cancel")));
  const bool wait = state.busy || !state.toolbar1Enabled;
  if (wait != waitCursor_) {
    if (wait)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
    waitCursor_ = wait;
  }
}

// Column widths follow the list shown: remembered ones when the user set them before,
// otherwise sized to the contents.
void MainWindow::applyListLayout() {
  const MainWindowState& state = logic_->state;
  QStringList headers;
  for (const std::string& header : state.grid.headers) headers << qstr(header);
  const QString key = qstr(state.currentList) + '|' + headers.join('|');
  if (key == layoutKey_) return;
  saveColumnWidths();
  layoutKey_ = key;
  columnsResizedByUser_ = false;
  if (headers.isEmpty()) return;

  applyingLayout_ = true;
  const QStringList widths = settings()->value(QStringLiteral("columns/") + key).toStringList();
  if (widths.size() == headers.size()) {
    for (int column = 0; column < widths.size(); ++column)
      grid_->setColumnWidth(column, widths[column].toInt());
  } else {
    grid_->resizeColumnsToContents();
    for (int column = 0; column < headers.size(); ++column) {
      int width = grid_->columnWidth(column) + 16;
      if (column == state.grid.tickColumn) width = std::max(width, 64);
      grid_->setColumnWidth(column, std::min(width, kMaxAutoColumnWidth));
    }
  }
  applyingLayout_ = false;
}

void MainWindow::saveColumnWidths() {
  if (!columnsResizedByUser_ || layoutKey_.isEmpty()) return;
  QStringList widths;
  for (int column = 0; column < model_->columnCount(); ++column)
    widths << QString::number(grid_->columnWidth(column));
  settings()->setValue(QStringLiteral("columns/") + layoutKey_, widths);
  columnsResizedByUser_ = false;
}

void MainWindow::updateCounts() {
  const MainWindowState& state = logic_->state;
  if (state.currentList.empty() && state.grid.headers.empty()) {
    counts_->clear();
    return;
  }
  const long records = static_cast<long>(state.grid.rows.size());
  const long hidden =
      static_cast<long>(std::count_if(state.grid.rows.begin(), state.grid.rows.end(),
                                      [](const WorkRow& row) { return row.hidden; }));
  QString text = records == 1 ? tr("1 record") : tr("%1 records").arg(records);
  if (hidden > 0) text += tr(" (%1 hidden)").arg(hidden);
  text += tr(", %1 ticked").arg(model_->tickedCount());
  counts_->setText(text);
}

std::unique_ptr<QSettings> MainWindow::settings() const {
  if (app_.settingsFolder.empty()) return std::make_unique<QSettings>();
  return std::make_unique<QSettings>(qstr(app_.settingsFolder) + QStringLiteral("/vqb-window.ini"),
                                     QSettings::IniFormat);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A running loop must end first: closing asks it to stop after the current record.
  if (logic_->state.busy) {
    logic_->state.cancelRequested = true;
    event->ignore();
    return;
  }
  saveColumnWidths();
  settings()->setValue(QStringLiteral("window/geometry"), saveGeometry());
  event->accept();
}

}  // namespace vqb::gui
