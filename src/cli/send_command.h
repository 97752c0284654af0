#pragma once
// vqb-cli send customers|suppliers: the window's "Send to QuickBooks" for the ticked records.

#include <iosfwd>
#include <string>
#include <vector>

namespace vqb::cli {

struct SendOptions {
  std::string kind;               // customers or suppliers
  std::vector<std::string> keys;  // links; empty with all
  bool all{false};                // every record not exported yet
  std::string onNameTaken = "skip";  // link: link to the QuickBooks entry of the same name
};

int cmd_send(const std::string& settingsFolder, const SendOptions& options, std::istream& in, std::ostream& out,
             std::ostream& err, bool interactive);

}  // namespace vqb::cli
