#pragma once
// The toolbars TB1 and TB2 and the drop-down menu dMnu, drawn from the core's data: the
// captions the logic dispatches on, and the Menu the last builder filled.

#include <QMenu>
#include <QToolBar>
#include <functional>

namespace vqb {
class Menu;
}

namespace vqb::gui {

// Builds a toolbar with one action per caption (QAction::text() is the caption the logic
// expects), themed icons with the captions under them, tooltips and shortcuts. A click
// calls `clicked` with the action.
QToolBar* build_toolbar(QWidget* parent, const QString& objectName, const char* const* captions,
                        int count, bool mainCommands, const std::function<void(QAction*)>& clicked);

// The drop-down menu: greyed items (colour "Grey") are painted grey but stay usable;
// disabled items are disabled; checked items carry a check mark.
class DropDownMenu : public QMenu {
  Q_OBJECT
 public:
  // Adds the items of `menu`; each action's data() is its item number, counted from 1 with
  // separators counted, as dMnu_ItemClick expects.
  DropDownMenu(const Menu& menu, QWidget* parent);

 protected:
  void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

// Uses the Adwaita icons when the desktop names no icon theme that has ours.
void use_desktop_icon_theme();

}  // namespace vqb::gui
