#pragma once
// vqb-cli parse-address [--json] TEXT: shows how an address text would be split into the
// QuickBooks address fields and by which means (parser, line split, cache, or the dialog it
// would need). Nothing is sent and nothing is cached.

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace vqb {
struct App;
}

namespace vqb::cli {

// Line breaks in TEXT: a real line feed, or the two characters "\n", become CR LF, as
// Vantora keeps them; CR LF stays as it is.
std::string address_argument_text(const std::string& argument);

// Holds the parsed arguments, so it must outlive the parse.
class ParseAddressCommand {
 public:
  ParseAddressCommand() = default;
  ParseAddressCommand(const ParseAddressCommand&) = delete;
  ParseAddressCommand& operator=(const ParseAddressCommand&) = delete;

  void addTo(CLI::App& cli);
  bool chosen() const;
  // Prints lines 1 to 4, city, state, postal code, country and the means; 1 after a failure.
  int run(App& app, std::ostream& out, std::ostream& err) const;

 private:
  CLI::App* command_{};
  std::string text_;
  bool json_{false};
};

}  // namespace vqb::cli
