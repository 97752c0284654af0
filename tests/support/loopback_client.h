#pragma once
// Raw loopback connections for the Web Connector service's siege test and benchmark: a
// socket to 127.0.0.1 (optionally from another loopback address), bytes out, the answer in.
// Every wait is bounded.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>

namespace vqb::test {

class LoopbackConnection {
 public:
  // Connects to 127.0.0.1:port from `from` (a 127.x.y.z address) or any loopback address.
  explicit LoopbackConnection(int port, const char* from = nullptr) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    if (from) {
      inet_pton(AF_INET, from, &addr.sin_addr);
      if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close();
        return;
      }
    }
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) close();
  }
  ~LoopbackConnection() { close(); }
  LoopbackConnection(const LoopbackConnection&) = delete;
  LoopbackConnection& operator=(const LoopbackConnection&) = delete;

  bool connected() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // False once the service has closed the connection.
  bool send(std::string_view bytes) {
    while (fd_ >= 0 && !bytes.empty()) {
      const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return fd_ >= 0;
  }
  // Whether an answer, or the end of the connection, can be read within `limit`.
  bool readable(std::chrono::milliseconds limit) const {
    pollfd p{fd_, POLLIN, 0};
    return fd_ >= 0 && ::poll(&p, 1, static_cast<int>(limit.count())) > 0;
  }
  // Everything until the service closes the connection, read for at most `limit`.
  std::string receiveAll(std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    std::string text;
    const auto until = std::chrono::steady_clock::now() + limit;
    char buffer[16384];
    while (readable(std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now()))) {
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }
  // Whether the service has closed the connection (waits at most `limit` to learn it).
  bool closedByService(std::chrono::milliseconds limit) {
    char byte;
    return readable(limit) && ::recv(fd_, &byte, 1, MSG_DONTWAIT) <= 0;
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_{-1};
};

// An HTTP POST of `body` to the service's path, closing the connection after the answer.
inline std::string http_post(std::string_view body) {
  return "POST /qbwc HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\nConnection: "
         "close\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

// The body of an HTTP answer ("" when none came).
inline std::string http_body(const std::string& answer) {
  const auto end = answer.find("\r\n\r\n");
  return end == std::string::npos ? "" : answer.substr(end + 4);
}

}  // namespace vqb::test
