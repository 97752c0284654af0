// Two integrators on one settings folder, owner-only files and damaged settings files, through
// vqb-cli: in-process runs, and real vqb-cli processes sending at the same time.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include "app/database.h"
#include "app/integrator_lock.h"
#include "export/intent_journal.h"
#include "quickbooks/connection.h"
#include "quickbooks/exchange_log.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/cli_run.h"
#include "support/fake_ui.h"
#include "support/file_checks.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::run_cli;

using test::mode_of;
using test::read_file;

class TwoIntegrators : public ::testing::Test {
 protected:
  CliRun makeDemo(const std::string& where) {
    return run_cli({"demo", where, "--customers", "12", "--invoices", "15"});
  }
  CliRun in(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), {"--settings", folder});
    return run_cli(args, input);
  }

  test::TempDir dir;
  const std::string folder = dir.file("demo");
  const std::string database = folder + "/vantora.db";
};

// Another integrator (here this test) holds the database: every writing command stops with
// the plain text and changes nothing; reading goes on.
TEST_F(TwoIntegrators, WritingCommandsStopWhileAnotherIntegratorHoldsTheDatabase) {
  ASSERT_EQ(makeDemo(folder).code, 0);
  const std::size_t invoices =
      qb::sim::SimulatedCompany(folder + "/demo-company.qbxml").list(qb::sim::Kind::Invoice).size();
  auto marked = [&] {
    return open_database(database)
        ->queryAll("SELECT COUNT(*) FROM CustSO WHERE QuickBooks = 1")
        .rows.at(0)
        .at(0)
        .value_or("");
  };
  const std::string markedBefore = marked();
  test::FakeUi ui;
  App holder(ui);
  holder.databasePath = database;
  IntegratorLock lock(holder);
  ASSERT_TRUE(lock.held());
  const std::regex held(
      "\\[QB Integrator\\] Another integrator \\(cli_two_integrators_test, process " +
      std::to_string(::getpid()) +
      "\\) has been working on this database since [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\. "
      "Nothing was (sent|imported|changed)\\.\n");
  struct Case {
    std::vector<std::string> args;
    const char* nothing;
  };
  const Case cases[] = {
      {{"--yes", "send", "invoices", "--all"}, "sent"},
      {{"--wait-lock", "1", "send", "customers", "--all"}, "sent"},
      {{"import", "customers", "--all"}, "imported"},
      {{"mark", "invoices", "--sent", "--all"}, "changed"},
      {{"prefs", "set", "chkdupinvoices", "0"}, "changed"},
      {{"sync", "contacts", "--all"}, "changed"},
  };
  const std::string setup = read_file(folder + "/QBsetup.xml");
  for (const Case& c : cases) {
    CliRun refused = in(c.args);
    EXPECT_EQ(refused.code, 1) << c.args[1];
    EXPECT_EQ(refused.out, "") << c.args[1];
    EXPECT_TRUE(std::regex_match(refused.err, held)) << refused.err;
    EXPECT_NE(refused.err.find(std::string("Nothing was ") + c.nothing), std::string::npos);
  }
  EXPECT_EQ(read_file(folder + "/QBsetup.xml"), setup);
  EXPECT_EQ(
      qb::sim::SimulatedCompany(folder + "/demo-company.qbxml").list(qb::sim::Kind::Invoice).size(),
      invoices);
  EXPECT_EQ(marked(), markedBefore);
  // Reading is not blocked.
  EXPECT_EQ(in({"list", "invoices"}).code, 0);
  EXPECT_EQ(in({"prefs", "get", "chkdupinvoices"}).code, 0);
}

TEST_F(TwoIntegrators, FilesWithCustomerDataOrSecretsAreOwnerOnlyAfterASend) {
  const mode_t old = ::umask(022);
  ASSERT_EQ(makeDemo(folder).code, 0);
  ASSERT_EQ(in({"prefs", "set", "chkshowinvoices", "0"}).code, 0);
  CliRun sent = in({"--yes", "send", "invoices", "--all", "--create-missing"});
  ::umask(old);
  ASSERT_NE(sent.out.find(": Sent! \n"), std::string::npos) << sent.out << sent.err;
  const std::string must[] = {qb::kConnectionFileName, kIntentJournalName, qb::kExchangeLogName,
                              "demo-company.qbxml",    "QBsetup.xml",      "vantora.db.vqb-lock"};
  for (const std::string& name : must) {
    ASSERT_TRUE(fs::exists(folder + "/" + name)) << name;
    EXPECT_EQ(mode_of(folder + "/" + name), 0600u) << name;
  }
  // Made only by some sends.
  for (const std::string& name :
       {std::string(kIntentJournalName) + "-wal", std::string(kIntentJournalName) + "-shm",
        std::string(qb::kExchangeLogName) + ".1", std::string("parsedAddresses.xml"),
        std::string("demo-company.qbxml-wal"), std::string("demo-company.qbxml-shm")}) {
    if (fs::exists(folder + "/" + name)) {
      EXPECT_EQ(mode_of(folder + "/" + name), 0600u) << name;
    }
  }
}

