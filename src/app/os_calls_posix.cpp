// The POSIX implementation of os_calls.h.

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/os_calls.h"

namespace vqb::os {
namespace {

constexpr mode_t kPrivate = S_IRUSR | S_IWUSR;

bool write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Opens (creating owner-only when missing) without following a symlink, tightened to 0600.
int open_private(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kPrivate);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      ((info.st_mode & 07777) != kPrivate && ::fchmod(fd, kPrivate) != 0)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string folder_of(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

}  // namespace

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the file releases the lock
}

FileLock FileLock::take(const std::string& path, bool wait) {
  // flock belongs to the open file, so two opens in one process exclude each other too.
  int fd = open_private(path, O_RDWR);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), path);
  int result;
  do {
    result = ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB));
  } while (result != 0 && errno == EINTR);
  FileLock lock;
  if (result == 0) {
    lock.fd_ = fd;
    return lock;
  }
  const int error = errno;
  ::close(fd);
  if (error != EWOULDBLOCK) throw std::system_error(error, std::generic_category(), path);
  return lock;
}

void FileLock::describe(std::string_view text) {
  if (fd_ < 0) return;
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) return;
  write_all(fd_, text);
}

bool ensure_private_file(const std::string& path) {
  int fd = open_private(path, O_RDONLY);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool make_private(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, kPrivate) == 0;
  ::close(fd);
  return ok;
}

bool save_file_atomically(const std::string& path, std::string_view content) {
  // mkstemp creates a new name exclusively (O_CREAT|O_EXCL, 0600): a symlink or file planted
  // at any name beforehand makes it pick another name, never follow it.
  std::string temporary = path + ".XXXXXX";
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  bool ok = ::fchmod(fd, kPrivate) == 0 && write_all(fd, content) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  int folder = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

bool append_private(const std::string& path, std::string_view text) {
  int fd = open_private(path, O_WRONLY | O_APPEND);
  if (fd < 0) return false;
  bool ok = write_all(fd, text);
  return ::close(fd) == 0 && ok;
}

void kill_this_process() {
  ::kill(::getpid(), SIGKILL);
  std::_Exit(137);  // not reached: SIGKILL cannot be caught
}

long process_id() {
  return static_cast<long>(::getpid());
}

std::string executable_folder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

std::string program_name() {
  return program_invocation_short_name;  // glibc: argv[0] without its folder
}

std::string user_name() {
  passwd entry{};
  passwd* found = nullptr;
  char buffer[1024];
  if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
    return found->pw_name;
  const char* name = std::getenv("USER");
  return name != nullptr ? name : "";
}

bool stdin_is_terminal() {
  return ::isatty(0) != 0;
}

bool is_ip_address(const std::string& text) {
  unsigned char buffer[sizeof(struct in6_addr)];
  return ::inet_pton(AF_INET, text.c_str(), buffer) == 1 ||
         ::inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

}  // namespace vqb::os
