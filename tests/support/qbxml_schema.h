#pragma once
// Checks qbXML request documents against Intuit's qbXML 13.0 schema with xmllint.

#include <optional>
#include <string>
#include <vector>

namespace vqb::test {

// True when xmllint can be run.
bool haveXmllint();

// Validates every document in one xmllint run, writing them to files in `folder`. Returns ""
// when each one validates, else xmllint's complaints followed by the documents that failed.
std::string schemaProblems(const std::vector<std::string>& documents, const std::string& folder);

}  // namespace vqb::test
