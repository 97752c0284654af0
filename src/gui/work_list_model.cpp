#include "gui/work_list_model.h"

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "main_window/window_state.h"
#include "main_window/work_lists.h"

namespace vqb::gui {
namespace {

// Amounts ("1234.50", "(150.25)", "$12.00") line up on the right; other text on the left.
bool looks_like_amount(const std::string& text) {
  bool digit = false, point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9')
      digit = true;
    else if (c == '.')
      point = true;
    else if (c != ',' && c != '-' && c != '$' && c != '(' && c != ')' && c != ' ')
      return false;
  }
  return digit && point;
}

}  // namespace

QColor grid_colour(long value, bool background) {
  if (value < 0) return {};
  // Sent rows are red (255): a soft tint behind the text, a deep red for the text itself.
  if (value == kSentRowColour)
    return background ? QColor(0xF9, 0xD6, 0xD5) : QColor(0xB3, 0x1B, 0x1B);
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

WorkListModel::WorkListModel(MainWindowState& state, QObject* parent)
    : QAbstractTableModel(parent), state_(state) {
  reload();
}

void WorkListModel::reload() {
  beginResetModel();
  rows_ = static_cast<int>(state_.grid.rows.size());
  columns_ = static_cast<int>(state_.grid.headers.size());
  endResetModel();
}

int WorkListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}
int WorkListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}
int WorkListModel::tickColumn() const {
  return state_.grid.tickColumn;
}

long WorkListModel::tickedCount() const {
  return static_cast<long>(std::count_if(state_.grid.rows.begin(), state_.grid.rows.end(),
                                         [](const WorkRow& row) { return row.ticked; }));
}

QVariant WorkListModel::data(const QModelIndex& index, int role) const {
  const auto& rows = state_.grid.rows;
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= rows.size()) return {};
  const WorkRow& row = rows[static_cast<std::size_t>(index.row())];
  const auto column = static_cast<std::size_t>(index.column());
  const bool tick = index.column() == state_.grid.tickColumn;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      if (tick || column >= row.cells.size()) return {};
      if (role == Qt::ToolTipRole && row.cells[column].size() < 40) return {};
      return QString::fromStdString(row.cells[column]);
    case Qt::CheckStateRole:
      if (tick) return row.ticked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      if (column < row.cells.size() && looks_like_amount(row.cells[column]))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole: {
      QColor colour = grid_colour(row.backColour, true);
      return colour.isValid() ? QVariant(colour) : QVariant();
    }
    case Qt::ForegroundRole: {
      QColor colour = grid_colour(row.foreColour, false);
      return colour.isValid() ? QVariant(colour) : QVariant();
    }
    default:
      return {};
  }
}

QVariant WorkListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical)
    return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
  const auto& headers = state_.grid.headers;
  if (section < 0 || static_cast<std::size_t>(section) >= headers.size()) return {};
  if (role == Qt::DisplayRole)
    return QString::fromStdString(headers[static_cast<std::size_t>(section)]);
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(
        (section == state_.grid.tickColumn ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags WorkListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  // Grid rows count the header row as row 0.
  if (fg1_BeforeEdit(state_, index.row() + 1, index.column())) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

bool WorkListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::CheckStateRole || state_.busy) return false;
  auto& rows = state_.grid.rows;
  if (static_cast<std::size_t>(index.row()) >= rows.size()) return false;
  if (!fg1_BeforeEdit(state_, index.row() + 1, index.column())) return false;
  rows[static_cast<std::size_t>(index.row())].ticked = value.toInt() == Qt::Checked;
  emit dataChanged(index, index, {Qt::CheckStateRole});
  emit tickChanged(index.row());
  return true;
}

namespace {

QRect tick_rect(const QStyleOptionViewItem& option) {
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  QSize size(style->pixelMetric(QStyle::PM_IndicatorWidth, &option, widget),
             style->pixelMetric(QStyle::PM_IndicatorHeight, &option, widget));
  return QStyle::alignedRect(option.direction, Qt::AlignCenter, size, option.rect);
}

}  // namespace

void TickDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  const QVariant check = index.data(Qt::CheckStateRole);
  if (!check.isValid()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem cell(option);
  initStyleOption(&cell, index);
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  // The cell's background and selection, then the box alone in the middle.
  cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
  cell.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

  QStyleOptionViewItem box(option);
  box.rect = tick_rect(option);
  box.state &= ~QStyle::State_HasFocus;
  box.state |= check.toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
  if (!(index.flags() & Qt::ItemIsUserCheckable)) box.state &= ~QStyle::State_Enabled;
  style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, widget);
}

bool TickDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                               const QStyleOptionViewItem& option, const QModelIndex& index) {
  const QVariant check = index.data(Qt::CheckStateRole);
  if (!check.isValid() || !(index.flags() & Qt::ItemIsUserCheckable)) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      // Swallowed so that a click on the box does not start a drag selection.
      return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton ||
          !option.rect.contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
        return false;
      break;
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key != Qt::Key_Space && key != Qt::Key_Select) return false;
      break;
    }
    default:
      return false;
  }
  const bool on = check.toInt() == Qt::Checked;
  return model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

}  // namespace vqb::gui
