// The preferences window, the about box and the password dialog drawn offscreen: they open
// on the requested tab, forward clicks to their logic and save through it.

#include "gui/preferences_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "app/setup_file.h"
#include "dialogs/preferences.h"
#include "gui/about_window.h"
#include "gui/password_window.h"
#include "support/fake_ui.h"
#include "support/gui_test.h"
#include "support/temp_dir.h"

using vqb::gui::PreferencesWindow;
using vqb::test::widget;

namespace {

struct Setup {
  Setup() {
    app.globalfolder = dir.path().string() + "/";
    vqb::load_setup_document(app);
    app.qbAccounts.SetTag("Accounts");
    app.qbAccounts.AddChild("AccName", "Receivable");
    app.qbAccounts.MoveToLastChild();
    app.qbAccounts.AddChild("fname", "Accounts Receivable:Receivable");
    app.qbAccounts.MoveToRoot();
  }
  std::string stored(const std::string& key) {
    vqb::RecordDoc doc;
    if (!doc.LoadXmlFile(vqb::setup_file_path(app))) return "(no file)";
    return doc.GetChildContent(key);
  }
  vqb::test::TempDir dir;
  vqb::test::FakeUi ui;
  vqb::App app{ui};
};

}  // namespace

class PreferencesWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void opensOnTheRequestedTab() {
    Setup setup;
    const std::vector<std::pair<std::string, int>> cases = {
        {"", 0}, {"General", 0}, {"Payments", 1}, {"Invoices", 2}, {"Purchase Orders", 3}};
    for (const auto& [tab, index] : cases) {
      PreferencesWindow window(setup.app, tab);
      QCOMPARE(window.tabs()->currentIndex(), index);
    }
    PreferencesWindow window(setup.app, "");
    QCOMPARE(window.tabs()->count(), 4);
    QCOMPARE(window.tabs()->tabText(3), QString("Purchase Orders"));
    QCOMPARE(widget<QCheckBox>(window, "chkPOSupplierRef")->text(),
             QString("Use the supplier reference as the PO number"));
    QCOMPARE(widget<QCheckBox>(window, "chkAddress")->text(),
             QString("Put the customer name on the first line of the billing address"));
  }

  // The rules themselves are the logic's (InvoicePrefixRules, SelectingAnOptionClearsOnlyItsGroup,
  // SaveWritesEveryControlAndKeepsOtherKeys); here clicks and typing reach it and it saves.
  void clicksFollowTheEnableRulesAndSave() {
    Setup setup;
    vqb::save_setup_value(setup.app, "chkinvoiceprefix", "1");
    vqb::save_setup_value(setup.app, "optmemo1", "True");
    PreferencesWindow window(setup.app, "Invoices");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(widget<QCheckBox>(window, "chkInvoicePrefix")->isChecked());
    QVERIFY(widget<QRadioButton>(window, "optMemo1")->isChecked());
    QVERIFY(widget<QRadioButton>(window, "optInvPrefix2")->isEnabled());
    QVERIFY(!widget<QLineEdit>(window, "txtInvPrefix")->isEnabled());
    QCOMPARE(widget<QComboBox>(window, "cmbAR")->currentText(), QString());

    QTest::mouseClick(widget<QRadioButton>(window, "optInvPrefix2"), Qt::LeftButton);
    QVERIFY(widget<QLineEdit>(window, "txtInvPrefix")->isEnabled());
    QTest::keyClicks(widget<QLineEdit>(window, "txtInvPrefix"), "VT");
    QTest::mouseClick(widget<QRadioButton>(window, "optMemo3"), Qt::LeftButton);
    QVERIFY(!widget<QRadioButton>(window, "optMemo1")->isChecked());
    // Clicking a selected option keeps it selected.
    QTest::mouseClick(widget<QRadioButton>(window, "optMemo3"), Qt::LeftButton);
    QVERIFY(widget<QRadioButton>(window, "optMemo3")->isChecked());
    widget<QComboBox>(window, "cmbAR")->setCurrentIndex(0);

    window.tabs()->setCurrentIndex(3);
    widget<QCheckBox>(window, "chkPOSupplierRef")->click();

    QTest::mouseClick(widget<QPushButton>(window, "cmdUpdate"), Qt::LeftButton);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!window.isVisible());
    QCOMPARE(setup.stored("txtinvprefix"), std::string("VT"));
    QCOMPARE(setup.stored("optinvprefix2"), std::string("True"));
    QCOMPARE(setup.stored("optmemo1"), std::string("False"));
    QCOMPARE(setup.stored("optmemo3"), std::string("True"));
    QCOMPARE(setup.stored("chkposupplierref"), std::string("1"));
    QCOMPARE(setup.stored("cmbar"), std::string("Accounts Receivable:Receivable"));
  }

  void unknownAccountKeepsTheWindowOpenOnInvoices() {
    Setup setup;
    PreferencesWindow window(setup.app, "General");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    widget<QComboBox>(window, "cmbAR")->setEditText("Receivable");
    widget<QPushButton>(window, "cmdUpdate")->click();
    QVERIFY(window.isVisible());
    QCOMPARE(window.tabs()->currentIndex(), 2);
    QCOMPARE(setup.ui.texts(),
             std::vector<std::string>{"Please select valid AR account or leave blank."});

    widget<QPushButton>(window, "cmdCancel")->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(!std::filesystem::exists(vqb::setup_file_path(setup.app)));
  }

  void showModalSavesThroughTheWindow() {
    Setup setup;
    QVERIFY(vqb::test::answer_modal<PreferencesWindow>(
        [&] { PreferencesWindow::showModal(setup.app, nullptr, "Payments"); },
        [](PreferencesWindow& window) {
          QCOMPARE(window.tabs()->currentIndex(), 1);
          widget<QCheckBox>(window, "chkDupPayments")->click();
          QVERIFY(widget<QCheckBox>(window, "chkMarkDupPayments")->isEnabled());
          widget<QPushButton>(window, "cmdUpdate")->click();
        }));
    QCOMPARE(setup.stored("chkduppayments"), std::string("1"));
    QCOMPARE(setup.stored("chkmarkduppayments"), std::string("0"));
  }

  void aboutAndPasswordDialogs() {
    Setup setup;
    vqb::gui::AboutWindow about;
    QCOMPARE(widget<QLabel>(about, "lblVersion")->text(), QString("Version 0"));

    setup.app.maintenanceUnlocked = true;
    vqb::gui::PasswordWindow password(setup.app);
    QVERIFY(!setup.app.maintenanceUnlocked);
    password.show();
    QVERIFY(QTest::qWaitForWindowExposed(&password));
    QTest::keyClicks(widget<QLineEdit>(password, "txtPassword"), "TRELVOK42");
    widget<QPushButton>(password, "cmdOK")->click();
    QVERIFY(password.isVisible());
    QCOMPARE(setup.ui.texts(), std::vector<std::string>{"Wrong Password"});
    widget<QLineEdit>(password, "txtPassword")->setText("trelvok42");
    widget<QPushButton>(password, "cmdOK")->click();
    QCOMPARE(password.result(), int(QDialog::Accepted));
    QVERIFY(setup.app.maintenanceUnlocked);
  }
};

QTEST_MAIN(PreferencesWindowTest)
#include "preferences_window_test.moc"
