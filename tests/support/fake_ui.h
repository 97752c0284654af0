#pragma once
// A scripted UserInterface: answers come from queues, every message shown is recorded.

#include <deque>
#include <string>
#include <vector>

#include "app/user_interface.h"

namespace vqb::test {

struct ShownMessage {
  std::string text;
  Buttons buttons;
  Icon icon;
  std::string title;
};

class FakeUi : public UserInterface {
 public:
  Answer messageBox(const std::string& text, Buttons buttons, Icon icon, const std::string& title) override;
  std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
  void showDialog(DialogKind kind, const std::string& parameter) override;
  void setStatus(const std::string& text) override { status = text; }
  void setProgress(long value, long maximum) override {
    progressValue = value;
    progressMaximum = maximum;
  }
  void processEvents() override { ++eventsProcessed; }

  // Script: answers used in order; when empty, Ok/Yes-No boxes answer Ok/No, input boxes "".
  std::deque<Answer> answers;
  std::deque<std::string> inputs;

  std::vector<ShownMessage> messages;
  std::vector<std::string> prompts;
  std::vector<std::pair<DialogKind, std::string>> dialogs;
  std::string status;
  long progressValue{}, progressMaximum{};
  long eventsProcessed{};

  // Texts of the messages shown, for compact assertions.
  std::vector<std::string> texts() const;
};

}  // namespace vqb::test
