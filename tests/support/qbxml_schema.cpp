#include "support/qbxml_schema.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vqb::test {

bool haveXmllint() {
  return std::system("xmllint --version > /dev/null 2>&1") == 0;
}

std::string schemaProblems(const std::vector<std::string>& documents, const std::string& folder) {
  if (documents.empty()) return "";
  std::string files;
  auto fileOf = [&](std::size_t i) { return folder + "/request-" + std::to_string(i) + ".xml"; };
  for (std::size_t i = 0; i < documents.size(); ++i) {
    std::ofstream(fileOf(i), std::ios::binary) << documents[i];
    files += " '" + fileOf(i) + "'";
  }
  const std::string output = folder + "/xmllint.txt";
  const std::string command = "xmllint --noout --schema '" + std::string(VQB_QBXML_SCHEMA_DIR) +
                              "/qbxmlops130.xsd'" + files + " > '" + output + "' 2>&1";
  const int rc = std::system(command.c_str());
  std::stringstream report;
  report << std::ifstream(output).rdbuf();
  // xmllint names each valid file "… validates"; every other line is a complaint.
  std::string complaints, line;
  while (std::getline(report, line)) {
    if (!line.ends_with(" validates")) complaints += line + "\n";
  }
  for (std::size_t i = 0; i < documents.size(); ++i) {
    if (report.str().find(fileOf(i) + " validates") == std::string::npos)
      complaints += documents[i] + "\n";
  }
  if (rc == 0 && complaints.empty()) return "";
  return complaints;
}

}  // namespace vqb::test
