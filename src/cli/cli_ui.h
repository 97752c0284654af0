#pragma once
// The terminal's UserInterface: messages go to standard error; questions are answered by
// the --yes/--no policy, or asked on the terminal when it is interactive, or answered No.

#include <functional>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/integrator_lock.h"
#include "app/user_interface.h"

namespace vqb {
struct App;
class MainWindowLogic;
}  // namespace vqb

namespace vqb::cli {

class CliUi : public UserInterface {
 public:
  CliUi(std::istream& in, std::ostream& err, bool interactive);

  // Answer every Yes/No question this way instead of asking.
  std::optional<bool> assumeYes;
  // Answers to particular questions, before assumeYes: the first rule whose buttons match and
  // whose text the question holds gives the answer; `because` names the option that chose it.
  struct QuestionRule {
    Buttons buttons;
    std::string contains;
    bool yes;
    std::string because;
  };
  std::vector<QuestionRule> questionRules;
  // Answers to input boxes given on the command line: OLD=NEW answers a box that asks about
  // the name OLD (in its text or as its proposed answer) with NEW, once per box.
  std::vector<std::pair<std::string, std::string>> inputAnswers;
  // Opens a window without a window (the assign window can be answered on a terminal).
  std::function<void(DialogKind, const std::string&)> onDialog;
  bool verbose{false};

  Answer messageBox(const std::string& text, Buttons buttons, Icon icon,
                    const std::string& title) override;
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override;
  void showDialog(DialogKind kind, const std::string& parameter) override;
  void openUrl(const std::string& url) override;
  void setStatus(const std::string& text) override;
  void setProgress(long, long) override {}
  void processEvents() override {}

  int errorsShown() const { return errorsShown_; }

 private:
  std::istream& in_;
  std::ostream& err_;
  bool interactive_;
  int errorsShown_{0};
  std::set<std::pair<std::string, std::string>> boxesAnswered_;
};

// Starts as the window does on the settings folder ("" for the usual one); false when the
// program must end (it has said why).
bool start_app(App& app, const std::string& settingsFolder);
// Starts and connects, loading every list as the window does after "Yes". A command that
// writes passes `lock`: the integrator lock is taken before the connection (whose recovery
// writes) and kept until the command ends; false when another integrator keeps it (said,
// followed by `nothingDone`).
bool start_connected(App& app, MainWindowLogic& logic, const std::string& settingsFolder,
                     std::optional<IntegratorLock>* lock = nullptr,
                     std::string_view nothingDone = kNothingSent);
// Takes the integrator lock for a command that writes, waiting --wait-lock seconds.
bool take_lock(App& app, std::optional<IntegratorLock>& lock,
               std::string_view nothingDone = kNothingSent);
// --wait-lock: how long take_lock waits for another integrator (0: not at all).
void set_lock_wait(int seconds);

// Text for the terminal: "\r\n" becomes "\n", and the control characters a terminal would act
// on (escape sequences, bells, carriage returns) are left out.
std::string terminal_text(const std::string& text);

}  // namespace vqb::cli
