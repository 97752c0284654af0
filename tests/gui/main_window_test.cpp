// The main window over a small demo, with the scripted UserInterface answering the boxes.

#include "gui/main_window.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QToolBar>

#include "gui/work_list_model.h"
#include "main_window/main_window_logic.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/demo_fixture.h"
#include "support/gui_test.h"

using vqb::gui::MainWindow;

namespace {

QString counts(const MainWindow& window) {
  return window.findChild<QLabel*>("lblCounts")->text();
}

// What a popped-up menu showed: captions ("-" for a separator), "*" after checked ones.
QStringList describe(const QMenu& menu) {
  QStringList items;
  for (const QAction* action : menu.actions())
    items << (action->isSeparator()
                  ? QStringLiteral("-")
                  : action->text() + (action->isChecked() ? QStringLiteral("*") : QString()));
  return items;
}

// The main window on a small demo, loaded and showing a list when one is named.
struct Opened {
  explicit Opened(const char* list = nullptr) {
    window.formLoad();
    if (list) window.runMenuKey(list);
  }
  vqb::test::DemoFixture fx;
  MainWindow window{fx.app};
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void invoiceListFillsTheGrid() {
    Opened opened;
    auto& [fx, window] = opened;
    QCOMPARE(window.findChild<QLabel*>("lblTitle")->text(),
             QString("Vantora QuickBooks Integrator"));
    QCOMPARE(counts(window), QString());

    // Rows, headers, title and comment come from the logic's state (tested in work_lists).
    window.runMenuKey("mnuSendCustomerInvoices");
    const auto* model = window.model();
    auto& state = window.logic().state;
    const int pending = static_cast<int>(state.grid.rows.size());
    QVERIFY(pending > 0);
    QCOMPARE(model->rowCount(), pending);
    QCOMPARE(model->columnCount(), static_cast<int>(state.grid.headers.size()));
    for (int column = 0; column < model->columnCount(); ++column)
      QCOMPARE(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(),
               state.grid.headers[static_cast<std::size_t>(column)]);
    QCOMPARE(model->data(model->index(0, 7), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(!model->data(model->index(0, 1), Qt::CheckStateRole).isValid());
    QCOMPARE(counts(window), QString("%1 records, 0 ticked").arg(pending));
    QCOMPARE(window.findChild<QLabel*>("lblTitle")->text(), QString("Sending Customer Invoices"));
    QCOMPARE(window.findChild<QLabel*>("lblComment")->text().toStdString(), state.comment);
    QVERIFY(window.grid()->isVisibleTo(&window));
    QVERIFY(fx.ui.messages.empty());

    // Hidden rows follow the list at each change, both ways.
    for (const bool hidden : {true, false}) {
      state.grid.rows[1].hidden = hidden;
      state.changed();
      window.redraw();
      QCOMPARE(window.grid()->isRowHidden(1), hidden);
      QVERIFY(!window.grid()->isRowHidden(0));
      QCOMPARE(counts(window), hidden ? QString("%1 records (1 hidden), 0 ticked").arg(pending)
                                      : QString("%1 records, 0 ticked").arg(pending));
    }
  }

  void theRowUnderWayIsSelectedAndScrolledIntoView() {
    Opened opened("mnuSendCustomerInvoices");
    MainWindow& window = opened.window;
    window.resize(700, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTableView* grid = window.grid();
    const int last = window.model()->rowCount() - 1;
    QCOMPARE(grid->rowAt(0), 0);

    auto& state = window.logic().state;
    state.grid.currentRow = last;
    state.changed();
    window.redraw();
    const QModelIndexList selected = grid->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.front().row(), last);
    QVERIFY(grid->rowAt(0) > 0);
    QVERIFY(grid->viewport()->rect().contains(
        grid->visualRect(window.model()->index(last, 0)).center()));
  }

  void ticksOnlyInTheTickColumn() {
    Opened opened("mnuSendCustomerInvoices");
    MainWindow& window = opened.window;
    auto* model = window.model();
    const auto& rows = window.logic().state.grid.rows;
    const int records = model->rowCount();

    QVERIFY(model->flags(model->index(0, 7)) & Qt::ItemIsUserCheckable);
    for (int column : {0, 1, 2, 6, 8, 9}) {
      QVERIFY(!(model->flags(model->index(0, column)) & Qt::ItemIsUserCheckable));
      QVERIFY(!(model->flags(model->index(0, column)) & Qt::ItemIsEditable));
      QVERIFY(!model->setData(model->index(0, column), Qt::Checked, Qt::CheckStateRole));
    }
    QVERIFY(!model->setData(model->index(0, 1), "Someone else", Qt::EditRole));
    QCOMPARE(rows[0].cells[1],
             model->data(model->index(0, 1), Qt::DisplayRole).toString().toStdString());
    QVERIFY(!rows[0].ticked);

    QVERIFY(model->setData(model->index(0, 7), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(rows[0].ticked);
    QCOMPARE(counts(window), QString("%1 records, 1 ticked").arg(records));

    // A click anywhere in the tick cell toggles it.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect cell = window.grid()->visualRect(model->index(1, 7));
    QTest::mouseClick(window.grid()->viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(3, 3));
    QVERIFY(rows[1].ticked);
    QCOMPARE(counts(window), QString("%1 records, 2 ticked").arg(records));

    // While a loop runs the ticks stay as they are.
    window.logic().imBusy(true);
    QVERIFY(!model->setData(model->index(2, 7), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(!rows[2].ticked);
    window.logic().imBusy(false);
  }

  // Which buttons a busy loop leaves is the logic's (BusyLeavesOnlyCancel); here the
  // toolbars follow it and Cancel and closing reach it.
  void cancelStaysUsableWhileBusy() {
    Opened opened;
    MainWindow& window = opened.window;
    window.show();
    auto& logic = window.logic();

    logic.imBusy(true);
    window.redraw();
    for (QAction* action : window.toolbar1()->actions())
      QVERIFY2(!action->isEnabled(), qPrintable(action->text()));
    QStringList usable;
    for (QAction* action : window.toolbar2()->actions())
      if (!action->isSeparator() && action->isEnabled()) usable << action->text();
    QCOMPARE(usable, QStringList{"Cancel"});
    window.button(2, "Cancel")->trigger();
    QVERIFY(logic.state.cancelRequested);

    // Closing while busy only asks the loop to stop.
    logic.state.cancelRequested = false;
    window.close();
    QVERIFY(window.isVisible());
    QVERIFY(logic.state.cancelRequested);

    logic.imBusy(false);
    window.redraw();
    for (QAction* action : window.toolbar1()->actions()) QVERIFY(action->isEnabled());
    for (QAction* action : window.toolbar2()->actions()) QVERIFY(action->isEnabled());

    window.button(1, "Exit")->trigger();
    QVERIFY(!window.isVisible());
  }

  // The menus' items and the filters' effect are the logic's (ToolbarMenusOpen...,
  // FilterMenuShowsSavedStates...); here they are drawn and a choice reaches the logic.
  void menusPopUpWithTheLogicsItems() {
    Opened opened;
    auto& [fx, window] = opened;
    QStringList seen;
    QString choose;
    window.menuRunner = [&](QMenu& menu, const QPoint& at) -> QAction* {
      seen = describe(menu);
      return vqb::test::pick(choose)(menu, at);
    };

    choose = "Online Manual";
    window.button(1, "Help")->trigger();
    QCOMPARE(seen, QStringList({"About", "Online Manual", "-", "Work In Tech Support Mode",
                                "Undo a Send..."}));
    QCOMPARE(fx.ui.urlsOpened, std::vector<std::string>{window.logic().manualUrl()});
    choose = "Undo a Send...";
    window.button(1, "Help")->trigger();
    QCOMPARE(fx.ui.texts().back(), std::string("There are no send runs to undo."));

    // Check marks follow the filter keys; the item number counts the separators.
    window.runMenuKey("mnuSendCustomerInvoices");
    const int pending = window.model()->rowCount();
    choose = "Show if exported";
    window.button(2, "Filter")->trigger();
    QCOMPARE(seen.mid(0, 6), QStringList({"Show Invoices*", "Show Work Orders", "-",
                                          "Show if exported", "Show if NOT exported*", "-"}));
    const int all = window.model()->rowCount();
    QVERIFY(all > pending);

    // Sent rows stand out in the colour the grid gives to 255.
    const auto& rows = window.logic().state.grid.rows;
    int sent = 0;
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
      const QVariant fore = window.model()->data(window.model()->index(row, 1), Qt::ForegroundRole);
      if (rows[static_cast<std::size_t>(row)].foreColour == vqb::kSentRowColour) {
        ++sent;
        QCOMPARE(fore.value<QColor>(), vqb::gui::grid_colour(vqb::kSentRowColour, false));
      } else {
        QVERIFY(!fore.isValid());
      }
    }
    QCOMPARE(sent, all - pending);

    // Dismissing a menu does nothing.
    choose.clear();
    window.button(2, "Select")->trigger();
    QCOMPARE(seen, QStringList({"Select All", "Deselect All"}));
    QCOMPARE(counts(window), QString("%1 records, 0 ticked").arg(all));
    choose = "Select All";
    window.button(2, "Select")->trigger();
    QCOMPARE(counts(window), QString("%1 records, %1 ticked").arg(all));
  }

  // Import > Customers lists the QuickBooks customers; a ticked one is imported with Run (the
  // rows it writes: RunOnGetCustomersImportsTheTickedNewCustomer).
  void importMenuListsAndRunImports() {
    Opened opened;
    auto& [fx, window] = opened;
    vqb::qb::sim::SimulatedCompany(fx.demo.companyFile).addCustomer("Hatch & <Sons>");
    window.menuRunner = vqb::test::pick("Customers");
    window.button(1, "Import")->trigger();
    auto* model = window.model();
    QCOMPARE(model->rowCount(), static_cast<int>(window.logic().state.grid.rows.size()));
    int row = 0;
    while (row < model->rowCount() && model->index(row, 0).data().toString() != "Hatch & <Sons>")
      ++row;
    QVERIFY(row < model->rowCount());
    QVERIFY(model->setData(model->index(row, 9), Qt::Checked, Qt::CheckStateRole));

    fx.ui.answers = {vqb::Answer::No};  // no opening balances
    window.button(2, "Run")->trigger();
    QCOMPARE(model->index(row, 10).data().toString(), QString("Sent"));
  }

  void doubleClickShowsTheComment() {
    Opened opened("mnuSendCustomers");
    auto& [fx, window] = opened;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QModelIndex comment = window.model()->index(0, 3);
    const QString text = comment.data().toString();
    QVERIFY(!text.isEmpty());
    const QPoint at = window.grid()->visualRect(comment).center();
    QTest::mousePress(window.grid()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(window.grid()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window.grid()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(fx.ui.texts(), std::vector<std::string>{text.toStdString()});
  }

  void columnWidthsAndGeometryAreRemembered() {
    vqb::test::DemoFixture fx;
    {
      MainWindow window(fx.app);
      QVERIFY(!window.hasSavedGeometry());
      window.formLoad();
      window.runMenuKey("mnuSendCustomerInvoices");
      window.show();
      window.resize(1111, 700);
      window.grid()->setColumnWidth(1, 222);
      window.close();
    }
    MainWindow window(fx.app);
    QVERIFY(window.hasSavedGeometry());
    QCOMPARE(window.size().width(), 1111);
    window.formLoad();
    window.runMenuKey("mnuSendCustomerInvoices");
    QCOMPARE(window.grid()->columnWidth(1), 222);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
