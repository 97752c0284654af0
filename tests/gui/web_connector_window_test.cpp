// The main window reaching QuickBooks through the Web Connector: the window serves the
// transport while it is open, and a send answered by the Web Connector imitation lands in
// the grid.

#include <QMenu>
#include <QTest>
#include <future>

#include "gui/main_window.h"
#include "gui/work_list_model.h"
#include "main_window/main_window_logic.h"
#include "quickbooks/connection.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/demo_fixture.h"
#include "support/qbwc_client.h"

using vqb::gui::MainWindow;

class WebConnectorWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void aSendThroughTheWebConnectorLandsInTheGrid() {
    vqb::test::DemoFixture fx;
    const std::string folder = fx.demo.settingsFolder;
    vqb::qb::ConnectionConfig config = vqb::qb::load_connection_config(folder);
    config.transport = "webconnector";
    config.userName = "qbuser";
    config.passwordHash = vqb::qb::hash_password("s3cret");
    vqb::qb::save_connection_config(folder, config);
    vqb::test::AnyPort anyPort(folder, folder + "/webconnector.port");

    std::atomic<bool> stop{false};
    auto answered = std::async(std::launch::async, [&] {
      return vqb::test::play_web_connector(
          anyPort.portFile,
          [&](const std::string& request) {
            return vqb::qb::sim::SimulatedCompany(fx.demo.companyFile).process(request);
          },
          stop);
    });
    // The imitation stops however the test ends (before the future waits for it).
    struct Stop {
      std::atomic<bool>& flag;
      ~Stop() { flag = true; }
    } stopAtEnd{stop};
    {
      MainWindow window(fx.app);
      window.formLoad();
      fx.ui.answers = {vqb::Answer::Yes};  // Connect to QuickBooks?
      QVERIFY(window.connectToQuickBooks());
      window.runMenuKey("mnuSendCustomers");
      auto* model = window.model();
      const auto& grid = window.logic().state.grid;
      int row = 0;
      while (row < model->rowCount() && grid.rows[row].cells[0] != "Evergreen Dental Group") ++row;
      QVERIFY(row < model->rowCount());
      QVERIFY(
          model->setData(model->index(row, model->tickColumn()), Qt::Checked, Qt::CheckStateRole));

      fx.ui.onMessage = [](const std::string&, const std::string&) { return vqb::Answer::Yes; };
      window.menuRunner = [](QMenu& menu, const QPoint&) -> QAction* {
        for (QAction* action : menu.actions())
          if (action->text() == "Send to QuickBooks") return action;
        return nullptr;
      };
      window.button(2, "Run")->trigger();
      QCOMPARE(model->index(row, 4).data().toString(), QString("Success"));
    }  // closing the window ends the Web Connector's session
    stop = true;
    QVERIFY(answered.get() > 3);
    // QuickBooks holds the customer once.
    const std::string customers = vqb::qb::sim::SimulatedCompany(fx.demo.companyFile)
                                      .process(
                                          "<?xml version=\"1.0\"?><?qbxml version=\"3.0\"?><QBXML>"
                                          "<QBXMLMsgsRq onError=\"stopOnError\"><CustomerQueryRq/>"
                                          "</QBXMLMsgsRq></QBXML>");
    const std::string name = "<Name>Evergreen Dental Group</Name>";
    const auto at = customers.find(name);
    QVERIFY(at != std::string::npos);
    QVERIFY(customers.find(name, at + 1) == std::string::npos);
  }
};

QTEST_MAIN(WebConnectorWindowTest)
#include "web_connector_window_test.moc"
