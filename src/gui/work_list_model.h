#pragma once
// The grid fg1 as a table model over the work list the core keeps (MainWindowState::grid).
// The model copies nothing: it reads the rows in place and is reset as a whole when the
// core changed the list, so a list of 100,000 rows costs no more than its visible cells.

#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>

namespace vqb {
struct MainWindowState;
}

namespace vqb::gui {

// A grid colour value (0xBBGGRR, -1 = the grid's default) as the grid paints it; an
// invalid QColor for the default. Red backgrounds (sent rows) become a soft red tint that
// keeps the text readable.
QColor grid_colour(long value, bool background);

class WorkListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit WorkListModel(MainWindowState& state, QObject* parent = nullptr);

  // Re-reads the whole list (beginResetModel/endResetModel).
  void reload();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Only the tick box of the tick column can change (fg1_BeforeEdit), and not while busy.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  int tickColumn() const;
  long tickedCount() const;

 signals:
  void tickChanged(int row);

 private:
  MainWindowState& state_;
  // Sizes at the last reset: the core may grow or clear the list between resets (a fill
  // lets events run), and the view must only see what it was told about.
  int rows_{0};
  int columns_{0};
};

// Draws the tick box centred in its cell and toggles it on a click anywhere in the cell.
class TickDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 protected:
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

}  // namespace vqb::gui
