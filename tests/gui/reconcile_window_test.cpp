// The reconcile dialog: opened through QtUi, it offers the choice in the slots and gives back
// what was entered and ticked; Cancel confirms nothing.

#include "gui/reconcile_window.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/app.h"
#include "gui/qt_ui.h"
#include "support/fake_ui.h"
#include "support/gui_test.h"

using vqb::gui::ReconcileWindow;
using vqb::test::widget;

class ReconcileWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void theChoiceGoesBackThroughTheSlots() {
    vqb::test::FakeUi fake;
    vqb::App app(fake);
    vqb::gui::QtUi qt;
    qt.setApp(&app);
    struct Case {
      const char* button;
      const char* confirmed;
      const char* kinds;
    };
    for (const Case& c :
         {Case{"cmdOK", "1", "payments,pos"}, Case{"cmdCancel", "", "invoices,pos"}}) {
      app.sharedSlots[0] = "";
      app.sharedSlots[1] = "2026-01-01";
      app.sharedSlots[2] = "";
      app.sharedSlots[3] = "invoices,pos";
      QVERIFY(vqb::test::answer_modal<ReconcileWindow>(
          [&] { qt.showDialog(vqb::DialogKind::Reconcile, ""); },
          [&](ReconcileWindow& window) {
            QCOMPARE(window.windowTitle(), QString("Reconcile with QuickBooks"));
            QCOMPARE(widget<QLineEdit>(window, "txtFrom")->text(), QString("2026-01-01"));
            QVERIFY(widget<QCheckBox>(window, "chkinvoices")->isChecked());
            QVERIFY(!widget<QCheckBox>(window, "chkpayments")->isChecked());
            QVERIFY(widget<QCheckBox>(window, "chkpos")->isChecked());
            widget<QLineEdit>(window, "txtTo")->setText(" 2026-03-31 ");
            widget<QCheckBox>(window, "chkinvoices")->setChecked(false);
            widget<QCheckBox>(window, "chkpayments")->setChecked(true);
            widget<QPushButton>(window, c.button)->click();
          }));
      QCOMPARE(app.sharedSlots[0], std::string(c.confirmed));
      QCOMPARE(app.sharedSlots[3], std::string(c.kinds));
      if (*c.confirmed) QCOMPARE(app.sharedSlots[2], std::string("2026-03-31"));
    }
  }
};

QTEST_MAIN(ReconcileWindowTest)
#include "reconcile_window_test.moc"
