#include "support/fake_ui.h"

namespace vqb::test {

Answer FakeUi::messageBox(const std::string& text, Buttons buttons, Icon icon,
                          const std::string& title) {
  messages.push_back({text, buttons, icon, title});
  if (!answers.empty()) {
    Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  if (onMessage) return onMessage(text, title);
  switch (buttons) {
    case Buttons::Ok:
      return Answer::Ok;
    case Buttons::OkCancel:
      return Answer::Cancel;
    default:
      return Answer::No;
  }
}

std::string FakeUi::inputBox(const std::string& prompt, const std::string&, const std::string&) {
  prompts.push_back(prompt);
  if (inputs.empty()) return "";
  std::string answer = inputs.front();
  inputs.pop_front();
  return answer;
}

void FakeUi::showDialog(DialogKind kind, const std::string& parameter) {
  dialogs.emplace_back(kind, parameter);
  if (onDialog) onDialog(kind, parameter);
}

std::vector<std::string> FakeUi::texts() const {
  std::vector<std::string> result;
  for (const auto& message : messages) result.push_back(message.text);
  return result;
}

}  // namespace vqb::test
