#include "app/integrator_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/os_calls.h"
#include "support/fake_ui.h"
#include "support/file_checks.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

namespace fs = std::filesystem;

using test::mode_of;
using test::read_file;

// The usual umask of a desktop session, whatever the test runner's.
class UsualUmask {
 public:
  UsualUmask() : old_(::umask(022)) {}
  ~UsualUmask() { ::umask(old_); }

 private:
  mode_t old_;
};

class IntegratorLockTest : public ::testing::Test {
 protected:
  IntegratorLockTest() {
    first.databasePath = second.databasePath = dir.file("vantora.db");
    lockPath = integrator_lock_path(first.databasePath);
  }
  test::TempDir dir;
  test::FakeUi ui1, ui2;
  App first{ui1}, second{ui2};
  std::string lockPath;
};

const std::regex kHeldText(
    "Another integrator \\(app_integrator_lock_test, process [0-9]+\\) has been working on this "
    "database since [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\. Nothing was sent\\.");

TEST_F(IntegratorLockTest, SecondHolderIsRefusedWithWhoAndSinceUntilTheFirstEnds) {
  {
    IntegratorLock held(first);
    ASSERT_TRUE(held.held());
    IntegratorLock again(first);  // the same App shares its lock
    EXPECT_TRUE(again.held());

    IntegratorLock refused(second);
    EXPECT_FALSE(refused.held());
    ASSERT_EQ(ui2.messages.size(), 1u);
    EXPECT_TRUE(std::regex_match(ui2.messages[0].text, kHeldText)) << ui2.messages[0].text;
    EXPECT_EQ(ui2.messages[0].title, "QB Integrator");
    EXPECT_EQ(ui2.messages[0].icon, Icon::Exclamation);
    EXPECT_NE(ui2.messages[0].text.find("process " + std::to_string(::getpid()) + ")"),
              std::string::npos);
    EXPECT_FALSE(IntegratorLock::if_free(second).held());
    EXPECT_EQ(ui2.messages.size(), 1u);  // if_free says nothing
  }
  IntegratorLock after(second, 0, kNothingChanged);
  EXPECT_TRUE(after.held());
  EXPECT_EQ(ui2.messages.size(), 1u);
  EXPECT_EQ(mode_of(lockPath), 0600u);
}

TEST_F(IntegratorLockTest, KilledHolderLeavesNoStaleLock) {
  int ready[2], hold[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(hold), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    test::FakeUi ui;
    App app(ui);
    app.databasePath = first.databasePath;
    IntegratorLock lock(app);
    char byte = lock.held() ? '1' : '0';
    (void)!::write(ready[1], &byte, 1);
    (void)!::read(hold[0], &byte, 1);  // until killed
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, '1');
  IntegratorLock refused(second);
  EXPECT_FALSE(refused.held());
  ASSERT_EQ(ui2.messages.size(), 1u);
  EXPECT_NE(ui2.messages[0].text.find("process " + std::to_string(child) + ")"), std::string::npos);

  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  IntegratorLock free(second);
  EXPECT_TRUE(free.held());
  EXPECT_EQ(ui2.messages.size(), 1u);
  for (int fd : {ready[0], ready[1], hold[0], hold[1]}) ::close(fd);
}

TEST_F(IntegratorLockTest, AHolderThatHasNotSaidWhoIsStillNamedPlainly) {
  os::FileLock holder = os::FileLock::take(lockPath, false);
  ASSERT_TRUE(holder.held());
  holder.describe("");
  EXPECT_FALSE(os::FileLock::take(lockPath, false).held());
  IntegratorLock refused(second, 0, kNothingChanged);
  EXPECT_FALSE(refused.held());
  EXPECT_EQ(ui2.texts(), std::vector<std::string>{"Another integrator is working on this "
                                                  "database. Nothing was changed."});
}

TEST_F(IntegratorLockTest, LockFilePlantedAsSymlinkIsRefusedAndItsTargetUntouched) {
  const std::string target = dir.file("precious.txt");
  std::ofstream(target) << "keep";
  fs::create_symlink(target, lockPath);
  IntegratorLock refused(first);
  EXPECT_FALSE(refused.held());
  ASSERT_EQ(ui1.messages.size(), 1u);
  EXPECT_EQ(ui1.messages[0].text.rfind("The lock file \"" + lockPath + "\" cannot be opened (", 0),
            0u)
      << ui1.messages[0].text;
  EXPECT_EQ(read_file(target), "keep");
}

TEST(OsCalls, PrivateFilesAreOwnerOnlyWhateverTheUmaskAndExistingOnesAreTightened) {
  UsualUmask umask;
  test::TempDir dir;
  const std::string made = dir.file("made"), loose = dir.file("loose"), log = dir.file("log");
  ASSERT_TRUE(os::ensure_private_file(made));
  std::ofstream(loose) << "x";
  ::chmod(loose.c_str(), 0644);
  ASSERT_TRUE(os::ensure_private_file(loose));
  ASSERT_TRUE(os::append_private(log, "a"));
  ::chmod(log.c_str(), 0644);
  ASSERT_TRUE(os::append_private(log, "b"));
  for (const std::string& path : {made, loose, log}) EXPECT_EQ(mode_of(path), 0600u) << path;
  EXPECT_EQ(read_file(loose), "x");
  EXPECT_EQ(read_file(log), "ab");
  EXPECT_FALSE(os::make_private(dir.file("absent")));
}

TEST(OsCalls, AtomicSaveFollowsNoSymlinkPlantedAtAnyNameItUses) {
  UsualUmask umask;
  test::TempDir dir;
  const std::string target = dir.file("precious.txt");
  std::ofstream(target) << "keep";
  const std::string path = dir.file("QBsetup.xml");
  // The names a save used to write through, and the file itself.
  for (const std::string& planted :
       {path + ".tmp" + std::to_string(::getpid()), path + ".tmp", path + ".XXXXXX", path})
    fs::create_symlink(target, planted);
  ASSERT_TRUE(os::save_file_atomically(path, "<QBSetup/>"));
  EXPECT_EQ(read_file(target), "keep");
  EXPECT_FALSE(fs::is_symlink(path));
  EXPECT_EQ(read_file(path), "<QBSetup/>");
  EXPECT_EQ(mode_of(path), 0600u);
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 5u);  // no temporary file left behind

  EXPECT_FALSE(os::save_file_atomically(dir.file("no-such-folder/file"), "x"));
}

TEST(OsCalls, IpAddressesParse) {
  for (const char* good : {"127.0.0.1", "0.0.0.0", "::1", "fe80::1", "192.168.1.20"})
    EXPECT_TRUE(os::is_ip_address(good)) << good;
  for (const char* bad : {"", "localhost", "999.1.1.1", "1.2.3", "127.0.0.1 ", "a::b::c"})
    EXPECT_FALSE(os::is_ip_address(bad)) << bad;
}

}  // namespace
}  // namespace vqb
