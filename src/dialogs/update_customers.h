#pragma once
// The update-customers tool frmUpdateCustomers without its widgets: the Vantora customers
// linked to QuickBooks, each ticked, and the contact fields chosen by the option boxes
// copied onto the matching QuickBooks customers. The Qt window draws this state and forwards
// the user's clicks here; vqb-cli drives it the same way.

#include <cstdint>
#include <functional>
#include <string>

#include "app/app.h"
#include "app/work_list.h"
#include "quickbooks/component_set.h"

namespace vqb {

// Row colours after an update (0xBBGGRR).
inline constexpr long kUpdatedRowColour = 65280;  // green
inline constexpr long kFailedRowColour = 255;     // red

// Grid columns: 0 "Company Name", 1 "Phone", 2 "Email", 3 "Group" (the QuickBooks customer
// type of the customer's group, "" when none), 4 "Link", 5 "Select" (the tick), 6
// "QBAccountNumber" (the QuickBooks name), 7 "Fax", 8 "Comment" (what the last run did with
// the row: "Updated", with a sentence per field cut to QuickBooks' length, or why it failed).
namespace update_columns {
inline constexpr std::size_t kCompany = 0, kPhone = 1, kEmail = 2, kGroup = 3, kLink = 4,
                             kSelect = 5, kQbName = 6, kFax = 7, kComment = 8;
}
inline constexpr const char* kCustomerUpdated = "Updated";

inline constexpr const char* kNoUpdateOption =
    "You need to select at least one option from the check boxes above";

class UpdateCustomersLogic {
 public:
  // `components` gives the QuickBooks components; it is called only when a customer is
  // updated and may throw (QuickBooks not reachable: that row fails).
  UpdateCustomersLogic(App& app, std::function<qb::ComponentSet&()> components);

  App& app;
  WorkList grid;  // fg1; a row's colour is its backColour
  // The option boxes: company name, phone, email, fax, group.
  bool chkC{false}, chkP{false}, chkE{false}, chkF{false}, chkG{false};
  bool cancelRequested{false};
  bool busy{false};  // a run is going on: only Cancel is usable
  std::string status;
  long progress{0}, progressMaximum{0};
  // Raised on every change the window should redraw.
  std::uint64_t version{0};
  // Runs before pending events are let through during a run, so the window can redraw.
  std::function<void()> redraw;

  // Window events.
  void Form_Load();  // load_customers; errors go to the common error report
  // "Run", "Cancel" and "Select".
  void TB2_ButtonClick(const std::string& caption);

  // Fills the grid with every Vantora customer that has a QuickBooks name, ordered by
  // description, each ticked.
  void load_customers();
  // Updates each ticked row in QuickBooks, colouring it green when QuickBooks took the
  // change and red when not; stops before the next row once Cancel is pressed.
  void upd_customers();
  // Loads the QuickBooks customer named by the row and sets the ticked fields from it
  // (the group only when the row has one; texts cut to QuickBooks' lengths), then updates it.
  // Writes the row's comment. False on any error.
  bool update_customer(std::size_t row);

 private:
  void changed() { ++version; }
  void setStatus(std::string text);
  void setProgress(long value, long maximum);

  std::function<qb::ComponentSet&()> components_;
  bool selectAll_{false};  // what the next "Select" does: every row is ticked at load
};

}  // namespace vqb
