#pragma once
// vqb-cli: every command parses its own options and runs on the settings folder given by
// --settings (or VQB_SETTINGS_DIR, or the user's own).

#include <iosfwd>
#include <string>
#include <vector>

namespace vqb::cli {

// Runs vqb-cli with the given arguments (argv[0] included); returns the exit code.
int run(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
        bool interactive);

}  // namespace vqb::cli
