#pragma once
// A UserInterface for unattended runs (benchmarks, the fault rounds): answers every box
// with its default and shows nothing.

#include <string>

#include "app/user_interface.h"

namespace vqb {

class SilentUi : public UserInterface {
 public:
  Answer messageBox(const std::string&, Buttons buttons, Icon, const std::string&) override {
    ++messages;
    return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
  }
  std::string inputBox(const std::string&, const std::string&, const std::string&) override {
    return "";
  }
  void showDialog(DialogKind, const std::string&) override {}
  void openUrl(const std::string&) override {}
  void setStatus(const std::string&) override {}
  void setProgress(long, long) override {}
  void processEvents() override {}

  long messages{};  // boxes shown: a benchmark that shows one measured the wrong thing
};

}  // namespace vqb
