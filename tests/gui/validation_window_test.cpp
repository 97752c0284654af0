// The customer and vendor validation windows: the choice reaches the slots, a missing choice
// or name is refused with its message, and validate_customerQB opens the window through QtUi.

#include "gui/validation_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/module1.h"
#include "gui/qt_ui.h"
#include "mapping/party_check.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/gui_test.h"
#include "support/sim_fixture.h"

using vqb::gui::ValidationWindow;
using vqb::test::widget;

namespace {

const std::string kMessage =
    "There is no customer called Gone & <Co> in QuickBooks. \r\nPlease select one of the following "
    "options.";

// A Vantora database and a simulated company; windows are opened by QtUi.
struct Setup : vqb::test::SimCompanyFixture {
  Setup() {
    qt.setApp(&f.app);
    f.ui.onDialog = [this](vqb::DialogKind kind, const std::string& parameter) {
      qt.showDialog(kind, parameter);
    };
    company.addCustomer("O'Brien & Sons <West>");
    f.db()->execute(
        "INSERT INTO Customers (Link, Description, QBAccountNumber) VALUES (11, 'Obrien', 'Gone & "
        "<Co>')");
  }
  vqb::gui::QtUi qt;
};

}  // namespace

class ValidationWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void missingChoiceOrNameIsRefused() {
    Setup setup;
    setup.f.app.sharedSlots[1] = "old";
    ValidationWindow window(setup.f.app, false, kMessage);
    QCOMPARE(window.objectName(), QString("frmCustomerV"));
    QCOMPARE(widget<QLabel>(window, "lblHeader")->text().toStdString(),
             "Customer Validation: " + kMessage);
    QCOMPARE(widget<QRadioButton>(window, "optNew")->text(),
             QString("Create a new customer in QuickBooks"));

    // The messages' titles are the logic's (DialogLogicChecksTheChoice).
    widget<QPushButton>(window, "cmdUpdate")->click();
    widget<QRadioButton>(window, "optLink")->setChecked(true);
    widget<QPushButton>(window, "cmdUpdate")->click();
    QCOMPARE(setup.f.ui.texts(),
             std::vector<std::string>(
                 {"Please select at least on of the options above.",
                  "Please enter a existing 'QuickBooks Customer Name' to link to this account."}));
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(setup.f.app.sharedSlots[1], std::string("old"));  // nothing answered yet

    widget<QPushButton>(window, "cmdCancel")->click();
    QCOMPARE(setup.f.app.sharedSlots[1], std::string());
  }

  void vendorWindowCreatesOnUpdate() {
    Setup setup;
    ValidationWindow window(setup.f.app, true, "There is no vendor called X in QuickBooks.");
    QCOMPARE(window.objectName(), QString("frmVendorV"));
    QCOMPARE(widget<QRadioButton>(window, "optNew")->text(),
             QString("Create a new vendor in QuickBooks"));
    widget<QRadioButton>(window, "optNew")->setChecked(true);
    widget<QPushButton>(window, "cmdUpdate")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(setup.f.app.sharedSlots[1], std::string("1"));
  }

  // The check of a transaction's customer asks through the interface; typing a QuickBooks
  // name links the Vantora customer to it (the row written: LinkRetriesUntilTheNameExists...).
  void validateCustomerLinksThroughTheWindow() {
    Setup setup;
    QVERIFY(vqb::read_data(setup.f.app, "Select * from customers where link = 11", false));
    vqb::RecordDoc customer = setup.f.app.scratch.Clone();
    customer.MoveToRoot();
    customer.MoveToFirstChild();
    QVERIFY(vqb::test::answer_modal<ValidationWindow>(
        [&] { QVERIFY(vqb::validate_customerQB(setup.ctx, customer, nullptr)); },
        [](ValidationWindow& window) {
          QCOMPARE(widget<QLabel>(window, "lblHeader")->text().toStdString(),
                   "Customer Validation: " + kMessage);
          QTest::keyClicks(widget<QLineEdit>(window, "txtLink"), "O'Brien & Sons <West>");
          QVERIFY(widget<QRadioButton>(window, "optLink")->isChecked());
          widget<QPushButton>(window, "cmdUpdate")->click();
        }));
    QCOMPARE(customer.GetChildContent("qbaccountnumber"), std::string("O'Brien & Sons <West>"));
  }
};

QTEST_MAIN(ValidationWindowTest)
#include "validation_window_test.moc"
