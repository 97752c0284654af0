// The assign dialog drawn offscreen over a small demo whose lists the loader window loaded:
// the drop-down shows the mode's rows and columns, a choice goes into slot 0, Cancel leaves it
// empty, and QtUi opens the window with the main window's components.

#include "gui/assign_window.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <algorithm>

#include "gui/qt_ui.h"
#include "mapping/list_loader.h"
#include "quickbooks/session.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/demo_fixture.h"
#include "support/gui_test.h"

using vqb::gui::AssignWindow;
using vqb::test::widget;

namespace {

// The demo with its lists loaded, as after connecting.
struct LoadedDemo {
  LoadedDemo() {
    vqb::ListLoader loader(fx.app, [this]() -> vqb::qb::Session& { return session; });
    loader.Form_Load();
    if (!loader.pop_me()) qFatal("the demo lists did not load");
    fx.ui.messages.clear();
  }
  // Slots as a mapping check sets them before opening the dialog.
  void ask(const std::string& mode, const std::string& parameter = "") {
    auto& shared = fx.app.sharedSlots;
    shared[0] = "";
    shared[1] = "Tax Item";
    shared[2] = "The Vantora tax 'Special' has no QuickBooks tax item.\rPlease choose one.";
    shared[3] = mode;
    shared[5] = parameter;
  }
  std::function<vqb::qb::ComponentSet&()> componentsOf() {
    return [this]() -> vqb::qb::ComponentSet& { return components; };
  }

  vqb::test::DemoFixture fx;
  vqb::qb::sim::SimulatedCompany company{fx.demo.companyFile};
  vqb::qb::Session session{company};
  vqb::qb::ComponentSet components{session};
};

void show(QDialog& window) {
  window.show();
  QApplication::setActiveWindow(&window);
  QVERIFY(QTest::qWaitForWindowActive(&window));
}

}  // namespace

class AssignWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void rowsOfTheModeAndTheChosenValue() {
    LoadedDemo demo;
    demo.ask("Tax Item Vantora");
    AssignWindow window(demo.fx.app, demo.componentsOf());
    show(window);
    QCOMPARE(window.windowTitle(), QString("QB Assign"));
    QCOMPARE(widget<QLabel>(window, "lblTitle")->text(), QString("Tax Item"));
    QCOMPARE(widget<QLabel>(window, "lblMessage")->text(),
             QString("The Vantora tax 'Special' has no QuickBooks tax item.\nPlease choose one."));

    // Description, rate and the hidden link that is returned.
    QComboBox* combo = window.dropDown();
    QTreeView* list = window.dropDownList();
    QCOMPARE(combo->count(), 7);
    QCOMPARE(combo->currentIndex(), -1);
    QCOMPARE(combo->itemText(1), QString("New York City Sales Tax"));
    QCOMPARE(combo->model()->index(1, 1).data().toString(), QString("8.875"));
    QCOMPARE(combo->model()->headerData(1, Qt::Horizontal).toString(), QString("Rate"));
    QCOMPARE(list->columnWidth(0), 2000 / AssignWindow::kTwipsPerPixel);
    QVERIFY(!list->isColumnHidden(1));
    QVERIFY(list->isColumnHidden(2));
    QVERIFY(combo->hasFocus());
    QVERIFY(!widget<QPushButton>(window, "cmdUpdate")->isDefault());
    QVERIFY(!widget<QLineEdit>(window, "txt1")->isVisible());
    QVERIFY(!widget<QPushButton>(window, "cmdCreate")->isVisible());

    // Nothing chosen: the message, and the dialog stays open.
    widget<QPushButton>(window, "cmdUpdate")->click();
    QVERIFY(window.isVisible());
    QCOMPARE(demo.fx.ui.texts(),
             std::vector<std::string>{"Please select valid item from the drop down list."});

    combo->setCurrentIndex(1);
    QCOMPARE(window.logic().selectedRow(), 1);
    widget<QPushButton>(window, "cmdUpdate")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!window.isVisible());
    QCOMPARE(demo.fx.app.sharedSlots[0], std::string("2"));
  }

  void oneRowIsChosenAndEnterConfirmsIt() {
    LoadedDemo demo;
    demo.ask("Tax Item QuickBooks", "8.875");
    AssignWindow window(demo.fx.app, demo.componentsOf());
    show(window);
    QCOMPARE(window.dropDown()->count(), 1);
    QCOMPARE(window.dropDown()->currentText(), QString("NYC Sales Tax"));
    QVERIFY(widget<QPushButton>(window, "cmdUpdate")->isDefault());
    QTest::keyClick(&window, Qt::Key_Return);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(demo.fx.app.sharedSlots[0], std::string("NYC Sales Tax"));
  }

  // Typed names (their refusal: ItemModesTakeFreeText) reach slot 0; Cancel leaves it empty.
  void itemNamesAreTypedAndCancelLeavesTheAnswerEmpty() {
    LoadedDemo demo;
    demo.ask("QuickBooks Item");
    AssignWindow window(demo.fx.app, demo.componentsOf());
    show(window);
    auto* text = widget<QLineEdit>(window, "txt1");
    QVERIFY(text->isVisible());
    QVERIFY(!window.dropDown()->isVisible());
    QVERIFY(text->hasFocus());
    QTest::keyClicks(text, "Setup & Delivery");
    widget<QPushButton>(window, "cmdUpdate")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(demo.fx.app.sharedSlots[0], std::string("Setup & Delivery"));

    demo.ask("Tax Item Vantora");
    AssignWindow again(demo.fx.app, demo.componentsOf());
    show(again);
    again.dropDown()->setCurrentIndex(3);
    widget<QPushButton>(again, "cmdCancel")->click();
    QCOMPARE(again.result(), int(QDialog::Rejected));
    QCOMPARE(demo.fx.app.sharedSlots[0], std::string());
    QVERIFY(demo.fx.ui.messages.empty());
  }

  // QtUi opens the window with the components it was given; Create adds the class there.
  void qtUiOpensTheWindowAndCreateAddsTheClass() {
    LoadedDemo demo;
    demo.ask("QuickBooks Class");
    auto& shared = demo.fx.app.sharedSlots;
    shared[400] = "ShowCreateButton";
    shared[401] = "Trade & Shows";
    const auto made = [&] {
      const auto classes = demo.company.list(vqb::qb::sim::Kind::Class);
      return std::count_if(classes.begin(), classes.end(),
                           [](const auto& entry) { return entry.name == "Trade & Shows"; });
    };
    QCOMPARE(made(), 0);
    vqb::gui::QtUi qt;
    qt.setApp(&demo.fx.app);
    qt.setComponents(demo.componentsOf());
    QVERIFY(vqb::test::answer_modal<AssignWindow>(
        [&] { qt.showDialog(vqb::DialogKind::Assign, ""); },
        [](AssignWindow& window) {
          QVERIFY(window.dropDown()->count() > 0);
          QVERIFY(window.dropDownList()->isHeaderHidden());
          auto* create = widget<QPushButton>(window, "cmdCreate");
          QVERIFY(create->isVisible());
          // The & is doubled so that Qt shows it instead of making a shortcut.
          QCOMPARE(create->text(), QString("Create QuickBooks class called: Trade && Shows"));
          create->click();
        }));
    QVERIFY(demo.fx.ui.messages.empty());
    QCOMPARE(shared[0], std::string("Trade & Shows"));
    QCOMPARE(made(), 1);
  }
};

QTEST_MAIN(AssignWindowTest)
#include "assign_window_test.moc"
