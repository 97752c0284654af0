#include "cli/webconnector_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <iterator>
#include <pugixml.hpp>
#include <sstream>

#include "app/errors.h"
#include "app/os_calls.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "quickbooks/connection.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/sim/simulated_company.h"
#include "quickbooks/web_connector_service.h"
#include "quickbooks/web_connector_transport.h"

namespace vqb::cli {
namespace {

std::string app_url(const qb::ConnectionConfig& config) {
  const bool local = config.listenAddress == "127.0.0.1" || config.listenAddress == "localhost";
  return "http://" + (local ? std::string("localhost") : config.listenAddress) + ":" +
         std::to_string(config.port) + qb::kQbwcPath;
}

// Why the setup arguments cannot be used; "" when they can.
std::string setup_argument_problem(const std::string& user, int port, bool portGiven,
                                   const std::string& listen) {
  if (user.find_first_not_of(" \t") == std::string::npos) return "The user name must not be empty.";
  // 0 serves on any free port (tests); a real Web Connector needs the port its .qwc names.
  if (portGiven && (port < 0 || port > 65535))
    return "The port must be between 1 and 65535, not " + std::to_string(port) + ".";
  if (!listen.empty() && listen != "localhost" && !os::is_ip_address(listen)) {
    std::string shown;  // nothing a terminal would act on
    for (char c : listen)
      if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) shown += c;
    return "The listen address must be an IP address such as 127.0.0.1 or ::1, not \"" + shown +
           "\".";
  }
  return "";
}

int setup(const std::string& folder, const std::string& user, int port, bool portGiven,
          const std::string& listen, std::istream& in, std::ostream& out, std::ostream& err) {
  if (std::string problem = setup_argument_problem(user, port, portGiven, listen);
      !problem.empty()) {
    err << problem << " Nothing was changed.\n";
    return 2;
  }
  std::string password;
  std::getline(in, password);
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (password.empty()) {
    err << "Give the Web Connector's password as one line on standard input.\n";
    return 2;
  }
  qb::ConnectionConfig config = qb::load_connection_config(folder);
  config.transport = "webconnector";
  config.userName = user;
  config.passwordHash = qb::hash_password(password);
  if (portGiven) config.port = port;
  if (!listen.empty()) config.listenAddress = listen;
  qb::save_connection_config(folder, config);
  out << "QuickBooks is now reached through the Web Connector at " << app_url(config) << " as user "
      << user << ".\n";
  return 0;
}

int write_qwc(const std::string& folder, const std::string& file, const std::string& url,
              std::ostream& out, std::ostream& err) {
  refuse_damaged_settings_file(qb::connection_file_path(folder));
  qb::ConnectionConfig config = qb::load_connection_config(folder);
  if (config.userName.empty()) {
    err << "Run vqb-cli webconnector setup --user NAME first.\n";
    return 1;
  }
  if (config.ownerId.empty() || config.fileId.empty()) {
    // Kept, so that a new .qwc file replaces the application in the Web Connector.
    if (config.ownerId.empty()) config.ownerId = new_guid();
    if (config.fileId.empty()) config.fileId = new_guid();
    qb::save_connection_config(folder, config);
  }
  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  stream << qwc_text(url.empty() ? app_url(config) : url, config.userName, config.ownerId,
                     config.fileId);
  if (!stream.flush()) {
    err << "Cannot write " << file << "\n";
    return 1;
  }
  out << "Wrote " << file << ": add it to the QuickBooks Web Connector (Add an application).\n";
  return 0;
}

int process(const std::string& folder, std::istream& in, std::ostream& out, std::ostream& err) {
  qb::ConnectionConfig config = qb::load_connection_config(folder);
  if (config.companyFile.empty()) {
    err << "No simulated QuickBooks company is configured in " << qb::connection_file_path(folder)
        << "\n";
    return 1;
  }
  const std::string request{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  try {
    qb::sim::SimulatedCompany company(config.companyFile);
    out << company.process(request);
    return 0;
  } catch (const VqbError& error) {
    err << number_dash_description(error.number(), error.description()) << "\n";
    return 1;
  }
}

}  // namespace

std::string new_guid() {
  std::string hex = qb::random_hex(16);
  std::transform(hex.begin(), hex.end(), hex.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  return "{" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
         hex.substr(16, 4) + "-" + hex.substr(20) + "}";
}

std::string qwc_text(const std::string& appUrl, const std::string& userName,
                     const std::string& ownerId, const std::string& fileId) {
  pugi::xml_document doc;
  auto decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  auto root = doc.append_child("QBWCXML");
  auto add = [&root](const char* name, const std::string& value) {
    root.append_child(name).text() = value.c_str();
  };
  add("AppName", "Vantora QuickBooks Integrator");
  add("AppID", "");
  add("AppURL", appUrl);
  add("AppDescription",
      "Sends Vantora customers, suppliers, invoices, payments and purchase "
      "orders to QuickBooks");
  add("AppSupport", appUrl + "?support");
  add("UserName", userName);
  add("OwnerID", ownerId);
  add("FileID", fileId);
  add("QBType", "QBFS");
  root.append_child("Scheduler").append_child("RunEveryNMinutes").text() = "1";
  add("IsReadOnly", "false");
  std::ostringstream text;
  doc.save(text, "  ");
  return text.str();
}

void WebConnectorCommand::addTo(CLI::App& cli, CLI::App& qb) {
  auto* command =
      cli.add_subcommand("webconnector", "Set up the QuickBooks Web Connector transport");
  command->require_subcommand(1);
  setup_ = command->add_subcommand(
      "setup",
      "Read the password from standard input, keep its salted hash and use the Web "
      "Connector to reach QuickBooks");
  setup_->add_option("--user", user_, "The user name the Web Connector logs in with")->required();
  portOption_ = setup_->add_option("--port", port_, "Port to serve on, 1-65535 (default 8086)");
  setup_->add_option("--listen", listen_, "Address to serve on (default 127.0.0.1)");
  qwc_ = command->add_subcommand("qwc", "Write the .qwc file to add to the Web Connector");
  qwc_->add_option("FILE", file_, "The file to write")->required();
  qwc_->add_option("--url", url_,
                   "The address the Web Connector calls, when it is not this computer's own "
                   "(an https reverse proxy)");
  process_ = qb.add_subcommand(
      "process", "Answer one qbXML request from standard input with the simulated company");
}

bool WebConnectorCommand::chosen() const {
  return (setup_ && *setup_) || (qwc_ && *qwc_) || (process_ && *process_);
}

int WebConnectorCommand::run(const std::string& settingsFolder, std::istream& in, std::ostream& out,
                             std::ostream& err) const {
  try {
    if (*setup_)
      return setup(settingsFolder, user_, port_, portOption_->count() > 0, listen_, in, out, err);
    if (*qwc_) return write_qwc(settingsFolder, file_, url_, out, err);
    return process(settingsFolder, in, out, err);
  } catch (const VqbError& error) {
    err << number_dash_description(error.number(), error.description()) << "\n";
    return 1;
  }
}

}  // namespace vqb::cli
