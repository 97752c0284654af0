#include "gui/assign_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "gui/qt_text.h"

namespace vqb::gui {
namespace {

// The drop-down's width in pixels; the logic gets it in twips.
constexpr int kDropDownWidth = 480;

const char* const kStyle = R"(
#Pic1 { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #1f4e8c, stop:1 #2d6cb5); }
#Pic1 QLabel { color: #ffffff; background: transparent; }
#lblTitle { font-size: 13pt; font-weight: 600; }
#lblMessage { color: #dbe7f6; }
)";

Qt::Alignment alignment_of(const std::string& code) {
  if (code == ">") return Qt::AlignRight | Qt::AlignVCenter;
  if (code == "^") return Qt::AlignHCenter | Qt::AlignVCenter;
  return Qt::AlignLeft | Qt::AlignVCenter;
}

QLabel* plain_label(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  return label;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
  auto* result = new QPushButton(caption, parent);
  result->setObjectName(name);
  // Enter presses Update only when the logic makes it the default.
  result->setAutoDefault(false);
  return result;
}

}  // namespace

AssignWindow::AssignWindow(App& app, std::function<qb::ComponentSet&()> components, QWidget* parent)
    : QDialog(parent), logic_(std::make_unique<AssignDialogLogic>(app, std::move(components))) {
  setObjectName("frmAssign");
  setWindowTitle("QB Assign");
  setStyleSheet(QString::fromLatin1(kStyle));
  build();
  logic_->Form_Load();
  title_->setText(qstr(logic_->title()));
  message_->setText(display_lines(logic_->message()));
  // The drop-down sits below the message by the lines the logic counts, at the least.
  message_->setMinimumHeight((logic_->dropDownOffset() - 150) / kTwipsPerPixel);
  fill();
}

AssignWindow::~AssignWindow() = default;

void AssignWindow::showModal(App& app, QWidget* parent,
                             std::function<qb::ComponentSet&()> components) {
  // A dialog with a parent opens centred on it.
  AssignWindow window(app, std::move(components), parent ? parent->window() : nullptr);
  window.exec();
}

void AssignWindow::build() {
  auto* panel = new QWidget(this);
  panel->setObjectName("Pic1");
  panel->setAttribute(Qt::WA_StyledBackground);
  auto* texts = new QVBoxLayout(panel);
  texts->setContentsMargins(16, 12, 16, 12);
  texts->setSpacing(4);
  title_ = plain_label(panel, "lblTitle");
  message_ = plain_label(panel, "lblMessage");
  message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  texts->addWidget(title_);
  texts->addWidget(message_);

  model_ = new QStandardItemModel(this);
  dropDown_ = new QComboBox(this);
  dropDown_->setObjectName("cmb1");
  list_ = new QTreeView(dropDown_);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->header()->setStretchLastSection(true);
  list_->header()->setSectionsMovable(false);
  dropDown_->setView(list_);
  dropDown_->setModel(model_);
  dropDown_->setMaxVisibleItems(16);
  dropDown_->setMinimumWidth(kDropDownWidth);
  connect(dropDown_, &QComboBox::currentIndexChanged, this,
          [this](int row) { logic_->selectRow(row); });

  text_ = new QLineEdit(this);
  text_->setObjectName("txt1");
  text_->setMinimumWidth(kDropDownWidth);
  text_->hide();
  connect(text_, &QLineEdit::textChanged, this,
          [this](const QString& text) { logic_->setText(text.toStdString()); });

  create_ = button(this, "cmdCreate", "Create");
  create_->hide();
  update_ = button(this, "cmdUpdate", "&Update");
  auto* cancel = button(this, "cmdCancel", "&Cancel");
  auto* help = button(this, "cmdHelp", "Help");
  connect(update_, &QPushButton::clicked, this, [this] { afterClick(logic_->cmdUpdate_Click()); });
  connect(create_, &QPushButton::clicked, this, [this] { afterClick(logic_->cmdCreate_Click()); });
  connect(cancel, &QPushButton::clicked, this, &AssignWindow::reject);

  auto* body = new QVBoxLayout;
  body->setContentsMargins(16, 14, 16, 12);
  body->setSpacing(8);
  body->addWidget(dropDown_);
  body->addWidget(text_);
  // Create sits under the drop-down's left edge.
  body->addWidget(create_, 0, Qt::AlignLeft);
  body->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(help);
  buttons->addStretch(1);
  buttons->addWidget(update_);
  buttons->addWidget(cancel);
  body->addSpacing(6);
  body->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(panel);
  layout->addLayout(body, 1);
}

