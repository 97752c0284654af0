// The Qt UserInterface in the window: the connection question, the loader window, the
// windows that do not exist yet, and the redraw during long loops. Boxes are answered
// unattended, never shown.

#include "gui/qt_ui.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <QToolBar>

#include "app/startup.h"
#include "demo/demo_company.h"
#include "gui/main_window.h"
#include "gui/work_list_model.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"
#include "support/demo_fixture.h"
#include "support/gui_test.h"
#include "support/temp_dir.h"

using vqb::gui::MainWindow;
using vqb::gui::QtUi;

namespace {

// An App on a small demo, drawn by QtUi.
struct QtDemo {
  QtDemo() {
    ui.unattended = true;
    vqb::qb::make_demo(dir.file("demo"), vqb::test::DemoFixture::smallOptions(), false);
    app.programFolder = VQB_TEST_PROGRAM_DIR;
    app.settingsFolderOverride = dir.file("demo");
    vqb::Main(app);
    window = std::make_unique<MainWindow>(app);
    ui.attach(window.get(), window->statusLabel(), window->progressBar(),
              [this] { window->redraw(); });
    window->formLoad();
    window->show();
  }
  vqb::test::TempDir dir;
  QtUi ui;
  vqb::App app{ui};
  std::unique_ptr<MainWindow> window;
};

QStringList titles(const QtUi& ui) {
  QStringList result;
  for (const auto& box : ui.shown) result << QString::fromStdString(box.title);
  return result;
}

}  // namespace

class QtUiTest : public QObject {
  Q_OBJECT
 private slots:
  void manualSectionsOpenAsFragmentsOfTheLocalPage() {
    const QUrl page = vqb::gui::url_to_open("/usr/share/doc/vqb/manual/index.html#preferences");
    QCOMPARE(page.toString(), QString("file:///usr/share/doc/vqb/manual/index.html#preferences"));
    QCOMPARE(page.toLocalFile(), QString("/usr/share/doc/vqb/manual/index.html"));
    QCOMPARE(vqb::gui::url_to_open("/opt/a b/index.html").toString(),
             QString("file:///opt/a b/index.html"));
    QCOMPARE(vqb::gui::url_to_open("https://example.com/x#y").toString(),
             QString("https://example.com/x#y"));
  }

  void autoConnectAnswersTheQuestionOnce() {
    QtDemo demo;
    demo.ui.autoConnectOnce = true;
    QVERIFY(demo.window->connectToQuickBooks());

    // The question's text and the start-up order are the logic's (NoClosesWithoutTouching...,
    // FirstStartShowsInformationThenPreferencesThenSetup); here QtUi answers Yes once.
    const auto& shown = demo.ui.shown;
    QCOMPARE(titles(demo.ui),
             QStringList({"Connect to QuickBooks?", "IMPORTANT INFORMATION", "Window", "Window"}));
    QVERIFY(shown[0].answer == vqb::Answer::Yes);
    QCOMPARE(shown[2].text, std::string("Preferences"));
    QCOMPARE(shown[3].text, std::string("Setup"));
    QVERIFY(!demo.ui.autoConnectOnce);
    QVERIFY(demo.ui.loaderWindow() == nullptr);
    QCOMPARE(demo.window->statusLabel()->text(), QString("Status: Idle"));
    for (QAction* action : demo.window->toolbar1()->actions()) QVERIFY(action->isEnabled());
    QVERIFY(demo.window->isVisible());
  }

  void declinedConnectionClosesTheWindow() {
    QtDemo demo;
    QVERIFY(!demo.window->connectToQuickBooks());
    QCOMPARE(titles(demo.ui), QStringList{"Connect to QuickBooks?"});
    QVERIFY(demo.ui.shown[0].answer == vqb::Answer::No);
    QVERIFY(!demo.window->isVisible());
  }

