#pragma once
// Appends every qbXML request and response to a log file in the settings folder, so that
// support can see exactly what was sent and what QuickBooks answered. The file is readable
// by its owner only (it holds customer data) and is rotated when it passes its size cap.

#include <cstdint>
#include <string>

namespace vqb::qb {

class ExchangeLog {
 public:
  // Keeps `path` below `maxBytes`, moving a full file to path + ".1" (one older file kept).
  explicit ExchangeLog(std::string path, std::uintmax_t maxBytes = 4u * 1024u * 1024u);

  void record(const std::string& request, const std::string& response);
  const std::string& path() const { return path_; }

 private:
  void append(const std::string& text);
  std::string path_;
  std::uintmax_t maxBytes_;
};

inline constexpr const char* kExchangeLogName = "qbxml-exchange.log";

}  // namespace vqb::qb
