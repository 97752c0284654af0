#pragma once
// The assign dialog ("QB Assign") without its widgets. A mapping check fills SharedSlots
// (1 title, 2 message, 3 mode, 5 mode parameter, 400/401 class creation) and shows the dialog;
// the dialog offers one list, or a text box for QuickBooks item names, and puts the chosen
// value into slot 0. Closing any other way leaves slot 0 as the caller set it ("" = cancelled).
// The dialog writes nothing to Vantora; its only QuickBooks write is creating a class.
//
// How a view drives it:
//   AssignDialogLogic logic(app, components);
//   logic.Form_Load();    // reads the slots: title(), message(), mode(), dropDownOffset()
//   ... paint, then ...
//   logic.fill_me();      // rows(), columns(), selectedRow(), updateIsDefault(), focus(),
//                         // dropDownVisible() / textBoxVisible(), createButtonVisible()
//   user picks a row      -> selectRow(i); user types -> setText(t)
//   Update                -> cmdUpdate_Click(); Create -> cmdCreate_Click(); Cancel -> cancel()
//   after each click: closed() says whether to close; otherwise focus() says where focus goes.
// Messages (an empty selection, a class without a name, errors) go through app.ui.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "quickbooks/component_set.h"

namespace vqb {

// One column of the drop-down: its position in a row, width in twips (0 = hidden),
// alignment ("<" left) and heading.
struct AssignColumn {
  int index{};
  int width{};
  std::string alignment;
  std::string caption;
  bool operator==(const AssignColumn&) const = default;
};

// "0;2000;<;Description|1;0;<;Link" as columns.
std::vector<AssignColumn> parse_column_layout(std::string_view layout);

class AssignDialogLogic {
 public:
  using Row = std::vector<std::string>;
  enum class Focus { None, DropDown, TextBox };

  // Twips between the drop-down's bottom and the create button's top.
  static constexpr int kCreateButtonGap = 30;

  // `components` gives the QuickBooks components used to create a class; it is called only
  // then (it may throw, for example when QuickBooks is not reachable).
  AssignDialogLogic(App& app, std::function<qb::ComponentSet&()> components);
  AssignDialogLogic(App& app, qb::ComponentSet& components);

  // Width of the drop-down in twips; the "QuickBooks Tax Code" layout uses it for its one
  // visible column. Set by the view before fill_me.
  int dropDownWidth{4800};

  // Reads title, message and mode from slots 1, 2 and 3 and works out how far the drop-down
  // sits below the message.
  void Form_Load();
  // Fills the list of the mode (or shows the text box); one row only: it is selected and
  // Update becomes the default button; otherwise the drop-down takes the focus.
  void fill_me();

  // Lines the message takes: 1, plus one per carriage return, plus one per run of 80
  // characters without one. The drop-down moves down by lines x 180 + 150 twips.
  static int message_lines(std::string_view message);
  // Where a window of `size` starts when centred over another at `start` of `outerSize`.
  static int centred(int start, int outerSize, int size) { return start + (outerSize - size) / 2; }

  const std::string& title() const { return title_; }
  const std::string& message() const { return message_; }
  const std::string& mode() const { return mode_; }
  int dropDownOffset() const { return dropDownOffset_; }

  // The drop-down: rows of column texts, the layout and the column whose text is returned.
  const std::vector<Row>& rows() const { return rows_; }
  const std::string& columnLayout() const { return layout_; }
  const std::vector<AssignColumn>& columns() const { return columns_; }
  int valueColumn() const { return valueColumn_; }
  int selectedRow() const { return selected_; }
  // -1 clears the selection; a row outside the list is ignored.
  void selectRow(int row);

  bool dropDownVisible() const { return dropDownVisible_; }
  bool textBoxVisible() const { return textBoxVisible_; }
  const std::string& text() const { return text_; }
  void setText(std::string text) { text_ = std::move(text); }

  bool createButtonVisible() const { return createVisible_; }
  const std::string& createButtonCaption() const { return createCaption_; }
  bool updateIsDefault() const { return updateDefault_; }
  Focus focus() const { return focus_; }
  bool closed() const { return closed_; }

  // The selected row's value (or the typed text) into slot 0 and close; with nothing chosen
  // an "Error" box and the dialog stays open. True when the dialog closed.
  bool cmdUpdate_Click();
  // Class mode with the create button shown: creates class slot 401 in QuickBooks, puts its
  // name into slot 0 and closes. With slot 401 empty, or when QuickBooks refuses (reported as
  // the common error report), the dialog stays open. True when the dialog closed.
  bool cmdCreate_Click();
  // Closes without touching slot 0.
  void cancel() { closed_ = true; }

 private:
  // Fills the drop-down from the children of `source` that `keep` accepts.
  template <class Keep, class Columns>
  void fill_list(RecordDoc& source, std::string_view layout, int valueColumn, Keep&& keep,
                 Columns&& columns);
  void fill_class();
  void fill_free_text();

  App& app_;
  std::function<qb::ComponentSet&()> components_;

  std::string title_, message_, mode_;
  int dropDownOffset_{0};
  std::vector<Row> rows_;
  std::string layout_;
  std::vector<AssignColumn> columns_;
  int valueColumn_{0};
  int selected_{-1};
  bool dropDownVisible_{true};
  bool textBoxVisible_{false};
  std::string text_;
  bool createVisible_{false};
  std::string createCaption_{"Create"};
  bool updateDefault_{false};
  Focus focus_{Focus::None};
  bool closed_{false};
};

}  // namespace vqb
