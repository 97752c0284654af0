#pragma once
// vqb-cli runs: the send runs in the run log, newest first (number, time, program, user,
// records added per kind).
// vqb-cli undo RUN [--dry-run]: takes that run's transactions back out of QuickBooks and sets
// their Vantora marks back, one line per record; --dry-run says what it would do and changes
// nothing. Exit code 0 when every transaction of the run is out (or would be), 1 when any is
// left alone or the run is not in the log, 2 for wrong arguments.

#include <iosfwd>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace vqb::cli {

class UndoCommands {
 public:
  UndoCommands() = default;
  UndoCommands(const UndoCommands&) = delete;
  UndoCommands& operator=(const UndoCommands&) = delete;

  void addTo(CLI::App& cli);
  bool chosen() const;
  // assumeYes: the answer of --yes/--no to questions at the connection.
  int run(const std::string& settingsFolder, std::optional<bool> assumeYes, std::istream& in,
          std::ostream& out, std::ostream& err, bool interactive) const;

 private:
  CLI::App* runs_{};
  CLI::App* undo_{};
  long long run_{0};
  bool dryRun_{false};
};

}  // namespace vqb::cli
