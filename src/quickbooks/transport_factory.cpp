#include "quickbooks/transport_factory.h"

#include <map>

#include "quickbooks/connection.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/sim/simulated_company.h"
#include "quickbooks/web_connector_transport.h"

namespace vqb::qb {
namespace {

std::unique_ptr<QbTransport> make_simulated(const ConnectionConfig& config,
                                            const std::string& settingsFolder) {
  if (config.companyFile.empty())
    throw QbError(kNotReachable, "No QuickBooks company file is configured in " +
                                     connection_file_path(settingsFolder));
  return std::make_unique<sim::SimulatedCompany>(config.companyFile);
}

std::map<std::string, TransportMaker>& registry() {
  static std::map<std::string, TransportMaker> makers{{"simulated", make_simulated},
                                                      {"webconnector", make_web_connector}};
  return makers;
}

}  // namespace

void register_transport(const std::string& name, TransportMaker maker) {
  registry()[name] = std::move(maker);
}

std::vector<std::string> accepted_transports() {
  std::vector<std::string> names;
  for (const auto& entry : registry()) names.push_back(entry.first);
  return names;
}

std::unique_ptr<QbTransport> make_transport(const ConnectionConfig& config,
                                            const std::string& settingsFolder) {
  auto found = registry().find(config.transport);
  if (found == registry().end()) {
    std::string names;
    for (const std::string& name : accepted_transports())
      names += (names.empty() ? "" : ", ") + name;
    throw QbError(kNotReachable, "Unknown QuickBooks transport \"" + config.transport + "\" in " +
                                     connection_file_path(settingsFolder) +
                                     ". Accepted values: " + names + ".");
  }
  return found->second(config, settingsFolder);
}

}  // namespace vqb::qb
