#include "quickbooks/web_connector_server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

namespace vqb::qb {

using Clock = std::chrono::steady_clock;

struct GuardedServer::Connection {
  int fd{-1};
  std::string address;
  std::uint64_t order{0};
  bool known{false};    // has sent a whole request
  bool working{false};  // a handler runs, or its answer is being written
  bool dropped{false};  // closed to make room
  bool closeAfter{false};
  bool unreadBody{false};
};

namespace {

thread_local GuardedServer::Connection* tConnection = nullptr;
thread_local std::mutex* tMutex = nullptr;

std::string ip_text(const sockaddr_storage& addr, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (addr.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(addr);
    inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
    port = ntohs(in.sin_port);
  } else if (addr.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(addr);
    inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
    port = ntohs(in6.sin6_port);
  }
  return text;
}

// A connection's socket, read through a buffer. A request's bytes must all arrive by its
// deadline, counted from its first byte; its answer must be taken within the same time.
class GuardedStream final : public httplib::Stream {
 public:
  GuardedStream(int fd, std::chrono::seconds deadline) : fd_(fd), deadline_(deadline) {
    sockaddr_storage addr{};
    socklen_t size = sizeof addr;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &size) == 0)
      remoteIp_ = ip_text(addr, remotePort_);
  }
  const std::string& remoteIp() const { return remoteIp_; }

  // Waits up to `idle` for the next request to begin; its deadline starts then.
  bool awaitRequest(std::chrono::seconds idle) {
    writeUntil_.reset();
    if (pos_ == len_) {
      readUntil_ = Clock::now() + idle;
      if (!wait(POLLIN, readUntil_)) return false;
    }
    readUntil_ = Clock::now() + deadline_;
    return true;
  }
  // Reads and drops what the client still sends, until it closes or the deadline passes.
  void drain() {
    ::shutdown(fd_, SHUT_WR);
    readUntil_ = Clock::now() + deadline_;
    std::array<char, 16384> sink;
    while (wait(POLLIN, readUntil_) && ::recv(fd_, sink.data(), sink.size(), 0) > 0) {
    }
  }

  bool is_readable() const override { return pos_ < len_ || wait(POLLIN, readUntil_); }
  bool is_writable() const override { return wait(POLLOUT, writeUntil()); }
  ssize_t read(char* ptr, size_t size) override {
    if (pos_ == len_) {
      if (!wait(POLLIN, readUntil_)) return -1;
      ssize_t n;
      do n = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
      while (n < 0 && errno == EINTR);
      if (n <= 0) return n;
      pos_ = 0;
      len_ = static_cast<std::size_t>(n);
    }
    const std::size_t n = std::min(size, len_ - pos_);
    std::memcpy(ptr, buffer_.data() + pos_, n);
    pos_ += n;
    return static_cast<ssize_t>(n);
  }
  ssize_t write(const char* ptr, size_t size) override {
    if (!wait(POLLOUT, writeUntil())) return -1;
    ssize_t n;
    do n = ::send(fd_, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    return n;
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = remoteIp_;
    port = remotePort_;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage addr{};
    socklen_t size = sizeof addr;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &size) == 0) ip = ip_text(addr, port);
  }
  socket_t socket() const override { return fd_; }

 private:
  Clock::time_point writeUntil() const {
    if (!writeUntil_) writeUntil_ = Clock::now() + deadline_;
    return *writeUntil_;
  }
  bool wait(short events, Clock::time_point until) const {
    for (;;) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
      if (left.count() <= 0) return false;
      pollfd p{fd_, events, 0};
      const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
      if (ready > 0) return true;
      if (ready < 0 && errno != EINTR) return false;
    }
  }

  const int fd_;
  const std::chrono::seconds deadline_;
  std::string remoteIp_;
  int remotePort_{0};
  std::array<char, 8192> buffer_{};
  std::size_t pos_{0}, len_{0};
  Clock::time_point readUntil_{};
  mutable std::optional<Clock::time_point> writeUntil_;
};

}  // namespace

GuardedServer::GuardedServer(const WebConnectorLimits& limits) : limits_(limits) {
  // One worker per connection served, and a few to turn away those over the caps at once.
  new_task_queue = [n = limits.maxConnections + 4] { return new httplib::ThreadPool(n); };
  // SO_REUSEADDR alone: a restart binds at once, but never beside a program still listening.
  set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  set_payload_max_length(limits.maxBodyBytes);
  set_keep_alive_max_count(limits.keepAliveMaxRequests);
  set_keep_alive_timeout(limits.keepAliveIdle.count());
  set_read_timeout(limits.requestDeadline.count(), 0);
  set_write_timeout(limits.requestDeadline.count(), 0);
}

