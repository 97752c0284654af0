#pragma once
// Exact decimal arithmetic for qbXML amounts, prices, quantities and percentages. Money is
// kept in whole cents; products and percentages are rounded half away from zero to the cent.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vqb::qb::sim {

struct Decimal {
  std::int64_t units = 0;  // value = units / 10^scale
  int scale = 0;
};

// "12", "-0.5", "+3.25", ".75"; nothing for any other text (blanks around are allowed).
std::optional<Decimal> parseDecimal(std::string_view text);
// a + b, exactly.
Decimal addDecimals(Decimal a, Decimal b);
// The value rounded to whole cents.
std::int64_t toCents(Decimal value);
// a x b in whole cents.
std::int64_t productCents(Decimal a, Decimal b);
// percent % of an amount in cents.
std::int64_t percentOfCents(std::int64_t cents, Decimal percent);
// An amount in cents divided by a non-zero divisor, to `decimals` places.
Decimal quotientOf(std::int64_t cents, Decimal divisor, int decimals);
// The value with at least minDecimals decimals and no other trailing zeros: 12.5 -> "12.50"
// (2), 3 -> "3" (0), 1.23456 -> "1.23456".
std::string decimalText(Decimal value, int minDecimals);
// 12345 -> "123.45".
std::string centsText(std::int64_t cents);

}  // namespace vqb::qb::sim
