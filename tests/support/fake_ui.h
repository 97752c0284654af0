#pragma once
// A scripted UserInterface: answers come from queues, every message shown is recorded.

#include <deque>
#include <functional>
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
  Answer messageBox(const std::string& text, Buttons buttons, Icon icon,
                    const std::string& title) override;
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override;
  void showDialog(DialogKind kind, const std::string& parameter) override;
  void openUrl(const std::string& url) override { urlsOpened.push_back(url); }
  void loaderVisible(bool visible) override { loaderShown.push_back(visible); }
  void setStatus(const std::string& text) override {
    status = text;
    statuses.push_back(text);
  }
  void setProgress(long value, long maximum) override {
    progressValue = value;
    progressMaximum = maximum;
  }
  void processEvents() override {
    ++eventsProcessed;
    if (onProcessEvents) onProcessEvents();
  }
  // Runs while a loop lets events through, as a click on Cancel would.
  std::function<void()> onProcessEvents;

  // Script: answers used in order; when empty, Ok/Yes-No boxes answer Ok/No, input boxes "".
  std::deque<Answer> answers;
  // Answers a box when `answers` is empty, when set (text, title).
  std::function<Answer(const std::string&, const std::string&)> onMessage;
  std::deque<std::string> inputs;
  // Called from showDialog after it is recorded, so a test can play the dialog (for the
  // assign dialog: put the choice into slot 0).
  std::function<void(DialogKind, const std::string&)> onDialog;

  std::vector<ShownMessage> messages;
  std::vector<std::string> prompts;
  std::vector<std::pair<DialogKind, std::string>> dialogs;
  std::vector<std::string> urlsOpened;
  std::vector<bool> loaderShown;
  std::string status;
  std::vector<std::string> statuses;  // every status text set, in order
  long progressValue{}, progressMaximum{};
  long eventsProcessed{};

  // Texts of the messages shown, for compact assertions.
  std::vector<std::string> texts() const;
};

}  // namespace vqb::test
