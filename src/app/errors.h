#pragma once
// One error type for the whole integrator: a stable number, a plain description and
// where it was raised (the line shown as "Line Number" in the error report).

#include <source_location>
#include <stdexcept>
#include <string>

namespace vqb {

class VqbError : public std::runtime_error {
 public:
  VqbError(long number, std::string description,
           std::source_location where = std::source_location::current());

  long number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const std::source_location& where() const noexcept { return where_; }

 private:
  long number_;
  std::string description_;
  std::source_location where_;
};

// Well-known numbers reused from the original platform.
namespace err {
inline constexpr long kSubscriptOutOfRange = 9;
inline constexpr long kTypeMismatch = 13;
inline constexpr long kSpecialFolder = 513;
inline constexpr long kFileNotFound = 53;
inline constexpr long kPathNotFound = 76;
inline constexpr long kQbNotReachable = 20852;
inline constexpr long kQbNameInUse = 20806;
}  // namespace err

// "<number> - <description>": the text of the "Confirm" and "Vantora" boxes.
std::string number_dash_description(long number, const std::string& description);

// The common error report: shown with the critical icon and the title "Application Error".
std::string common_error_report_text(const std::string& module, const std::string& procedure,
                                     long line, long number, const std::string& description);

class UserInterface;
// Shows the common error report for an error caught at a procedure's boundary.
void show_common_error(UserInterface& ui, const std::string& module, const std::string& procedure,
                       const VqbError& error);
// Any other exception (std::bad_alloc, ...) reported the same way, with number 0.
void show_common_error(UserInterface& ui, const std::string& module, const std::string& procedure,
                       const std::exception& error);

}  // namespace vqb
