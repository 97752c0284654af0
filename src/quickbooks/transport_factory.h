#pragma once
// The QuickBooks transports by name: QBconnection.xml's `transport` chooses which one a
// connection uses. Each transport registers a maker under its name; "simulated" (the
// simulated company kept in the company file) and "webconnector" (the QuickBooks Web
// Connector, web_connector_transport.h) are there from the start. Another transport
// plugs in by registering, without changes to the code that connects.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "quickbooks/transport.h"

namespace vqb::qb {

struct ConnectionConfig;

// Makes a transport for the connection settings of a settings folder. Throws
// QbError(kNotReachable) when the settings do not allow one (no company file, ...).
using TransportMaker = std::function<std::unique_ptr<QbTransport>(
    const ConnectionConfig& config, const std::string& settingsFolder)>;
// What a connection gets its transport from: make_transport, or a test's own.
using TransportFactory = TransportMaker;

// Adds a transport name, or replaces the maker of one.
void register_transport(const std::string& name, TransportMaker maker);
// The registered names, in alphabetical order.
std::vector<std::string> accepted_transports();
// The transport config.transport names. An unknown name throws QbError(kNotReachable)
// 'Unknown QuickBooks transport "<name>" in <settingsFolder>/QBconnection.xml. Accepted
// values: <names, comma-separated>.'
std::unique_ptr<QbTransport> make_transport(const ConnectionConfig& config,
                                            const std::string& settingsFolder);

}  // namespace vqb::qb