void AssignWindow::fill() {
  logic_->dropDownWidth = kDropDownWidth * kTwipsPerPixel;
  logic_->fill_me();

  const QSignalBlocker block(dropDown_);
  model_->clear();
  const auto& rows = logic_->rows();
  const auto& columns = logic_->columns();
  int count = 0;
  for (const auto& row : rows) count = std::max(count, static_cast<int>(row.size()));
  for (const AssignColumn& column : columns) count = std::max(count, column.index + 1);
  model_->setColumnCount(count);

  std::vector<Qt::Alignment> align(static_cast<std::size_t>(count),
                                   Qt::AlignLeft | Qt::AlignVCenter);
  QStringList captions;
  for (int c = 0; c < count; ++c) captions << QString();
  for (const AssignColumn& column : columns) {
    if (column.index < 0) continue;
    align[static_cast<std::size_t>(column.index)] = alignment_of(column.alignment);
    captions[column.index] = qstr(column.caption);
  }
  model_->setHorizontalHeaderLabels(captions);
  for (const auto& row : rows) {
    QList<QStandardItem*> items;
    for (int c = 0; c < count; ++c) {
      auto* item = new QStandardItem(
          c < static_cast<int>(row.size()) ? qstr(row[static_cast<std::size_t>(c)]) : QString());
      item->setEditable(false);
      item->setTextAlignment(align[static_cast<std::size_t>(c)]);
      items << item;
    }
    model_->appendRow(items);
  }

  // Widths from the layout; a width of 0, or a field the layout does not name, is hidden.
  int visibleWidth = 0;
  int shownColumn = -1;
  for (int c = 0; c < count; ++c) list_->setColumnHidden(c, true);
  for (const AssignColumn& column : columns) {
    if (column.index < 0 || column.width <= 0) continue;
    const int pixels = column.width / kTwipsPerPixel;
    list_->setColumnHidden(column.index, false);
    list_->setColumnWidth(column.index, pixels);
    visibleWidth += pixels;
    if (shownColumn < 0) shownColumn = column.index;
  }
  list_->setHeaderHidden(
      std::all_of(columns.begin(), columns.end(),
                  [](const AssignColumn& column) { return column.caption.empty(); }));
  // The closed drop-down shows the first visible column.
  dropDown_->setModelColumn(std::max(shownColumn, 0));
  list_->setMinimumWidth(visibleWidth + 2 * list_->frameWidth() +
                         list_->verticalScrollBar()->sizeHint().width());
  dropDown_->setCurrentIndex(logic_->selectedRow());
  if (logic_->textBoxVisible()) text_->clear();
  applyState();
}

void AssignWindow::applyState() {
  dropDown_->setVisible(logic_->dropDownVisible());
  text_->setVisible(logic_->textBoxVisible());
  QString caption = qstr(logic_->createButtonCaption());
  create_->setText(caption.replace('&', QLatin1String("&&")));
  create_->setVisible(logic_->createButtonVisible());
  update_->setDefault(logic_->updateIsDefault());
  switch (logic_->focus()) {
    case AssignDialogLogic::Focus::DropDown:
      dropDown_->setFocus();
      break;
    case AssignDialogLogic::Focus::TextBox:
      text_->setFocus();
      break;
    case AssignDialogLogic::Focus::None:
      break;
  }
}

void AssignWindow::afterClick(bool closes) {
  if (closes || logic_->closed()) {
    accept();
    return;
  }
  applyState();
}

void AssignWindow::reject() {
  logic_->cancel();
  QDialog::reject();
}

}  // namespace vqb::gui
