// The parse-address dialog drawn offscreen: the boxes go to slots 201 to 207 with slot 0
// "1", a line that is too long is refused with its message and selected, and an address
// the parser cannot split reaches the window through QtUi and is answered from it.

#include "gui/parse_address_window.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/app.h"
#include "gui/qt_ui.h"
#include "support/fake_ui.h"
#include "support/gui_test.h"
#include "support/temp_dir.h"

using vqb::gui::ParseAddressWindow;

namespace {

const std::string kTooLong = "Attn: " + std::string(35, 'X');  // 41 characters
const std::string kAddress = kTooLong + "\r\n12 Main St\r\nSpringfield, IL 62704";

// Messages go to the scripted interface; windows are opened by QtUi.
struct Setup {
  Setup() {
    app.globalfolder = dir.path().string() + "/";
    app.parsedAddresses.SetTag("parsedAddresses");
    qt.setApp(&app);
    ui.onDialog = [this](vqb::DialogKind kind, const std::string& parameter) {
      qt.showDialog(kind, parameter);
    };
    auto& shared = app.sharedSlots;
    shared[0] = "";
    shared[200] = kAddress;
    for (int i = 201; i <= 207; ++i) shared[static_cast<std::size_t>(i)] = "old";
  }
  vqb::test::TempDir dir;
  vqb::test::FakeUi ui;
  vqb::App app{ui};
  vqb::gui::QtUi qt;
};

QPushButton* button(QWidget& window, const char* name) {
  return vqb::test::widget<QPushButton>(window, name);
}

}  // namespace

class ParseAddressWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void boxesGoToTheSlots() {
    Setup setup;
    ParseAddressWindow window(setup.app);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QString("Parse Address"));
    QCOMPARE(window.findChild<QLabel*>("lblTitle")->text(), QString("Cannot Parse Address"));
    QCOMPARE(window.findChild<QLabel*>("lbl7")->text(), QString("Zip / Postal Code (13 Char Max)"));
    QCOMPARE(window.addressText()->toPlainText(),
             QString::fromStdString(kTooLong) + "\n12 Main St\nSpringfield, IL 62704");
    QVERIFY(window.addressText()->isReadOnly());
    QVERIFY(window.addressText()->textInteractionFlags() & Qt::TextSelectableByMouse);
    const int limits[] = {40, 40, 40, 40, 30, 20, 13};
    for (int i = 0; i < 7; ++i) {
      QCOMPARE(window.box(i)->maxLength(), limits[i]);
      QCOMPARE(window.box(i)->text(), QString());
    }

    const char* typed[] = {"Attn: Receiving", "12 Main St", "", "", "Springfield", "IL", "62704"};
    for (int i = 0; i < 7; ++i) QTest::keyClicks(window.box(i), typed[i]);
    button(window, "cmdUpdate")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    const auto& shared = setup.app.sharedSlots;
    QCOMPARE(shared[0], std::string("1"));
    for (int i = 0; i < 7; ++i)
      QCOMPARE(shared[static_cast<std::size_t>(201 + i)], std::string(typed[i]));
    QVERIFY(setup.ui.messages.empty());
  }

  void tooLongLineIsRefusedAndSelected() {
    Setup setup;
    ParseAddressWindow window(setup.app);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // The box's limit normally stops a longer line; lift it to reach the check behind it.
    window.box(0)->setMaxLength(60);
    window.box(0)->setText(QString::fromStdString(kTooLong));
    window.box(4)->setText("Springfield");
    window.box(4)->setFocus();
    button(window, "cmdUpdate")->click();

    QVERIFY(window.isVisible());
    QCOMPARE(setup.ui.texts(),
             std::vector<std::string>{"Address Line 1 cannot be more than 40 Characters."});
    QVERIFY(window.box(0)->hasFocus());
    QCOMPARE(window.box(0)->selectedText(), QString::fromStdString(kTooLong));
    QCOMPARE(setup.app.sharedSlots[201], std::string("old"));

    button(window, "cmdCancel")->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(setup.app.sharedSlots[0], std::string());
  }

  // parse_address asks through the interface; QtUi opens this window and the answer fills
  // the address and the cache.
  void parseAddressOpensTheWindowThroughQtUi() {
    Setup setup;
    vqb::qb::Address address;
    QVERIFY(vqb::test::answer_modal<ParseAddressWindow>(
        [&] { QVERIFY(vqb::parse_address(setup.app, address, kAddress)); },
        [](ParseAddressWindow& window) {
          QCOMPARE(window.box(0)->text(), QString());
          const char* typed[] = {"Attn: Receiving", "12 Main St", "",     "",
                                 "Springfield",     "IL",         "62704"};
          for (int i = 0; i < 7; ++i) window.box(i)->setText(typed[i]);
          button(window, "cmdUpdate")->click();
        }));
    QCOMPARE(address.addr1, std::string("Attn: Receiving"));
    QCOMPARE(address.addr2, std::string("12 Main St"));
    QCOMPARE(address.addr3, std::string());
    QCOMPARE(address.city, std::string("Springfield"));
    QCOMPARE(address.state, std::string("IL"));
    QCOMPARE(address.postalCode, std::string("62704"));
    QCOMPARE(setup.ui.dialogs.size(), std::size_t{1});
  }
};

QTEST_MAIN(ParseAddressWindowTest)
#include "parse_address_window_test.moc"
