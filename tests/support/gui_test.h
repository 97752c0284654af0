// Helpers of the offscreen window tests (Qt only; the core's tests never include this).
#pragma once

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace vqb::test {

// The named child of a window; a missing one ends the test run at once.
template <typename T>
T* widget(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(name);
  if (!found) qFatal("no widget %s", name);
  return found;
}

// Runs `open`, which shows a modal window of type W, and lets `answer` work that window from
// inside its event loop. Returns whether the window was seen.
template <typename W>
bool answer_modal(const std::function<void()>& open, const std::function<void(W&)>& answer) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    if (auto* window = qobject_cast<W*>(QApplication::activeModalWidget())) {
      seen = true;
      answer(*window);
    }
  });
  open();
  return seen;
}

// A menu runner that picks the item with this caption (none for an empty caption).
inline std::function<QAction*(QMenu&, const QPoint&)> pick(const QString& caption) {
  return [caption](QMenu& menu, const QPoint&) -> QAction* {
    for (QAction* action : menu.actions())
      if (!caption.isEmpty() && action->text() == caption) return action;
    return nullptr;
  };
}

}  // namespace vqb::test
