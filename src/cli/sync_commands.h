#pragma once
// vqb-cli sync contacts: the contact-info list's ticked customers sent to QuickBooks again;
// vqb-cli update-customers: the update tool's chosen contact fields copied to QuickBooks;
// vqb-cli import balances: QuickBooks balances booked as Vantora opening balances.
// Each prints one line per record.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace vqb::cli {

// `sync contacts` and `update-customers` on the command line. Holds the parsed arguments, so
// it must outlive the parse.
class SyncCommands {
 public:
  SyncCommands() = default;
  SyncCommands(const SyncCommands&) = delete;
  SyncCommands& operator=(const SyncCommands&) = delete;

  void addTo(CLI::App& cli);
  // Whether the command line chose one of them.
  bool chosen() const;
  // Runs the chosen command: 0 when every record went through, 1 otherwise, 2 for wrong
  // arguments.
  int run(const std::string& settingsFolder, std::optional<bool> assumeYes, std::istream& in,
          std::ostream& out, std::ostream& err, bool interactive) const;

 private:
  int syncContacts(const std::string& settingsFolder, std::optional<bool> assumeYes,
                   std::istream& in, std::ostream& out, std::ostream& err, bool interactive) const;
  int updateCustomers(const std::string& settingsFolder, std::istream& in, std::ostream& out,
                      std::ostream& err, bool interactive) const;

  CLI::App* sync_{};
  CLI::App* update_{};
  std::string what_;               // sync: "contacts"
  std::vector<std::string> keys_;  // customer links
  bool all_{false};
  bool company_{false}, phone_{false}, email_{false}, fax_{false}, group_{false};
};

// vqb-cli import balances [NAME...|--all]: lists the QuickBooks customers and books the
// balance of each named one (every one without names) as the balance import does.
int cmd_import_balances(const std::string& settingsFolder, const std::vector<std::string>& names,
                        std::istream& in, std::ostream& out, std::ostream& err, bool interactive);

}  // namespace vqb::cli
