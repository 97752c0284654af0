#pragma once
// For the export tests: table rows written as SQL assignments, "Column = value, ...", the
// values SQL literals (a row of defaults takes the changes a test names), and names as they
// appear in qbXML.

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

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

// The pieces of `text` between the separators; none for an empty text.
inline std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> out;
  for (std::size_t at = 0; !text.empty() && at <= text.size();) {
    const std::size_t end = std::min(text.find(separator, at), text.size());
    out.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return out;
}

// Applies "key=value;key=value" through `set(key, value)`.
template <typename Set>
void apply_settings(const std::string& settings, Set set) {
  for (const std::string& item : split(settings, ';'))
    set(item.substr(0, item.find('=')), item.substr(item.find('=') + 1));
}

// The text as qbXML carries it: &, < and > escaped.
inline std::string xml_text(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  return out;
}

}  // namespace vqb::test
