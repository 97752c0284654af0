#pragma once
// vqb-cli qb ...: look at the simulated QuickBooks company the settings point to.

#include <iosfwd>
#include <string>

namespace vqb::cli {

struct QbListOptions {
  std::string kind;
  bool json{false};
};

// Each returns the exit code; errors are printed on err.
int qb_list(const std::string& settingsFolder, const QbListOptions& options, std::ostream& out,
            std::ostream& err);
int qb_show(const std::string& settingsFolder, const std::string& id, std::ostream& out,
            std::ostream& err);
int qb_set_open(const std::string& settingsFolder, bool open, std::ostream& out, std::ostream& err);
// Writes the company as an XML company file, and makes the company from one (replacing a
// company file already there only when `replace`).
int qb_export(const std::string& settingsFolder, const std::string& file, std::ostream& out,
              std::ostream& err);
int qb_import(const std::string& settingsFolder, const std::string& file, bool replace,
              std::ostream& out, std::ostream& err);

// The kinds `qb list` accepts, for the help text.
std::string qb_list_kinds();

}  // namespace vqb::cli
