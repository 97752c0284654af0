// vqb: the desktop integrator.

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <map>

#include "app/app.h"
#include "app/startup.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "gui/setup_window.h"
#include "gui/toolbars.h"
#include "main_window/main_window_logic.h"

namespace {

// --list names and the menu commands that fill them.
const std::map<QString, std::string> kListKeys = {
    {"invoices", "mnuSendCustomerInvoices"},
    {"payments", "mnuSendCustomerPayments"},
    {"pos", "mnuSendPOs"},
    {"customers", "mnuSendCustomers"},
    {"suppliers", "mnuSendSuppliers"},
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(vqb::gui::kProductTitle));
  QApplication::setOrganizationName("Quenbrook");
  QApplication::setApplicationVersion(QStringLiteral("0.1.0"));
  QGuiApplication::setDesktopFileName(QStringLiteral("vqb"));  // packaging/vqb.desktop
  vqb::gui::use_desktop_icon_theme();

  QCommandLineParser parser;
  parser.setApplicationDescription(QString::fromLatin1(vqb::gui::kProductTitle));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption autoConnect("auto-connect",
                                       "Connect to QuickBooks without asking first.");
  const QCommandLineOption list(
      "list",
      "After connecting, show a work list: invoices, payments, pos, customers "
      "or suppliers.",
      "name");
  const QCommandLineOption screenshot("screenshot",
                                      "After that, save a picture of the window as a PNG and quit "
                                      "(boxes are answered without being shown).",
                                      "file");
  const QCommandLineOption shotWindow(
      "window", "The window --screenshot takes: main (the default) or setup.", "name", "main");
  parser.addOptions({autoConnect, list, screenshot, shotWindow});
  parser.process(application);

  std::string listKey;
  if (parser.isSet(list)) {
    auto found = kListKeys.find(parser.value(list).toLower());
    if (found == kListKeys.end()) {
      std::fprintf(stderr,
                   "vqb: unknown list '%s' (invoices, payments, pos, customers, suppliers)\n",
                   qPrintable(parser.value(list)));
      return 2;
    }
    listKey = found->second;
  }
  const QString screenshotFile = parser.value(screenshot);
  const QString shotName = parser.value(shotWindow).toLower();
  if (shotName != "main" && shotName != "setup") {
    std::fprintf(stderr, "vqb: unknown window '%s' (main, setup)\n", qPrintable(shotName));
    return 2;
  }

  vqb::gui::QtUi ui;
  ui.autoConnectOnce = parser.isSet(autoConnect);
  ui.unattended = !screenshotFile.isEmpty();
  vqb::App app(ui);
  ui.setApp(&app);
  app.programFolder = vqb::program_folder();
  if (!vqb::Main(app)) return 1;

  vqb::gui::MainWindow window(app);
  ui.attach(&window, window.statusLabel(), window.progressBar(), [&window] { window.redraw(); });
  ui.setComponents([&window]() -> vqb::qb::ComponentSet& { return window.logic().components(); });
  ui.setSession([&window]() -> vqb::qb::Session& { return window.logic().session(); });
  window.formLoad();
  if (!screenshotFile.isEmpty()) {
    window.resize(1280, 800);  // the same picture on every screen
    window.show();
  } else if (window.hasSavedGeometry()) {
    window.show();
  } else {
    window.showMaximized();
  }

  int exitCode = 0;
  // The connection dialogue starts once the window is on screen.
  QTimer::singleShot(0, &window, [&] {
    if (!window.connectToQuickBooks()) {
      if (!screenshotFile.isEmpty()) {
        std::fprintf(
            stderr, "vqb: not connected to QuickBooks, no screenshot taken (try --auto-connect)\n");
        exitCode = 1;
      }
      return;
    }
    if (!listKey.empty()) window.runMenuKey(listKey);
    if (screenshotFile.isEmpty()) return;
    QApplication::processEvents();
    bool saved = false;
    if (shotName == "setup") {
      vqb::gui::SetupWindow setup(
          app, [&window]() -> vqb::qb::Session& { return window.logic().session(); });
      setup.show();
      setup.load();
      QApplication::processEvents();
      saved = setup.grab().save(screenshotFile, "PNG");
    } else {
      saved = window.grab().save(screenshotFile, "PNG");
    }
    for (const auto& box : ui.shown)
      std::fprintf(stderr, "[%s] %s\n", box.title.c_str(), box.text.c_str());
    if (!saved) std::fprintf(stderr, "vqb: cannot write %s\n", qPrintable(screenshotFile));
    window.close();
    QApplication::exit(saved ? 0 : 1);
  });
  const int code = QApplication::exec();
  return code != 0 ? code : exitCode;
}
