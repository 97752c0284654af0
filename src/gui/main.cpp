// vqb: the desktop integrator.

#include <QApplication>

#include "app/app.h"
#include "app/startup.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Vantora QuickBooks Integrator");
  QApplication::setOrganizationName("Quenbrook");

  vqb::gui::QtUi ui;
  vqb::App app(ui);
  app.programFolder = vqb::program_folder();
  if (!vqb::Main(app)) return 1;

  vqb::gui::MainWindow window(app);
  ui.attach(&window, window.statusLabel(), window.progressBar());
  window.show();
  return QApplication::exec();
}