TEST_F(TwoIntegrators, DamagedSettingsFilesAreRefusedAndLeftAsTheyAre) {
  ASSERT_EQ(makeDemo(folder).code, 0);
  const std::string setup = folder + "/QBsetup.xml";
  const std::string connection = qb::connection_file_path(folder);
  const std::string damaged = "<QBSetup><chkdupinvoices>1</chkdupinvoices><optmemo1>Tr";
  std::ofstream(setup, std::ios::trunc) << damaged;
  CliRun set = in({"prefs", "set", "optmemo1", "True"});
  EXPECT_EQ(set.code, 1);
  EXPECT_EQ(set.err.rfind("[Vantora] 75 - The settings file \"" + setup + "\" cannot be read (", 0),
            0u)
      << set.err;
  EXPECT_EQ(read_file(setup), damaged);

  const std::string config = read_file(connection);
  const std::string cut = config.substr(0, config.size() / 2);
  std::ofstream(connection, std::ios::trunc) << cut;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"webconnector", "setup", "--user", "qb"},
        std::vector<std::string>{"webconnector", "qwc", dir.file("app.qwc")}}) {
    CliRun refused = in(args, "secret\n");
    EXPECT_EQ(refused.code, 1) << args[1];
    EXPECT_EQ(
        refused.err.rfind("75 - The settings file \"" + connection + "\" cannot be read (", 0), 0u)
        << refused.err;
    EXPECT_EQ(read_file(connection), cut);
  }
}

TEST_F(TwoIntegrators, WebConnectorSetupArgumentsAreChecked) {
  ASSERT_EQ(makeDemo(folder).code, 0);
  const std::string before = read_file(qb::connection_file_path(folder));
  struct Case {
    std::vector<std::string> args;
    const char* err;
  };
  const Case cases[] = {
      {{"--user", "qb", "--port", "99999"}, "The port must be between 1 and 65535, not 99999."},
      {{"--user", "qb", "--port", "-1"}, "The port must be between 1 and 65535, not -1."},
      {{"--user", ""}, "The user name must not be empty."},
      {{"--user", "  "}, "The user name must not be empty."},
      {{"--user", "qb", "--listen", "999.1.1.1"},
       "The listen address must be an IP address such as 127.0.0.1 or ::1, not \"999.1.1.1\"."},
      {{"--user", "qb", "--listen", "my host\x1b[2J"},
       "The listen address must be an IP address such as 127.0.0.1 or ::1, not \"my host[2J\"."},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"webconnector", "setup"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliRun refused = in(args, "secret\n");
    EXPECT_EQ(refused.code, 2) << c.err;
    EXPECT_EQ(refused.err, std::string(c.err) + " Nothing was changed.\n");
  }
  EXPECT_EQ(read_file(qb::connection_file_path(folder)), before);
  for (const char* listen : {"::1", "0.0.0.0", "localhost"})
    EXPECT_EQ(in({"webconnector", "setup", "--user", "qb", "--listen", listen}, "pw\n").code, 0)
        << listen;
}

// ---- Real vqb-cli processes sending the same invoices at once --------------------------------

struct Process {
  pid_t pid;
  std::string out, err;  // files
};

