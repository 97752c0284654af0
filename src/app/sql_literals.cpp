#include "app/sql_literals.h"

#include <array>
#include <charconv>

namespace vqb {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool word_start(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u >= 0x80;
}
bool word_char(char c) {
  return word_start(c) || is_digit(c) || c == '$';
}

bool is_word(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

template <std::size_t N>
bool is_any(std::string_view word, const std::array<std::string_view, N>& words) {
  for (std::string_view w : words)
    if (is_word(word, w)) return true;
  return false;
}

// Where the literals stay in the text: a result-column list, or ORDER BY / GROUP BY terms,
// each at a parenthesis depth.
struct KeptRegion {
  enum class Kind { None, ResultColumns, Ordering } kind = Kind::None;
  int depth = 0;
  explicit operator bool() const { return kind != Kind::None; }
  void reset() { kind = Kind::None; }
};

constexpr std::array<std::string_view, 4> kStatements{"SELECT", "INSERT", "UPDATE", "DELETE"};
constexpr std::array<std::string_view, 10> kEndOfColumns{
    "FROM", "WHERE", "GROUP", "ORDER", "LIMIT", "HAVING", "UNION", "INTERSECT", "EXCEPT", "WINDOW"};
constexpr std::array<std::string_view, 6> kEndOfOrdering{"LIMIT", "HAVING", "WINDOW",
                                                         "UNION", "EXCEPT", "INTERSECT"};

}  // namespace

std::optional<ParameterizedSql> parameterize_literals(std::string_view sql) {
  ParameterizedSql out;
  KeptRegion kept;
  int depth = 0;
  bool first = true;
  std::size_t copied = 0;
  const std::size_t n = sql.size();
  auto lift = [&](std::size_t start, std::size_t end, SqlLiteral literal) {
    out.shape.append(sql.substr(copied, start - copied));
    out.values.push_back(std::move(literal));
    out.shape += '?';
    out.shape += std::to_string(out.values.size());
    copied = end;
  };

  std::size_t i = 0;
  while (i < n) {
    const char c = sql[i];
    const char next = i + 1 < n ? sql[i + 1] : '\0';
    if (is_blank(c)) {
      ++i;
      continue;
    }
    if (c == '-' && next == '-') {
      const std::size_t end = sql.find('\n', i);
      i = end == std::string_view::npos ? n : end + 1;
      continue;
    }
    if (c == '/' && next == '*') {
      const std::size_t end = sql.find("*/", i + 2);
      i = end == std::string_view::npos ? n : end + 2;
      continue;
    }
    if (first && !word_start(c)) return std::nullopt;
    if (c == '\'') {
      std::string text;
      std::size_t j = i + 1;
      for (;; ++j) {
        if (j >= n) return std::nullopt;  // unterminated: the engine reports it
        if (sql[j] == '\0') return std::nullopt;
        if (sql[j] == '\'') {
          if (j + 1 < n && sql[j + 1] == '\'') {
            text += '\'';
            ++j;
            continue;
          }
          break;
        }
        text += sql[j];
      }
      if (!kept) lift(i, j + 1, SqlLiteral{true, 0, std::move(text)});
      i = j + 1;
      continue;
    }
    if (c == '"' || c == '`' || c == '[') {  // a quoted name
      const char close = c == '[' ? ']' : c;
      std::size_t j = i + 1;
      for (;; ++j) {
        if (j >= n) return std::nullopt;
        if (sql[j] != close) continue;
        if (close != ']' && j + 1 < n && sql[j + 1] == close) {
          ++j;
          continue;
        }
        break;
      }
      i = j + 1;
      continue;
    }
    if (c == '?' || c == ':' || c == '@' || c == '$' || c == '\0') return std::nullopt;
    if (is_digit(c) || (c == '.' && is_digit(next))) {
      std::size_t j = i;
      bool integer = true;
      if (c == '0' && (next == 'x' || next == 'X')) {  // hexadecimal: left as it is
        integer = false;
        j += 2;
      }
      while (j < n && is_digit(sql[j])) ++j;
      if (j < n && sql[j] == '.') {
        integer = false;
        for (++j; j < n && is_digit(sql[j]);) ++j;
      }
      if (j < n && (sql[j] == 'e' || sql[j] == 'E')) {
        integer = false;
        ++j;
        if (j < n && (sql[j] == '+' || sql[j] == '-')) ++j;
      }
      while (j < n && word_char(sql[j])) ++j;  // digits of an exponent or a hex number
      if (integer && !kept) {
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(sql.data() + i, sql.data() + j, value);
        if (error == std::errc{} && end == sql.data() + j) lift(i, j, SqlLiteral{false, value, {}});
      }
      i = j;
      continue;
    }
    if (word_start(c)) {
      std::size_t j = i;
      while (j < n && word_char(sql[j])) ++j;
      const std::string_view word = sql.substr(i, j - i);
      if (first) {
        if (!is_any(word, kStatements)) return std::nullopt;
        first = false;
      }
      if ((word == "x" || word == "X") && j < n && sql[j] == '\'') return std::nullopt;  // a blob
      if (kept && kept.depth == depth &&
          ((kept.kind == KeptRegion::Kind::ResultColumns && is_any(word, kEndOfColumns)) ||
           (kept.kind == KeptRegion::Kind::Ordering && is_any(word, kEndOfOrdering))))
        kept.reset();
      if (!kept) {
        if (is_word(word, "SELECT"))
          kept = KeptRegion{KeptRegion::Kind::ResultColumns, depth};
        else if (is_word(word, "ORDER") || is_word(word, "GROUP"))
          kept = KeptRegion{KeptRegion::Kind::Ordering, depth};
      }
      i = j;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') {
      --depth;
      if (kept && depth < kept.depth) kept.reset();
    }
    ++i;
  }
  if (out.values.empty()) return std::nullopt;
  out.shape.append(sql.substr(copied));
  return out;
}

}  // namespace vqb
