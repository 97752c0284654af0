#pragma once
// vqb-cli prefs: read and write the settings of the preferences window, with the stored
// forms the window uses ("1"/"0" for check boxes, "True"/"False" for options, any text for
// the prefixes and the AR account).

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace vqb {
struct App;
}

namespace vqb::cli {

// `prefs get KEY`, `prefs set KEY VALUE` and `prefs list` on the command line. Holds the
// parsed arguments, so it must outlive the parse.
class PrefsCommand {
 public:
  PrefsCommand() = default;
  PrefsCommand(const PrefsCommand&) = delete;
  PrefsCommand& operator=(const PrefsCommand&) = delete;

  void addTo(CLI::App& cli);
  // Whether the command line chose `prefs`.
  bool chosen() const;
  bool writes() const;  // prefs set
  // Runs the chosen subcommand; returns the exit code (2 for an unknown key or a value the
  // key cannot hold).
  int run(App& app, std::ostream& out, std::ostream& err) const;

 private:
  CLI::App* prefs_{};
  CLI::App* get_{};
  CLI::App* set_{};
  CLI::App* list_{};
  std::string key_;
  std::string value_;
};

}  // namespace vqb::cli
