#include "cli/output.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "app/text_helpers.h"

namespace vqb::cli {

namespace {

std::string json_layout(const nlohmann::ordered_json& value) {
  if (value.is_array()) {
    if (value.empty()) return "[]";
    std::string text = "[";
    for (std::size_t i = 0; i < value.size(); ++i)
      text += (i ? ",\n " : "\n ") + json_layout(value[i]);
    return text + "\n]";
  }
  if (value.is_object()) {
    std::string text = "{";
    bool first = true;
    for (auto item = value.begin(); item != value.end(); ++item) {
      text += (first ? "" : ", ") + json_layout(nlohmann::ordered_json(item.key())) + ": " +
              json_layout(*item);
      first = false;
    }
    return text + "}";
  }
  return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

std::string json_text(const nlohmann::ordered_json& value) {
  return json_layout(value) + "\n";
}

std::string text_table(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], char_count(row[c]));
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - char_count(row[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

}  // namespace vqb::cli
