#include "cli/undo_command.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/app.h"
#include "app/errors.h"
#include "app/integrator_lock.h"
#include "app/startup.h"
#include "cli/cli_ui.h"
#include "export/send_runs.h"
#include "export/undo_send.h"
#include "main_window/main_window_logic.h"

namespace vqb::cli {

void UndoCommands::addTo(CLI::App& cli) {
  runs_ = cli.add_subcommand("runs", "List the send runs the integrator can undo");
  undo_ = cli.add_subcommand(
      "undo", "Take one send run's transactions back out of QuickBooks and mark them not sent");
  undo_->add_option("RUN", run_, "The run number, as vqb-cli runs lists it")->required();
  undo_->add_flag("--dry-run", dryRun_, "Only tell what would be undone");
}

bool UndoCommands::chosen() const {
  return (runs_ && runs_->parsed()) || (undo_ && undo_->parsed());
}

int UndoCommands::run(const std::string& settingsFolder, std::optional<bool> assumeYes,
                      std::istream& in, std::ostream& out, std::ostream& err,
                      bool interactive) const {
  CliUi ui(in, err, interactive);
  ui.assumeYes = assumeYes;
  App app(ui);
  try {
    if (runs_->parsed()) {
      if (!start_app(app, settingsFolder)) return 1;
      const std::vector<SendRunInfo> runs = RunLog(app.settingsFolder).runs();
      for (const SendRunInfo& run : runs) out << terminal_text(run_line(run)) << "\n";
      if (runs.empty()) out << "No send runs in the log.\n";
      return 0;
    }
    MainWindowLogic logic(app);
    std::optional<IntegratorLock> lock;  // held while QuickBooks and Vantora change
    if (!start_connected(app, logic, settingsFolder, dryRun_ ? nullptr : &lock,
                         "Nothing was undone."))
      return 1;
    MappingContext ctx = logic.mappingContext();
    const UndoResult result = undo_send_run(ctx, run_, dryRun_);
    if (!result.found) {
      err << "There is no run " << run_ << " in the log (vqb-cli runs lists them).\n";
      return 1;
    }
    for (const UndoLine& line : result.lines) out << terminal_text(undo_line(line)) << "\n";
    const std::size_t total = result.lines.size();
    out << (dryRun_ ? "Would undo " : "Undone: ") << result.undone << " of " << total
        << (total == 1 ? " record" : " records") << ".\n";
    return result.leftAlone == 0 ? 0 : 1;
  } catch (const VqbError& error) {
    err << "Cannot undo: "
        << terminal_text(number_dash_description(error.number(), error.description())) << "\n";
    return 1;
  }
}

}  // namespace vqb::cli
