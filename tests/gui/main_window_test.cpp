#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "app/app.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "support/fake_ui.h"

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void opensTitledForTheProductWithStatusAndProgress() {
    vqb::gui::QtUi ui;
    vqb::App app(ui);
    app.databasePath = "/data/shop/vantora.db";
    vqb::gui::MainWindow window(app);
    ui.attach(&window, window.statusLabel(), window.progressBar());
    window.show();
    QCOMPARE(window.windowTitle(), QString("Vantora QuickBooks Integrator"));
    ui.setStatus("Loading customers");
    QCOMPARE(window.findChild<QLabel*>("lblStatus")->text(), QString("Loading customers"));
    ui.setProgress(3, 10);
    QCOMPARE(window.findChild<QProgressBar*>("pg1")->value(), 3);
    QVERIFY(window.findChild<QLabel*>("welcome")->text().contains("/data/shop/vantora.db"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
