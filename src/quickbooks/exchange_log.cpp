#include "quickbooks/exchange_log.h"

#include <ctime>
#include <filesystem>

#include "app/os_calls.h"

namespace vqb::qb {
namespace {

std::string timestamp() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace

ExchangeLog::ExchangeLog(std::string path, std::uintmax_t maxBytes)
    : path_(std::move(path)), maxBytes_(maxBytes) {}

void ExchangeLog::record(const std::string& request, const std::string& response) {
  const std::string when = timestamp();
  std::string entry = "=== " + when + " request\n" + request;
  if (entry.back() != '\n') entry += '\n';
  entry += "=== " + when + " response\n" + response;
  if (entry.back() != '\n') entry += '\n';
  append(entry);
}

void ExchangeLog::append(const std::string& text) {
  namespace fs = std::filesystem;
  std::error_code ec;
  auto size = fs::file_size(path_, ec);
  if (!ec && size + text.size() > maxBytes_) fs::rename(path_, path_ + ".1", ec);

  // Logging must never stop an export: failures to write are ignored. The log holds whole
  // requests (customers, addresses, amounts): owner-only, as is its rotated copy.
  os::append_private(path_, text);
}

}  // namespace vqb::qb
