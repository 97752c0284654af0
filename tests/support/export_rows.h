#pragma once
// For the export tests: table rows written as SQL assignments, "Column = value, ...", the
// values SQL literals (a row of defaults takes the changes a test names), and names as they
// appear in qbXML.

#include <cctype>
#include <map>
#include <string>

namespace vqb::test {

using Columns = std::map<std::string, std::string>;

// Splits at the commas outside quotes and brackets: "A = 'x, y', B = char(13, 10)".
inline Columns columns(const std::string& assignments) {
  Columns out;
  const auto trim = [](std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
      text.erase(0, 1);
    return text;
  };
  const auto add = [&](const std::string& item) {
    const auto eq = item.find('=');
    if (eq != std::string::npos) out[trim(item.substr(0, eq))] = trim(item.substr(eq + 1));
  };
  bool quoted = false;
  int depth = 0;
  std::string item;
  for (char c : assignments) {
    if (c == '\'') quoted = !quoted;
    if (!quoted && (c == '(' || c == ')')) depth += c == '(' ? 1 : -1;
    if (c == ',' && !quoted && depth == 0) {
      add(item);
      item.clear();
    } else {
      item += c;
    }
  }
  add(item);
  return out;
}

// `row` with the assignments in `changes` applied.
inline Columns with(Columns row, const std::string& changes) {
  for (auto& [name, value] : columns(changes)) row[name] = value;
  return row;
}

// The text as qbXML carries it: &, < and > escaped.
inline std::string xml_text(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  return out;
}

}  // namespace vqb::test
