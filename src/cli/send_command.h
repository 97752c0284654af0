#pragma once
// vqb-cli send customers|suppliers: the window's "Send to QuickBooks" for the ticked records;
// vqb-cli import customers|suppliers: the window's Import list and Run for the named records.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vqb::cli {

struct SendOptions {
  std::string kind;                  // customers or suppliers
  std::vector<std::string> keys;     // links; empty with all
  bool all{false};                   // every record not exported yet
  std::string onNameTaken = "skip";  // link: link to the QuickBooks entry of the same name
  std::vector<std::string> names;    // OLD=NEW: the QuickBooks name to give instead of OLD
  std::vector<std::string> assign;   // CODE=NAME: the assign window's choice for CODE
};

// assumeYes: the answer of --yes/--no to the questions no option of the command answers.
int cmd_send(const std::string& settingsFolder, const SendOptions& options,
             std::optional<bool> assumeYes, std::istream& in, std::ostream& out, std::ostream& err,
             bool interactive);

struct ImportOptions {
  std::string kind;                // customers or suppliers
  std::vector<std::string> names;  // QuickBooks names (or full names); empty with all
  bool all{false};                 // every QuickBooks record not in Vantora yet
  bool openingBalances{false};     // customers: post their QuickBooks balances
};

int cmd_import(const std::string& settingsFolder, const ImportOptions& options,
               std::optional<bool> assumeYes, std::istream& in, std::ostream& out,
               std::ostream& err, bool interactive);

}  // namespace vqb::cli