httplib::Server::Handler GuardedServer::working(Handler handler) {
  return
      [handler = std::move(handler)](const httplib::Request& request, httplib::Response& response) {
        if (tConnection) {
          std::lock_guard lock(*tMutex);
          tConnection->working = true;
        }
        handler(request, response);
      };
}

void GuardedServer::closeAfterAnswer(bool unreadBody) {
  if (!tConnection) return;
  std::lock_guard lock(*tMutex);
  tConnection->closeAfter = true;
  tConnection->unreadBody = tConnection->unreadBody || unreadBody;
}

std::shared_ptr<GuardedServer::Connection> GuardedServer::admit(int fd,
                                                                const std::string& address) {
  std::lock_guard lock(mutex_);
  ++seen_;
  seenChanged_.notify_all();
  if (stopping_) return nullptr;
  std::size_t total = 0, fromAddress = 0;
  for (const auto& c : open_) {
    if (c->dropped) continue;
    ++total;
    if (c->address == address) ++fromAddress;
  }
  const bool addressFull = fromAddress >= limits_.maxConnectionsPerAddress;
  if (addressFull || total >= limits_.maxConnections) {
    // The stranger that has waited longest gives way, then the longest idle client.
    Connection* victim = nullptr;
    for (const auto& c : open_) {
      if (c->dropped || c->working || (addressFull && c->address != address)) continue;
      if (!victim || std::pair(c->known, c->order) < std::pair(victim->known, victim->order))
        victim = c.get();
    }
    if (!victim) return nullptr;
    victim->dropped = true;
    ::shutdown(victim->fd, SHUT_RDWR);
  }
  auto connection = std::make_shared<Connection>();
  connection->fd = fd;
  connection->address = address;
  connection->order = seen_;
  open_.push_back(connection);
  return connection;
}

void GuardedServer::release(const std::shared_ptr<Connection>& connection) {
  std::lock_guard lock(mutex_);
  std::erase(open_, connection);
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
  GuardedStream stream(sock, limits_.requestDeadline);
  auto connection = admit(sock, stream.remoteIp());
  if (!connection) {
    static constexpr char kBusy[] =
        "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    ::send(sock, kBusy, sizeof kBusy - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    ::close(sock);
    return false;
  }
  tConnection = connection.get();
  tMutex = &mutex_;
  bool ok = true;
  for (std::size_t served = 0; served < limits_.keepAliveMaxRequests; ++served) {
    if (!stream.awaitRequest(limits_.keepAliveIdle)) break;
    bool closed = false;
    ok = process_request(stream, served + 1 == limits_.keepAliveMaxRequests, closed, nullptr);
    std::lock_guard lock(mutex_);
    connection->working = false;
    connection->known = true;
    if (!ok || closed || connection->closeAfter || connection->dropped || stopping_) break;
  }
  tConnection = nullptr;
  bool drain;
  {
    std::lock_guard lock(mutex_);
    drain = connection->unreadBody && !connection->dropped;
    connection->known = false;  // while draining, the first to make room
  }
  if (drain) stream.drain();
  release(connection);
  ::close(sock);
  return ok;
}

int GuardedServer::bindTo(const std::string& address, int port) {
  const int bound =
      port == 0 ? bind_to_any_port(address) : (bind_to_port(address, port) ? port : -1);
  if (bound > 0) ::listen(svr_sock_, SOMAXCONN);  // cpp-httplib listens with a backlog of 5
  return bound;
}

void GuardedServer::shutdown() {
  stop();
  std::lock_guard lock(mutex_);
  stopping_ = true;
  for (const auto& c : open_) {
    if (c->working) continue;
    c->dropped = true;
    ::shutdown(c->fd, SHUT_RDWR);
  }
}

std::uint64_t GuardedServer::connectionsSeen() const {
  std::lock_guard lock(mutex_);
  return seen_;
}

bool GuardedServer::waitForConnections(std::uint64_t count, std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return seenChanged_.wait_for(lock, limit, [&] { return seen_ >= count; });
}

bool port_in_use(const std::string& address, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool inUse = false;
  for (addrinfo* a = found; a && !inUse; a = a->ai_next) {
    const int sock = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (sock < 0) continue;
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    inUse = ::bind(sock, a->ai_addr, a->ai_addrlen) != 0 && errno == EADDRINUSE;
    ::close(sock);
  }
  freeaddrinfo(found);
  return inUse;
}

}  // namespace vqb::qb
