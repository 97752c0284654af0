#include "gui/toolbars.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <initializer_list>

#include "app/menu.h"

namespace vqb::gui {
namespace {

struct ButtonLook {
  const char* caption;
  std::initializer_list<const char*> themeIcons;  // first one the theme has wins
  QStyle::StandardPixmap fallback;
  const char* shortcut;  // "" for none
  const char* tip;
  bool startsGroup;  // a separator goes before it
};

// clang-format off
const ButtonLook kMainLooks[] = {
    {"Export", {"document-export", "mail-forward"}, QStyle::SP_ArrowUp, "Ctrl+E",
     "Send Vantora records to QuickBooks", false},
    {"Import", {"document-import", "document-save"}, QStyle::SP_ArrowDown, "Ctrl+I",
     "Bring QuickBooks customers and suppliers into Vantora", false},
    {"Sync", {"folder-sync", "mail-send-receive"}, QStyle::SP_BrowserReload, "Ctrl+Y",
     "Synchronise customer balances", false},
    {"Setup", {"preferences-system", "applications-system"}, QStyle::SP_FileDialogDetailedView, "Ctrl+U",
     "Map Vantora codes to QuickBooks lists", true},
    {"Preferences", {"applications-system", "preferences-desktop"}, QStyle::SP_FileDialogInfoView, "Ctrl+,",
     "Integrator preferences", false},
    {"Help", {"help-browser", "help-contents"}, QStyle::SP_DialogHelpButton, "F1",
     "About, online manual and support", true},
    {"Exit", {"application-exit", "system-log-out"}, QStyle::SP_DialogCloseButton, "Ctrl+Q",
     "Close the integrator", false},
};

const ButtonLook kListLooks[] = {
    {"Refresh Grid", {"view-refresh"}, QStyle::SP_BrowserReload, "F5",
     "Fill the current list again", false},
    {"Filter", {"view-filter", "edit-find"}, QStyle::SP_FileDialogContentsView, "Ctrl+F",
     "Choose which records the list shows", false},
    {"Run", {"system-run", "media-playback-start"}, QStyle::SP_MediaPlay, "Ctrl+R",
     "Send, mark or import the ticked records", true},
    {"Select", {"edit-select-all"}, QStyle::SP_DialogApplyButton, "Ctrl+A",
     "Tick or untick every record", false},
    {"Refresh List", {"view-list-details", "format-justify-fill"}, QStyle::SP_FileDialogListView, "Ctrl+L",
     "Read the customer list again", false},
    {"Options", {"configure", "emblem-system", "document-properties"}, QStyle::SP_FileDialogDetailedView, "Ctrl+O",
     "Invoice sending options", false},
    {"Preferences", {"applications-system", "preferences-desktop"}, QStyle::SP_FileDialogInfoView, "",
     "General preferences", true},
    {"Print", {"document-print"}, QStyle::SP_FileIcon, "Ctrl+P",
     "Print the list", false},
    {"Cancel", {"process-stop"}, QStyle::SP_BrowserStop, "Esc",
     "Stop the running operation after the current record", true},
};
// clang-format on

template <std::size_t N>
const ButtonLook* find_look(const ButtonLook (&looks)[N], const char* caption) {
  for (const ButtonLook& look : looks)
    if (qstrcmp(look.caption, caption) == 0) return &look;
  return nullptr;
}

QIcon command_icon(const ButtonLook& look, const QStyle* style) {
  for (const char* name : look.themeIcons)
    if (QIcon::hasThemeIcon(QString::fromLatin1(name)))
      return QIcon::fromTheme(QString::fromLatin1(name));
  return style->standardIcon(look.fallback);
}

}  // namespace

void use_desktop_icon_theme() {
  // Asked before any icon is looked up: the icon loader remembers what it did not find.
  const QString theme = QIcon::themeName();
  if (theme.isEmpty() || theme == QLatin1String("hicolor"))
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
}

QToolBar* build_toolbar(QWidget* parent, const QString& objectName, const char* const* captions,
                        int count, bool mainCommands,
                        const std::function<void(QAction*)>& clicked) {
  auto* toolbar = new QToolBar(parent);
  toolbar->setObjectName(objectName);
  toolbar->setWindowTitle(mainCommands ? QObject::tr("Commands") : QObject::tr("List"));
  toolbar->setMovable(false);
  toolbar->setFloatable(false);
  toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar->setIconSize(mainCommands ? QSize(30, 30) : QSize(22, 22));
  const QStyle* style = parent ? parent->style() : QApplication::style();
  for (int i = 0; i < count; ++i) {
    const ButtonLook* look =
        mainCommands ? find_look(kMainLooks, captions[i]) : find_look(kListLooks, captions[i]);
    if (look && look->startsGroup && i > 0) toolbar->addSeparator();
    QAction* action = toolbar->addAction(QString::fromUtf8(captions[i]));
    action->setObjectName(objectName + "_" + QString::fromUtf8(captions[i]).remove(' '));
    if (look) {
      action->setIcon(command_icon(*look, style));
      QString tip = QObject::tr(look->tip);
      if (*look->shortcut) {
        action->setShortcut(QKeySequence(QString::fromLatin1(look->shortcut)));
        tip += QStringLiteral("  (%1)").arg(action->shortcut().toString(QKeySequence::NativeText));
      }
      action->setToolTip(QStringLiteral("<b>%1</b><br>%2").arg(action->text(), tip));
    }
    QObject::connect(action, &QAction::triggered, toolbar, [clicked, action] { clicked(action); });
  }
  return toolbar;
}

DropDownMenu::DropDownMenu(const Menu& menu, QWidget* parent) : QMenu(parent) {
  setObjectName(QStringLiteral("dMnu"));
  int number = 0;
  for (const MenuItem& item : menu.items()) {
    ++number;
    if (item.separator) {
      addSeparator();
      continue;
    }
    QString text = QString::fromStdString(item.caption);
    if (!item.subText.empty()) text += '\t' + QString::fromStdString(item.subText);
    QAction* action = addAction(text);
    action->setData(number);
    if (item.checked) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    action->setEnabled(item.enabled);
    action->setProperty("grey", item.colour == "Grey");
  }
}

void DropDownMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
  QMenu::initStyleOption(option, action);
  if (action && action->property("grey").toBool()) {
    const QColor grey(0x80, 0x80, 0x80);
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
      option->palette.setColor(role, grey);
  }
}

}  // namespace vqb::gui
