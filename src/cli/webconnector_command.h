#pragma once
// vqb-cli webconnector setup|qwc: set up the QuickBooks Web Connector transport and write the
// .qwc file that adds this application to the Web Connector; vqb-cli qb process: one qbXML
// request from standard input answered by the simulated company (support replays a logged
// request with it; tests stand a simulated company behind a Web Connector imitation).

#include <iosfwd>
#include <string>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace vqb::cli {

class WebConnectorCommand {
 public:
  WebConnectorCommand() = default;
  WebConnectorCommand(const WebConnectorCommand&) = delete;
  WebConnectorCommand& operator=(const WebConnectorCommand&) = delete;

  // `qb` is the qb command, which gets `process`.
  void addTo(CLI::App& cli, CLI::App& qb);
  bool chosen() const;
  // Returns the exit code (2 for a missing password or a bad port).
  int run(const std::string& settingsFolder, std::istream& in, std::ostream& out,
          std::ostream& err) const;

 private:
  CLI::App* setup_{};
  CLI::App* qwc_{};
  CLI::App* process_{};
  CLI::Option* portOption_{};
  std::string user_;
  int port_{0};
  std::string listen_;
  std::string file_;
  std::string url_;
};

// The GUID form the Web Connector expects: {8-4-4-4-12} upper-case hexadecimal.
std::string new_guid();
// The .qwc file's text.
std::string qwc_text(const std::string& appUrl, const std::string& userName,
                     const std::string& ownerId, const std::string& fileId);

}  // namespace vqb::cli
