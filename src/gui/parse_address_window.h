#pragma once
// The dialog frmParseAddress: a view over ParseAddressLogic. A heading panel "Pic1", the
// address "txtMain" (read-only, selectable, so the user copies from it), the instruction
// "lblInstruction", the seven boxes "txt1" to "txt7" with their labels "lbl1" to "lbl7",
// and the buttons "cmdUpdate", "cmdCancel" and "cmdHelp".

#include <QDialog>
#include <array>
#include <string>

#include "export/parse_address.h"

class QLineEdit;
class QPlainTextEdit;

namespace vqb::gui {

class ParseAddressWindow : public QDialog {
  Q_OBJECT
 public:
  // Reads slot 200 (Form_Load) and empties the boxes.
  explicit ParseAddressWindow(App& app, QWidget* parent = nullptr);

  // Opens the dialog modally over `parent`; the answer is in slots 0 and 201 to 207 when it
  // returns.
  static void showModal(App& app, QWidget* parent, const std::string& parameter);

  ParseAddressLogic& logic() { return logic_; }
  QPlainTextEdit* addressText() const { return main_; }
  // Box 0 to 6: lines 1 to 4, city, state, postal code.
  QLineEdit* box(int index) const { return boxes_.at(static_cast<std::size_t>(index)); }

 public slots:
  void reject() override;  // Cancel, Escape and the close button

 private:
  void update();

  ParseAddressLogic logic_;
  QPlainTextEdit* main_{};
  std::array<QLineEdit*, 7> boxes_{};
};

}  // namespace vqb::gui
