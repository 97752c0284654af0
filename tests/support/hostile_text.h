#pragma once
// Texts that try to break SQL, qbXML or the program: quotes and SQL comments, markup and a
// CDATA end, a NUL byte, right-to-left and other non-ASCII text, a 4,000-character text,
// control characters and Windows line ends. Tests send each through every path a text takes.

#include <cstddef>
#include <string>
#include <vector>

namespace vqb::test {

struct HostileText {
  const char* label;  // a name for test output: "quotes", "nul"
  std::string text;
};

const std::vector<HostileText>& hostile_texts();

// What QuickBooks holds for `text` sent in a field of at most `limit` characters (0: none):
// the control characters XML cannot carry dropped (a NUL ends the text, as in a C string),
// then cut to the limit.
std::string as_held(const std::string& text, std::size_t limit = 0);

}  // namespace vqb::test
