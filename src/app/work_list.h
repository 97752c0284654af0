#pragma once
// The work list shown in the main window's grid: plain data that the grid view draws and
// that the send and import loops work on.

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
  std::vector<int> hiddenColumns;    // columns the grid keeps but does not show
  std::vector<WorkRow> rows;         // data rows (grid rows 1 and on)
  // The data row a send is working on, counted from 0; -1 when none. The window selects it
  // and scrolls it into view.
  int currentRow{-1};

  void clear() {
    headers.clear();
    rows.clear();
    tickColumn = -1;
    hiddenColumns.clear();
    currentRow = -1;
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

// List names as currentList holds them.
namespace lists {
inline constexpr const char* kSendCustomers = "Send Customers";
inline constexpr const char* kSendSuppliers = "Send Suppliers";
inline constexpr const char* kSendCustomerInvoices = "Send Customer Invoices";
inline constexpr const char* kSendCustomerPayments = "Send Customer Payments";
inline constexpr const char* kSendSupplierPOs = "Send Supplier POs";
inline constexpr const char* kGetCustomers = "Get Customers";
inline constexpr const char* kGetSuppliers = "Get Suppliers";
inline constexpr const char* kSyncCustomerContactInfo = "Sync Customer Contact Info";
inline constexpr const char* kReconcile = "Reconcile with QuickBooks";
}  // namespace lists

// The tick ("Select") column of a list, counted from 0; -1 for "" and unknown names.
int tick_column_of(const std::string& listName);

// What a send or import loop works on and the window draws: the list, its name and hint,
// the cancel request and the busy state.
struct WorkState {
  WorkList grid;            // fg1
  std::string currentList;  // "Send Customers", ..., or "" when the grid is empty
  std::string comment;      // lblComment
  bool cancelRequested{false};
  bool busy{false};  // only Cancel usable

  // Raised on every change the window should redraw; the view compares it with the last
  // value it drew.
  std::uint64_t version{0};
  void changed() { ++version; }
};

}  // namespace vqb
