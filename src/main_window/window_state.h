#pragma once
// The state of the main window that the core keeps and the window draws.

#include <cstdint>
#include <string>

#include "main_window/work_list.h"

namespace vqb {

struct MainWindowState {
  WorkList grid;            // fg1
  std::string currentList;  // "Send Customers", ..., or "" when the grid is empty
  bool cancelRequested{false};

  // Mapping switches read from the setup document by load_setup.
  bool useReps{true}, useSalesTax{true}, useClass{true}, useCustomerTerms{true},
      useCustomerGroups{true};

  // Set by customer_exist: the QuickBooks customer's default sales rep and the name looked up.
  std::string qbCustomerRep;
  std::string qbCustomerName;

  // What the window shows.
  bool welcomeVisible{true};  // Pic1
  std::string panelTitle;     // the welcome panel's title
  std::string comment;        // lblComment
  bool toolbar1Enabled{true};
  bool toolbar2Enabled{true};
  bool busy{false};  // only Cancel usable

  // Raised on every change the window should redraw; the view compares it with the last
  // value it drew.
  std::uint64_t version{0};
  void changed() { ++version; }
};

}  // namespace vqb
