#pragma once
// vqb-cli connect and vqb-cli list: the main window's load sequence and work lists.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vqb {
struct App;
}

namespace vqb::cli {

// Connects as the window does after "Yes" and prints what was loaded.
int cmd_connect(App& app, std::ostream& out);

struct ListOptions {
  std::string kind;  // customers, suppliers, invoices, payments, pos
  bool json{false};
  // Filters for this run only (the saved ones stay as they are); nullopt keeps the saved one.
  std::optional<bool> exported, notExported, invoices, workOrders;
};

int cmd_list(App& app, const ListOptions& options, std::ostream& out, std::ostream& err);

struct MarkOptions {
  std::string kind;               // customers, suppliers, invoices, payments, pos
  bool sent{false};               // --sent; otherwise --not-sent
  std::vector<std::string> keys;  // links (customers, suppliers) or numbers; empty with all
  bool all{false};
};

// Marks the records with these keys as sent or not sent, as the Run menu does, and prints
// one line per key.
int cmd_mark(App& app, const MarkOptions& options, std::ostream& out, std::ostream& err);

}  // namespace vqb::cli
