// The customer and vendor validation windows: the choice reaches the slots, a missing choice
// or name is refused with its message, and validate_customerQB opens the window through QtUi.

#include "gui/validation_window.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "app/module1.h"
#include "gui/qt_ui.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/sim_fixture.h"

using vqb::gui::ValidationWindow;

namespace {

const std::string kMessage =
    "There is no customer called Gone & <Co> in QuickBooks. \r\nPlease select one of the following "
    "options.";

template <class W>
W* child(QWidget& window, const char* name) {
  auto* found = window.findChild<W*>(name);
  if (!found) qFatal("no widget %s", name);
  return found;
}

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
    QCOMPARE(child<QLabel>(window, "lblHeader")->text().toStdString(),
             "Customer Validation: " + kMessage);
    QCOMPARE(child<QRadioButton>(window, "optNew")->text(),
             QString("Create a new customer in QuickBooks"));

    child<QPushButton>(window, "cmdUpdate")->click();
    QCOMPARE(setup.f.ui.messages.size(), std::size_t{1});
    QCOMPARE(setup.f.ui.messages[0].text,
             std::string("Please select at least on of the options above."));
    QCOMPARE(setup.f.ui.messages[0].title, std::string("Error"));
    child<QRadioButton>(window, "optLink")->setChecked(true);
    child<QPushButton>(window, "cmdUpdate")->click();
    QCOMPARE(
        setup.f.ui.messages.back().text,
        std::string("Please enter a existing 'QuickBooks Customer Name' to link to this account."));
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(setup.f.app.sharedSlots[1], std::string("old"));  // nothing answered yet

    child<QPushButton>(window, "cmdCancel")->click();
    QCOMPARE(setup.f.app.sharedSlots[1], std::string());
  }

  void vendorWindowCreatesOnUpdate() {
    Setup setup;
    ValidationWindow window(setup.f.app, true, "There is no vendor called X in QuickBooks.");
    QCOMPARE(window.objectName(), QString("frmVendorV"));
    QCOMPARE(child<QRadioButton>(window, "optNew")->text(),
             QString("Create a new vendor in QuickBooks"));
    child<QRadioButton>(window, "optNew")->setChecked(true);
    child<QPushButton>(window, "cmdUpdate")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(setup.f.app.sharedSlots[1], std::string("1"));
  }

  // The check of a transaction's customer asks through the interface; typing a QuickBooks
  // name links the Vantora customer to it.
  void validateCustomerLinksThroughTheWindow() {
    Setup setup;
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* window = qobject_cast<ValidationWindow*>(QApplication::activeModalWidget());
      QVERIFY(window);
      seen = true;
      QCOMPARE(child<QLabel>(*window, "lblHeader")->text().toStdString(),
               "Customer Validation: " + kMessage);
      QTest::keyClicks(child<QLineEdit>(*window, "txtLink"), "O'Brien & Sons <West>");
      QVERIFY(child<QRadioButton>(*window, "optLink")->isChecked());
      child<QPushButton>(*window, "cmdUpdate")->click();
    });
    QVERIFY(vqb::read_data(setup.f.app, "Select * from customers where link = 11", false));
    vqb::RecordDoc customer = setup.f.app.scratch.Clone();
    customer.MoveToRoot();
    customer.MoveToFirstChild();
    QVERIFY(vqb::validate_customerQB(setup.ctx, customer, nullptr));
    QVERIFY(seen);
    QCOMPARE(customer.GetChildContent("qbaccountnumber"), std::string("O'Brien & Sons <West>"));
    auto rows = setup.f.db()->queryAll("SELECT QBAccountNumber FROM Customers WHERE Link = 11");
    QCOMPARE(rows.rows.at(0).at(0).value_or(""), std::string("O'Brien & Sons <West>"));
  }
};

QTEST_MAIN(ValidationWindowTest)
#include "validation_window_test.moc"
