#include "cli/output.h"

#include <algorithm>
#include <map>
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

// A reason with every run of digits as "#", so that "Invoice 10003 not found" and "Invoice 10007
// not found" are one kind.
std::string reason_kind(const std::string& reason) {
  std::string kind;
  for (char c : reason) {
    const bool digit = c >= '0' && c <= '9';
    if (!digit)
      kind += c;
    else if (kind.empty() || kind.back() != '#')
      kind += '#';
  }
  return kind;
}

}  // namespace

std::string send_summary(const std::string& list,
                         const std::vector<std::pair<bool, std::string>>& results) {
  struct Group {
    std::string example;
    int count{0};
    std::size_t first{0};
  };
  std::map<std::string, Group> groups;
  int sent = 0;
  for (std::size_t i = 0; i < results.size(); ++i) {
    const auto& [ok, result] = results[i];
    if (ok) {
      ++sent;
      continue;
    }
    const std::string reason = result.empty() ? "(no result: stopped before this record)" : result;
    Group& group = groups[reason_kind(reason)];
    if (group.count++ == 0) group = {reason, 1, i};
  }
  std::vector<const Group*> order;
  for (const auto& entry : groups) order.push_back(&entry.second);
  std::stable_sort(order.begin(), order.end(), [](const Group* a, const Group* b) {
    return a->count != b->count ? a->count > b->count : a->first < b->first;
  });
  std::string text = list + ": " + std::to_string(sent) + " sent, " +
                     std::to_string(static_cast<int>(results.size()) - sent) + " not sent\n";
  for (const Group* group : order)
    text += "  " + std::to_string(group->count) + " x " + group->example + "\n";
  return text;
}

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
