#pragma once
// Texts between the core (UTF-8 std::string, CR LF line ends as Vantora keeps them) and Qt.

#include <QString>
#include <string>

namespace vqb::gui {

inline QString qstr(const std::string& text) {
  return QString::fromStdString(text);
}

// For display: CR LF and lone CRs become line feeds.
inline QString display_lines(const std::string& text) {
  return qstr(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
}

}  // namespace vqb::gui
