#include "gui/main_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/app.h"

namespace vqb::gui {

MainWindow::MainWindow(App& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  setWindowTitle(kProductTitle);
  setObjectName("frmQB");
  resize(1000, 640);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  welcome_ = new QLabel(central);
  welcome_->setObjectName("welcome");
  welcome_->setAlignment(Qt::AlignCenter);
  welcome_->setWordWrap(true);
  QString database = app_.databasePath.empty() ? tr("No Vantora database is configured.")
                                               : tr("Vantora database: %1").arg(QString::fromStdString(app_.databasePath));
  welcome_->setText(QStringLiteral("<h2>%1</h2><p>%2</p>").arg(kProductTitle, database.toHtmlEscaped()));
  layout->addWidget(welcome_);
  setCentralWidget(central);

  status_ = new QLabel(this);
  status_->setObjectName("lblStatus");
  progress_ = new QProgressBar(this);
  progress_->setObjectName("pg1");
  progress_->setMaximumWidth(240);
  progress_->setValue(0);
  statusBar()->addWidget(status_, 1);
  statusBar()->addPermanentWidget(progress_);
}

}  // namespace vqb::gui
