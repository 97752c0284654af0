#pragma once
// The operating-system calls of the core, in one place: file locks, owner-only files, atomic
// saves, process ids. os_calls_posix.cpp implements them for Linux and other POSIX systems;
// nothing else in the core includes a system header.

#include <string>
#include <string_view>

namespace vqb::os {

// An exclusive advisory lock held through an open file of its own. It ends when the object
// is destroyed or the process ends in any way, so a killed holder never leaves it behind.
// Two holders in one process (two FileLock objects) exclude each other as well.
class FileLock {
 public:
  FileLock() = default;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

  // Opens `path` (created owner-only; a symlink there is not followed) and takes its lock,
  // blocking until it is free when `wait`. Unheld when another holder has it and not
  // `wait`. Throws std::system_error when the file cannot be opened or locked.
  static FileLock take(const std::string& path, bool wait);

  bool held() const { return fd_ >= 0; }
  // Replaces the lock file's text (who holds it), for those who find it taken.
  void describe(std::string_view text);

 private:
  int fd_ = -1;
};

// Creates `path` owner-only (0600, whatever the umask) when it does not exist and tightens
// it to 0600 when it does. A symlink at `path` is not followed. False when neither works.
bool ensure_private_file(const std::string& path);

// Tightens an existing file to 0600 without following a symlink; false when there is none.
bool make_private(const std::string& path);

// Replaces `path` with `content` whole: a new owner-only temporary file in the same folder
// (a unique name, created exclusively, so nothing planted there is followed), written,
// flushed to disk and renamed over `path`, then the folder flushed. A symlink at `path` is
// replaced, not followed. False (and `path` untouched) when any step fails.
bool save_file_atomically(const std::string& path, std::string_view content);

// Appends `text` to `path`, created owner-only when missing (a symlink is not followed) and
// tightened to 0600. False when it cannot be written.
bool append_private(const std::string& path, std::string_view text);

long process_id();
// Ends this process at once, as a kill from outside would: nothing is flushed or cleaned up.
[[noreturn]] void kill_this_process();
// The folder of the running executable ("" when it cannot be told).
std::string executable_folder();
// The short name of the running program ("vqb-cli", "vqb").
std::string program_name();
// The name of the user running this process ("" when it cannot be told).
std::string user_name();
// Whether standard input is a terminal.
bool stdin_is_terminal();
// Whether `text` is a numeric IPv4 or IPv6 address.
bool is_ip_address(const std::string& text);

}  // namespace vqb::os
