#pragma once
// A transport that hands every request on to another one and keeps it, so that a test can
// count the round trips a command costs.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "quickbooks/transport.h"
#include "quickbooks/transport_factory.h"

namespace vqb::test {

// The requests the counting transports of a test passed on, in order.
struct TransportCount {
  std::vector<std::string> requests;
  std::size_t count() const { return requests.size(); }
};

class CountingTransport : public qb::QbTransport {
 public:
  CountingTransport(std::unique_ptr<qb::QbTransport> inner, TransportCount& count)
      : inner_(std::move(inner)), count_(count) {}
  void openConnection(const std::string& connectionString) override {
    inner_->openConnection(connectionString);
  }
  void closeConnection() override { inner_->closeConnection(); }
  // Counts the request, failed ones too, then sends it on.
  std::string process(const std::string& requestXml) override;

 private:
  std::unique_ptr<qb::QbTransport> inner_;
  TransportCount& count_;
};

// Makes what the registry makes for the settings, wrapped in a CountingTransport that
// records into `count` (which must outlive every transport made).
qb::TransportFactory counting_transports(TransportCount& count);

}  // namespace vqb::test
