#include "cli/cli_ui.h"

#include <istream>
#include <ostream>

#include "app/app.h"
#include "app/startup.h"
#include "app/text_helpers.h"
#include "main_window/main_window_logic.h"

namespace vqb::cli {

std::string terminal_text(const std::string& text) {
  return printable_text(text);
}

CliUi::CliUi(std::istream& in, std::ostream& err, bool interactive)
    : in_(in), err_(err), interactive_(interactive) {}

Answer CliUi::messageBox(const std::string& text, Buttons buttons, Icon icon,
                         const std::string& title) {
  if (icon == Icon::Critical) ++errorsShown_;
  err_ << "[" << title << "] " << terminal_text(text) << "\n";
  if (buttons == Buttons::Ok) return Answer::Ok;
  bool yes;
  const QuestionRule* rule = nullptr;
  for (const QuestionRule& candidate : questionRules)
    if (!rule && candidate.buttons == buttons && text.find(candidate.contains) != std::string::npos)
      rule = &candidate;
  if (rule) {
    yes = rule->yes;
    err_ << (yes ? "  -> Yes (" : "  -> No (") << rule->because << ")\n";
  } else if (assumeYes) {
    yes = *assumeYes;
    err_ << (yes ? "  -> Yes (--yes)\n" : "  -> No (--no)\n");
  } else if (interactive_) {
    err_ << "  [y/N] " << std::flush;
    std::string line;
    std::getline(in_, line);
    yes = !line.empty() && (line[0] == 'y' || line[0] == 'Y');
  } else {
    yes = false;
    err_ << "  -> No (not interactive; pass --yes to agree)\n";
  }
  if (yes) return buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
  return buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No;
}

std::string CliUi::inputBox(const std::string& prompt, const std::string& title,
                            const std::string& defaultText) {
  err_ << "[" << title << "] " << terminal_text(prompt) << "\n";
  for (const auto& [old, answer] : inputAnswers) {
    if (defaultText != old && prompt.find(old) == std::string::npos) continue;
    // The same box again means the answer was not taken: stop rather than loop.
    if (!boxesAnswered_.insert({prompt, defaultText}).second) break;
    err_ << "  -> " << answer << " (--name " << old << "=" << answer << ")\n";
    return answer;
  }
  if (!interactive_) {
    err_ << "  -> cancelled (not interactive)\n";
    return "";
  }
  err_ << "  [" << defaultText << "] " << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return "";
  return line.empty() ? defaultText : line;
}

void CliUi::showDialog(DialogKind kind, const std::string& parameter) {
  if (onDialog && (kind == DialogKind::Assign || kind == DialogKind::CustomerValidation))
    return onDialog(kind, parameter);
  err_ << "This step needs a window; run vqb for it.\n";
}

void CliUi::openUrl(const std::string& url) {
  err_ << "Open in your browser: " << url << "\n";
}

void CliUi::setStatus(const std::string& text) {
  if (verbose && !text.empty()) err_ << text << "\n";
}

bool start_app(App& app, const std::string& settingsFolder) {
  app.programFolder = program_folder();
  app.settingsFolderOverride = settingsFolder;
  return Main(app);
}

namespace {
int lockWaitSeconds = 0;  // one value per vqb-cli run, set from --wait-lock
}  // namespace

void set_lock_wait(int seconds) {
  lockWaitSeconds = seconds;
}

bool take_lock(App& app, std::optional<IntegratorLock>& lock, std::string_view nothingDone) {
  lock.emplace(app, lockWaitSeconds, nothingDone);
  return lock->held();
}

bool start_connected(App& app, MainWindowLogic& logic, const std::string& settingsFolder,
                     std::optional<IntegratorLock>* lock, std::string_view nothingDone) {
  if (!start_app(app, settingsFolder)) return false;
  if (lock && !take_lock(app, *lock, nothingDone)) return false;
  return logic.loadLists();
}

}  // namespace vqb::cli
