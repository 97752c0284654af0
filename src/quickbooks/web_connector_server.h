#pragma once
// The Web Connector service's HTTP server: cpp-httplib's, made fit for a network where
// anyone may connect. Each connection is read through a stream that gives a whole request
// one deadline (not each read), waits a limited time for the next request and serves a
// limited number of them; connections are capped in all and per client address, and when
// the cap is reached the connection that has waited longest without sending a whole request
// is closed to make room, so slow or idle strangers cannot lock out the Web Connector. The
// listening socket is bound without SO_REUSEPORT: a port another program listens on is
// refused, never shared.

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "quickbooks/web_connector_service.h"

namespace vqb::qb {

class GuardedServer : public httplib::Server {
 public:
  // One connection served.
  struct Connection;

  explicit GuardedServer(const WebConnectorLimits& limits);

  // Wraps a route's handler: from its start until its answer is written, its connection is
  // never closed to make room.
  static Handler working(Handler handler);
  // Closes the current connection once this answer is written. `unreadBody`: the client may
  // still be sending a body that was refused; it is read and dropped until the client stops
  // (within the request deadline), so that the client gets to read the answer.
  static void closeAfterAnswer(bool unreadBody);

  // Binds to `port` on `address` (0: a port the system chooses) with room for a burst of
  // connections waiting to be accepted; the port bound, or -1.
  int bindTo(const std::string& address, int port);
  // Stops listening and closes every connection; handlers that run finish.
  void shutdown();
  // Connections accepted so far (served or refused), and a wait for their number.
  std::uint64_t connectionsSeen() const;
  bool waitForConnections(std::uint64_t count, std::chrono::milliseconds limit) const;

 private:
  bool process_and_close_socket(socket_t sock) override;
  std::shared_ptr<Connection> admit(int fd, const std::string& address);
  void release(const std::shared_ptr<Connection>& connection);

  const WebConnectorLimits limits_;
  mutable std::mutex mutex_;
  mutable std::condition_variable seenChanged_;
  std::vector<std::shared_ptr<Connection>> open_;
  std::uint64_t seen_{0};
  bool stopping_{false};
};

// Whether another socket is bound to `port` on `address` (bind fails with EADDRINUSE).
bool port_in_use(const std::string& address, int port);

}  // namespace vqb::qb
