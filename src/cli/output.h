#pragma once
// Output helpers of vqb-cli: JSON strings and padded text tables.

#include <string>
#include <vector>

namespace vqb::cli {

std::string json_string(const std::string& text);
// Rows as a padded text table (widths in characters, trailing blanks trimmed).
std::string text_table(const std::vector<std::vector<std::string>>& rows);

}  // namespace vqb::cli
