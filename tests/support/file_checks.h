#pragma once
// What a test reads of a file on disk: its bytes and its permission bits.

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

namespace vqb::test {

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The permission bits of the file itself (a symlink is not followed); 0 when there is none.
inline unsigned mode_of(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

}  // namespace vqb::test
