#include "support/counting_transport.h"

namespace vqb::test {

std::string CountingTransport::process(const std::string& requestXml) {
  count_.requests.push_back(requestXml);
  return inner_->process(requestXml);
}

qb::TransportFactory counting_transports(TransportCount& count) {
  return [&count](const qb::ConnectionConfig& config, const std::string& settingsFolder) {
    return std::make_unique<CountingTransport>(qb::make_transport(config, settingsFolder), count);
  };
}

}  // namespace vqb::test
