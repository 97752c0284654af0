#pragma once
// Output helpers of vqb-cli: JSON documents and padded text tables.

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <utility>
#include <vector>

namespace vqb::cli {

// `value` as JSON text ending in a line break: objects on one line ({"key": value, ...}), the
// elements of an array one per line. Text comes out as UTF-8, escaped by nlohmann-json; a byte
// that is not valid UTF-8 becomes U+FFFD rather than failing the command.
std::string json_text(const nlohmann::ordered_json& value);
// Rows as a padded text table (widths in characters, trailing blanks trimmed).
std::string text_table(const std::vector<std::vector<std::string>>& rows);

// The closing summary of a send: "invoices: 98 sent, 6 not sent", then one line per kind of
// reason a record was not sent, most frequent first, with its count and one example (reasons
// that differ only in their numbers count as one kind). `results` holds, per record, whether it
// was sent and its result line.
std::string send_summary(const std::string& list,
                         const std::vector<std::pair<bool, std::string>>& results);

}  // namespace vqb::cli