// Starts vqb-cli with `args`, its output going to files in `folder`; `delayMs` > 0 holds the
// child back that long first (the random starts of VQB_TWO_SENDERS_JITTER_MS).
Process start_cli(const std::vector<std::string>& args, const std::string& folder,
                  const std::string& name, int delayMs) {
  Process process{0, folder + "/" + name + ".out", folder + "/" + name + ".err"};
  const std::string program = std::string(VQB_TEST_PROGRAM_DIR) + "/vqb-cli";
  process.pid = ::fork();
  if (process.pid == 0) {
    if (delayMs > 0) ::usleep(static_cast<useconds_t>(delayMs) * 1000);
    const int out = ::open(process.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(process.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  return process;
}

int finish(const Process& process) {
  int status = 0;
  ::waitpid(process.pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int from_environment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::atoi(text) : fallback;
}

// Each round: a new demo; two vqb-cli send every invoice at once (in every other round the
// second waits for the first with --wait-lock). Whichever wins, no invoice reaches
// QuickBooks twice, every invoice added is marked in Vantora with its reference, and a run
// that sent nothing says that another integrator was working. VQB_TWO_SENDERS_ROUNDS and
// VQB_TWO_SENDERS_JITTER_MS (random starts up to that many ms) make it a longer trial.
TEST_F(TwoIntegrators, TwoSendersAtOnceNeverDoubleNorLoseAnInvoice) {
  const int rounds = from_environment("VQB_TWO_SENDERS_ROUNDS", 5);
  const int jitter = from_environment("VQB_TWO_SENDERS_JITTER_MS", 0);
  std::mt19937 random(20261207);
  long sentTotal = 0, doubled = 0, lost = 0, refusedRuns = 0, waitedRuns = 0;
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string where = dir.file("round" + std::to_string(round));
    ASSERT_EQ(makeDemo(where).code, 0);
    const std::string companyFile = where + "/demo-company.qbxml";
    const std::size_t before =
        qb::sim::SimulatedCompany(companyFile).list(qb::sim::Kind::Invoice).size();

    const bool waiting = round % 2 == 1;
    std::vector<std::string> args = {"--settings", where, "--yes", "send", "invoices", "--all"};
    std::vector<std::string> second = args;
    if (waiting) second.insert(second.begin(), {"--wait-lock", "600"});
    auto delay = [&] { return jitter > 0 ? static_cast<int>(random() % jitter) : 0; };
    const Process runs[2] = {start_cli(args, where, "a", delay()),
                             start_cli(second, where, "b", delay())};
    int codes[2];
    for (int r = 0; r < 2; ++r) codes[r] = finish(runs[r]);

    // Every "Sent!" line of both runs, by document number.
    std::map<std::string, int> sentLines;
    for (int r = 0; r < 2; ++r) {
      std::istringstream out(read_file(runs[r].out));
      for (std::string line; std::getline(out, line);)
        if (line.find(": Sent! ") != std::string::npos) ++sentLines[line.substr(0, line.find(' '))];
      const std::string err = read_file(runs[r].err);
      if (err.find("Another integrator (vqb-cli, process ") != std::string::npos) {
        ++refusedRuns;
        EXPECT_EQ(codes[r], 1);
        EXPECT_EQ(read_file(runs[r].out), "") << "a refused run sends nothing";
        EXPECT_NE(err.find("Nothing was sent."), std::string::npos) << err;
      } else {
        EXPECT_TRUE(codes[r] == 0 || codes[r] == 1) << err;  // 1: records the demo cannot send
      }
    }
    if (waiting) {
      ++waitedRuns;
      EXPECT_EQ(read_file(runs[1].err).find("Another integrator"), std::string::npos);
    }

    qb::sim::SimulatedCompany company(companyFile);
    std::map<std::string, int> copies;
    for (const qb::sim::Entry& invoice : company.list(qb::sim::Kind::Invoice))
      ++copies[invoice.name];
    for (const auto& [name, count] : copies) doubled += count > 1 ? count - 1 : 0;
    long sentNow = 0;
    for (const auto& [number, count] : sentLines) {
      sentNow += count;
      doubled += count > 1 ? count - 1 : 0;
      const auto rows =
          open_database(where + "/vantora.db")
              ->queryAll("SELECT QuickBooks, QuickBooksRef FROM CustSO WHERE Number = " + number)
              .rows;
      const bool marked = !rows.empty() && rows[0][0].value_or("") == "1" &&
                          copies.count(rows[0][1].value_or("")) == 1;
      if (!marked) ++lost;
    }
    EXPECT_GT(sentNow, 0);
    // Nothing reached QuickBooks that no run reported.
    EXPECT_EQ(company.list(qb::sim::Kind::Invoice).size(), before + sentNow);
    sentTotal += sentNow;
  }
  EXPECT_EQ(doubled, 0);
  EXPECT_EQ(lost, 0);
  std::cout << "two senders: " << rounds << " rounds, " << sentTotal << " invoices sent, "
            << doubled << " doubled, " << lost << " lost, " << refusedRuns
            << " runs refused (another integrator), " << waitedRuns << " runs waited\n";
}

}  // namespace
}  // namespace vqb
