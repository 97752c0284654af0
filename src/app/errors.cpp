#include "app/errors.h"

#include "app/user_interface.h"

namespace vqb {

VqbError::VqbError(long number, std::string description, std::source_location where)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      where_(where) {}

std::string number_dash_description(long number, const std::string& description) {
  return std::to_string(number) + " - " + description;
}

std::string common_error_report_text(const std::string& module, const std::string& procedure,
                                     long line, long number, const std::string& description) {
  const std::string crlf = "\r\n";
  return " has encountered a problem. We are sorry for the inconvenience." + crlf + crlf +
         "Module: " + module + crlf + "Procedure: " + procedure + crlf +
         "Line Number: " + std::to_string(line) + crlf + crlf + description + " (" +
         std::to_string(number) + ")";
}

void show_common_error(UserInterface& ui, const std::string& module, const std::string& procedure,
                       const VqbError& error) {
  ui.messageBox(common_error_report_text(module, procedure, static_cast<long>(error.where().line()),
                                         error.number(), error.description()),
                Buttons::Ok, Icon::Critical, "Application Error");
}

void show_common_error(UserInterface& ui, const std::string& module, const std::string& procedure,
                       const std::exception& error) {
  if (const auto* own = dynamic_cast<const VqbError*>(&error)) {
    show_common_error(ui, module, procedure, *own);
    return;
  }
  ui.messageBox(common_error_report_text(module, procedure, 0, 0, error.what()), Buttons::Ok,
                Icon::Critical, "Application Error");
}

}  // namespace vqb
