#pragma once
// The work list shown in the main window's grid: plain data that the grid view draws.

#include <cstdint>
#include <string>
#include <vector>

namespace vqb {

// Colour values as the grid stores them (0xBBGGRR): 255 is red, the text colour of rows
// already sent (and of QuickBooks entries already linked to Vantora).
inline constexpr long kSentRowColour = 255;

struct WorkRow {
  std::vector<std::string> cells;  // one per header
  // Values behind formatted cells (such as a balance shown as "($150.25)"), by column;
  // empty where the cell holds its own value.
  std::vector<std::string> raw;
  bool ticked{false};
  long backColour{-1};  // -1: the grid's default
  long foreColour{-1};
  bool hidden{false};

  const std::string& rawOrCell(std::size_t column) const {
    return column < raw.size() && !raw[column].empty() ? raw[column] : cells.at(column);
  }
};

struct WorkList {
  std::vector<std::string> headers;  // the header row (grid row 0)
  int tickColumn{-1};                // counted from 0; -1 when the list has none
  std::vector<WorkRow> rows;         // data rows (grid rows 1 and on)

  void clear() {
    headers.clear();
    rows.clear();
    tickColumn = -1;
  }
  // The column with this header; -1 when there is none.
  int column(const std::string& header) const {
    for (std::size_t i = 0; i < headers.size(); ++i)
      if (headers[i] == header) return static_cast<int>(i);
    return -1;
  }
  // Grid row count as the original counts it: the header row plus the data rows.
  std::size_t gridRows() const { return rows.size() + 1; }
};

}  // namespace vqb
