#pragma once
// The state of the main window that the core keeps and the window draws: the work list
// and what only the window itself shows.

#include <string>

#include "app/work_list.h"

namespace vqb {

struct MainWindowState : WorkState {
  bool welcomeVisible{true};  // Pic1
  std::string panelTitle;     // the welcome panel's title
  bool toolbar1Enabled{true};
  bool toolbar2Enabled{true};
};

}  // namespace vqb
