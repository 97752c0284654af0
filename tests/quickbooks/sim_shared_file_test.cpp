// The simulated company file shared by several processes, as a QuickBooks company is shared
// by several applications: no change is lost, and the file stays owner-only.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "quickbooks/sim/simulated_company.h"
#include "support/temp_dir.h"

namespace vqb::qb::sim {
namespace {

constexpr int kEach = 40;

void add_customers(const std::string& path, const std::string& prefix) {
  SimulatedCompany company(path);
  for (int i = 0; i < kEach; ++i) company.addCustomer(prefix + std::to_string(i));
}

TEST(SimSharedFile, TwoProcessesAddingAtOnceLoseNoChange) {
  test::TempDir dir;
  const std::string path = dir.file("company.qbxml");
  const mode_t old = ::umask(022);
  SimulatedCompany::create(path, "Shared Ltd");
  ::umask(old);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      add_customers(path, "Child ");
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  add_customers(path, "Parent ");
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::set<std::string> names, ids;
  for (const Entry& customer : SimulatedCompany(path).list(Kind::Customer)) {
    names.insert(customer.name);
    ids.insert(customer.id);
  }
  EXPECT_EQ(names.size(), 2u * kEach);
  EXPECT_EQ(ids.size(), 2u * kEach) << "every ListID given once";
  for (int i = 0; i < kEach; ++i) {
    EXPECT_TRUE(names.count("Child " + std::to_string(i)));
    EXPECT_TRUE(names.count("Parent " + std::to_string(i)));
  }
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace vqb::qb::sim
