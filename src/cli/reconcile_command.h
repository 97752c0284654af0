#pragma once
// vqb-cli reconcile [invoices|payments|pos|customers|suppliers|all] [--from YYYY-MM-DD]
// [--to YYYY-MM-DD] [--json] [--csv FILE]: the differences between Vantora and QuickBooks as a
// table (or one JSON object), and a summary line. Exit code 0 when every record agrees, 1
// when any differs (or QuickBooks or Vantora cannot be read), 2 for wrong arguments.

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace vqb {
struct App;
}

namespace vqb::cli {

class ReconcileCommand {
 public:
  ReconcileCommand() = default;
  ReconcileCommand(const ReconcileCommand&) = delete;
  ReconcileCommand& operator=(const ReconcileCommand&) = delete;

  void addTo(CLI::App& cli);
  bool chosen() const;
  int run(App& app, std::ostream& out, std::ostream& err) const;

 private:
  CLI::App* command_{};
  std::string kinds_{"all"};
  std::string from_, to_, csv_;
  bool json_{false};
};

}  // namespace vqb::cli
