#pragma once
// Which QuickBooks the integrator talks to, kept in the settings folder ("QBconnection.xml"),
// so that another transport is a choice of setting, not a rebuild.
//   transport    a name registered with register_transport (transport_factory.h);
//                "simulated" (the simulated company in a company file) is always there
//   companyfile  the simulated company's file
//   exchangelog  "1" (default) logs every request and response, "0" does not
//   listen, port, username, passwordhash
//                the Web Connector transport ("webconnector"): the address and port it serves
//                on, and the login the Web Connector must give (the password only as a
//                salted hash)
//   ownerid, fileid
//                the GUIDs the Web Connector's .qwc file names this application by

#include <memory>
#include <string>

#include "quickbooks/exchange_log.h"
#include "quickbooks/session.h"
#include "quickbooks/transport.h"
#include "quickbooks/transport_factory.h"

namespace vqb {
struct App;
}

namespace vqb::qb {

struct ConnectionConfig {
  std::string transport = "simulated";
  std::string companyFile;
  bool exchangeLog = true;
  std::string listenAddress = "127.0.0.1";
  int port = 8086;
  std::string userName;
  std::string passwordHash;
  std::string ownerId;
  std::string fileId;
  // How long a request waits for a Web Connector session (vqb-cli --wait); not kept.
  int waitSeconds = 120;
};

inline constexpr const char* kConnectionFileName = "QBconnection.xml";

std::string connection_file_path(const std::string& settingsFolder);
// Missing file: the defaults (no company file).
ConnectionConfig load_connection_config(const std::string& settingsFolder);
// Raises VqbError 75 when the file cannot be written, or when the file there cannot be read
// (refuse_damaged_settings_file): its company file and Web Connector IDs would be lost.
void save_connection_config(const std::string& settingsFolder, const ConnectionConfig& config);

// Everything one QuickBooks conversation needs: the transport chosen by the settings, the
// exchange log and the session the components use.
class QuickBooksLink {
 public:
  // The transport comes from `transports` (the registry unless a test hands in its own).
  // Throws QbError(kNotReachable) when no QuickBooks is configured or the transport is unknown.
  explicit QuickBooksLink(const std::string& settingsFolder,
                          const TransportFactory& transports = make_transport);
  ~QuickBooksLink();
  QuickBooksLink(const QuickBooksLink&) = delete;
  QuickBooksLink& operator=(const QuickBooksLink&) = delete;

  Session& session() { return *session_; }
  QbTransport& transport() { return *transport_; }
  const ConnectionConfig& config() const { return config_; }

 private:
  ConnectionConfig config_;
  std::unique_ptr<QbTransport> transport_;
  std::unique_ptr<ExchangeLog> log_;
  std::unique_ptr<Session> session_;
};

}  // namespace vqb::qb