  void loaderWindowFollowsTheProgress() {
    QtDemo demo;
    demo.ui.loaderVisible(true);
    QDialog* loader = demo.ui.loaderWindow();
    QVERIFY(loader && loader->isVisible());
    QCOMPARE(loader->findChild<QLabel*>("lblLoading")->text(),
             QString("Loading QuickBooks lists..."));
    demo.ui.setProgress(5, 18);
    QCOMPARE(loader->findChild<QProgressBar*>("pgLoading")->value(), 5);
    QCOMPARE(loader->findChild<QProgressBar*>("pgLoading")->maximum(), 18);
    QCOMPARE(demo.window->progressBar()->value(), 5);
    demo.ui.loaderVisible(false);
    QVERIFY(demo.ui.loaderWindow() == nullptr);
    demo.ui.setProgress(7, 10);
    QCOMPARE(demo.window->progressBar()->value(), 7);
  }

  void longLoopsRedrawTheWindow() {
    QtDemo demo;
    auto& state = demo.window->logic().state;
    vqb::fill_customerInvoices(demo.app, state);
    demo.ui.processEvents();
    QCOMPARE(demo.window->model()->rowCount(), static_cast<int>(state.grid.rows.size()));
    // A loop that adds rows and reports the change is drawn at its next pump.
    state.grid.rows.push_back(state.grid.rows.front());
    state.changed();
    QCOMPARE(demo.window->model()->rowCount(), static_cast<int>(state.grid.rows.size()) - 1);
    demo.ui.processEvents();
    QCOMPARE(demo.window->model()->rowCount(), static_cast<int>(state.grid.rows.size()));

    demo.window->logic().imBusy(true);
    demo.ui.processEvents();
    QVERIFY(!demo.window->button(1, "Export")->isEnabled());
    QVERIFY(demo.window->button(2, "Cancel")->isEnabled());
    demo.window->logic().imBusy(false);
    demo.ui.processEvents();
    QVERIFY(demo.window->button(1, "Export")->isEnabled());
  }

  void unattendedBoxesTakeTheirDefaults() {
    QtUi ui;
    ui.unattended = true;
    ui.showDialog(vqb::DialogKind::UpdateCustomers, "");
    QCOMPARE(ui.shown.back().text, std::string("Update Customers"));
    QCOMPARE(vqb::gui::unavailable_window_text(vqb::DialogKind::UpdateCustomers),
             std::string("The Update Customers window is not available in this version yet."));
    QVERIFY(ui.messageBox("Sure?", vqb::Buttons::YesNo, vqb::Icon::Question, "Confirm") ==
            vqb::Answer::No);
    QVERIFY(ui.messageBox("Go on?", vqb::Buttons::OkCancel, vqb::Icon::None, "") ==
            vqb::Answer::Cancel);
    QVERIFY(ui.messageBox("Done", vqb::Buttons::Ok, vqb::Icon::None, "") == vqb::Answer::Ok);
    QCOMPARE(ui.inputBox("Password", "Tech Support", "x"), std::string());
    QCOMPARE(ui.shown.size(), std::size_t{5});
  }

  // A message or an input box with a long unbroken name wraps it and fits the screen.
  void boxesWrapAndFitTheScreen() {
    QWidget window;
    window.show();
    QtUi ui;
    ui.attach(&window, nullptr, nullptr, [] {});
    const std::string name(300, 'W');
    const std::string text = "The name " + name + " is longer than QuickBooks takes.\r\n" +
                             std::string(40, 'x') + " " + std::string(2000, 'y');
    const int screenWidth = window.screen()->availableGeometry().width();
    auto fits = [&](QDialog& box) {
      QVERIFY2(box.width() <= screenWidth, qPrintable(QString::number(box.width())));
      QVERIFY(box.frameGeometry().width() <= screenWidth);
      box.reject();
    };
    QVERIFY(vqb::test::answer_modal<QMessageBox>(
        [&] { ui.messageBox(text, vqb::Buttons::Ok, vqb::Icon::Information, "Error"); }, fits));
    QVERIFY(vqb::test::answer_modal<QInputDialog>(
        [&] { QCOMPARE(ui.inputBox(text, "Name", name), std::string()); }, fits));
  }
};

QTEST_MAIN(QtUiTest)
#include "qt_ui_test.moc"
