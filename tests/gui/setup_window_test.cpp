// The setup window drawn offscreen on the connected demo: it opens with every grid, a
// drop-down choice lands in its cell, Save runs the batch, and the caption names the
// customer group being exported.

#include "gui/setup_window.h"

#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <vector>

#include "support/connected_demo.h"

using vqb::SetupGridKind;
using vqb::gui::SetupWindow;

class SetupWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void opensChoosesAndSaves() {
    vqb::test::ConnectedDemoFixture demo;
    QVERIFY(demo.connected);
    SetupWindow window(demo.app, [&demo]() -> vqb::qb::Session& { return demo.logic->session(); });
    window.show();
    window.load();
    QCOMPARE(window.objectName(), QString("frmSetup"));

    QTableWidget* terms = window.table(SetupGridKind::Terms);
    QVERIFY(terms);
    const auto& grid = window.logic().grid(SetupGridKind::Terms);
    QCOMPARE(terms->rowCount(), static_cast<int>(grid.rows.size()));
    QCOMPARE(terms->item(0, 0)->text().toStdString(), grid.rows[0][0]);

    QComboBox* box = window.cellDropDown(SetupGridKind::Terms, 0, 1);
    QVERIFY(box);
    QCOMPARE(box->count(), static_cast<int>(grid.choices.size()) + 1);  // and the empty entry
    const int last = box->count() - 1;
    box->setCurrentIndex(last);
    emit box->activated(last);
    const std::string chosen = grid.choices.back()[0];
    QCOMPARE(window.logic().grid(SetupGridKind::Terms).rows[0][1], chosen);

    // The tax items' drop-down shows all four columns of an entry.
    QComboBox* tax = window.cellDropDown(SetupGridKind::TaxItems, 0, 1);
    QVERIFY(tax);
    QCOMPARE(tax->model()->columnCount(), 4);

    demo.ui.messages.clear();
    QTest::mouseClick(window.findChild<QPushButton*>("cmdUpdate"), Qt::LeftButton);
    QCOMPARE(demo.ui.texts(), std::vector<std::string>{"Setup saved"});
    QCOMPARE(demo.first("SELECT QuickBooks FROM terms WHERE link = " + grid.rows[0][2]), chosen);
  }

  // The window shows "Exporting " + the group while each group is exported.
  void showsTheGroupBeingExported() {
    vqb::test::ConnectedDemoFixture demo;
    QVERIFY(demo.connected);
    demo.run(
        "INSERT INTO CustIndustry (Link, Description, QuickBooks) VALUES (9001, 'Pat''s "
        "Trade', '')");
    SetupWindow window(demo.app, [&demo]() -> vqb::qb::Session& { return demo.logic->session(); });
    window.show();
    window.load();
    window.logic().refresh_customerGroups();
    std::vector<QString> seen;
    demo.ui.onProcessEvents = [&] {
      if (seen.empty() || seen.back() != window.windowTitle()) seen.push_back(window.windowTitle());
    };
    window.logic().dMnu_ItemClick("mnuGroupExport3");
    demo.ui.onProcessEvents = nullptr;
    QVERIFY(std::find(seen.begin(), seen.end(), QString("Exporting Pat's Trade")) != seen.end());
    QCOMPARE(window.windowTitle(), QString("Setup"));
  }
};

QTEST_MAIN(SetupWindowTest)
#include "setup_window_test.moc"
