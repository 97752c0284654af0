#pragma once
// vqb-cli check: the mapping checks a send would run, without sending anything.

#include <iosfwd>
#include <string>
#include <vector>

namespace vqb::cli {

struct CheckOptions {
  std::string kind;  // invoices, payments, pos, customers
  std::vector<std::string> keys;
  bool all{false};  // every record the list shows as not exported yet
};

// Runs with its own App (the checks must answer the assign dialog themselves).
int cmd_check(const std::string& settingsFolder, const CheckOptions& options, std::istream& in,
              std::ostream& out, std::ostream& err);

}  // namespace vqb::cli
