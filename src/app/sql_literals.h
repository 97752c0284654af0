#pragma once
// Lifts the integer and text literals out of a statement built as text, so that statements
// differing only in their values ("... where number = 1001", "... = 1002") share one compiled
// statement, the values bound in their place.
//
// A literal stays in the text where the engine would treat a parameter differently: in a
// result-column list (the column's name is its text), in ORDER BY and GROUP BY (a number
// there is a column position) and real numbers (the engine's own conversion decides their
// last digit). Statements other than SELECT, INSERT, UPDATE and DELETE, texts that already
// hold parameters, blob literals or a NUL byte are left as they are.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vqb {

struct SqlLiteral {
  bool isText{};
  std::int64_t integer{};
  std::string text;  // unquoted: '' becomes '
  bool operator==(const SqlLiteral&) const = default;
};

struct ParameterizedSql {
  std::string shape;  // the statement with ?1, ?2 ... in place of the literals
  std::vector<SqlLiteral> values;
};

// nullopt when the text is to be compiled as it stands.
std::optional<ParameterizedSql> parameterize_literals(std::string_view sql);

}  // namespace vqb
