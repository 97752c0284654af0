// The update-customers window: opened through QtUi, it shows the tool's list, and its option
// boxes and toolbar drive a run whose colours reach the grid.

#include "gui/update_customers_window.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>

#include "gui/qt_ui.h"
#include "support/gui_test.h"
#include "support/sim_fixture.h"

using vqb::gui::UpdateCustomersWindow;
using vqb::test::widget;

namespace {

struct Setup : vqb::test::SimCompanyFixture {
  Setup() {
    qt.setApp(&f.app);
    qt.setComponents([this]() -> vqb::qb::ComponentSet& { return components; });
    company.addCustomer("Acme QB");
    auto db = f.db();
    db->execute(
        "INSERT INTO Customers (Link, Description, Tel, QBAccountNumber) VALUES (30, 'Acme', "
        "'555-0030', 'Acme QB')");
    db->execute(
        "INSERT INTO Customers (Link, Description, Tel, QBAccountNumber) VALUES (31, "
        "'Gone', '555-0031', 'Not In QB')");
  }
  vqb::gui::QtUi qt;
};

}  // namespace

class UpdateCustomersWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void runUpdatesTheTickedRowsAndColoursThem() {
    Setup setup;
    QVERIFY(vqb::test::answer_modal<UpdateCustomersWindow>(
        [&] { setup.qt.showDialog(vqb::DialogKind::UpdateCustomers, ""); },
        [](UpdateCustomersWindow& window) {
          QCOMPARE(window.objectName(), QString("frmUpdateCustomers"));
          auto* grid = widget<QTableWidget>(window, "fg1");
          QCOMPARE(grid->rowCount(), 2);
          QCOMPARE(grid->columnCount(), 9);
          QCOMPARE(grid->horizontalHeaderItem(6)->text(), QString("QBAccountNumber"));
          QCOMPARE(grid->item(0, 0)->text(), QString("Acme"));
          QCOMPARE(grid->item(1, 5)->checkState(), Qt::Checked);

          // Unticking a row in the grid leaves it out of the run.
          grid->item(1, 5)->setCheckState(Qt::Unchecked);
          QVERIFY(!window.logic().grid.rows[1].ticked);
          widget<QCheckBox>(window, "chkP")->setChecked(true);
          widget<QToolBar>(window, "TB2")->findChild<QAction*>("tb2Run")->trigger();

          QCOMPARE(widget<QLabel>(window, "lblStatus")->text(), QString("Updating 2 of 2"));
          QCOMPARE(grid->item(0, 1)->background().color(), QColor(0xD4, 0xF4, 0xD4));
          QCOMPARE(grid->item(1, 1)->background().style(), Qt::NoBrush);
          window.reject();
        }));
    QCOMPARE(setup.company.findByName(vqb::qb::sim::Kind::Customer, "Acme QB")->value("Phone"),
             std::string("555-0030"));
  }
};

QTEST_MAIN(UpdateCustomersWindowTest)
#include "update_customers_window_test.moc"
