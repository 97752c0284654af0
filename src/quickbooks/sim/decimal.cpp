#include "quickbooks/sim/decimal.h"

#include <cmath>
#include <cstdlib>

#include "app/text_helpers.h"

namespace vqb::qb::sim {
namespace {

constexpr int kMaxScale = 9;

std::int64_t power10(int n) {
  std::int64_t result = 1;
  while (n-- > 0) result *= 10;
  return result;
}

// numerator / denominator (denominator > 0) rounded half away from zero.
std::int64_t divideRounded(std::int64_t numerator, std::int64_t denominator) {
  std::int64_t quotient = numerator / denominator;
  std::int64_t remainder = numerator % denominator;
  if (2 * (remainder < 0 ? -remainder : remainder) >= denominator)
    quotient += numerator < 0 ? -1 : 1;
  return quotient;
}

// units / 10^scale in cents, for any scale up to 2 * kMaxScale.
std::int64_t scaledToCents(std::int64_t units, int scale) {
  if (scale <= 2) return units * power10(2 - scale);
  return divideRounded(units, power10(scale - 2));
}

std::int64_t roundLongDouble(long double value) {
  return static_cast<std::int64_t>(std::llroundl(value));
}

}  // namespace

std::optional<Decimal> parseDecimal(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  Decimal value;
  bool digits = false, point = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (point && value.scale == kMaxScale) continue;  // finer than QuickBooks keeps
      if (value.units > (INT64_MAX - 9) / 10) return std::nullopt;
      value.units = value.units * 10 + (c - '0');
      if (point) ++value.scale;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  if (negative) value.units = -value.units;
  return value;
}

Decimal addDecimals(Decimal a, Decimal b) {
  while (a.scale < b.scale) {
    a.units *= 10;
    ++a.scale;
  }
  while (b.scale < a.scale) {
    b.units *= 10;
    ++b.scale;
  }
  return {a.units + b.units, a.scale};
}

std::int64_t toCents(Decimal value) {
  return scaledToCents(value.units, value.scale);
}

std::int64_t productCents(Decimal a, Decimal b) {
  std::int64_t units = 0;
  if (!__builtin_mul_overflow(a.units, b.units, &units))
    return scaledToCents(units, a.scale + b.scale);
  return roundLongDouble(static_cast<long double>(a.units) * static_cast<long double>(b.units) /
                         std::pow(10.0L, a.scale + b.scale - 2));
}

std::int64_t percentOfCents(std::int64_t cents, Decimal percent) {
  std::int64_t units = 0;
  if (!__builtin_mul_overflow(cents, percent.units, &units))
    return divideRounded(units, power10(percent.scale + 2));
  return roundLongDouble(static_cast<long double>(cents) * static_cast<long double>(percent.units) /
                         std::pow(10.0L, percent.scale + 2));
}

Decimal quotientOf(std::int64_t cents, Decimal divisor, int decimals) {
  // cents / 100 / (units / 10^scale) = cents * 10^(scale + decimals) / (100 * units) units.
  std::int64_t numerator = 0, denominator = 0;
  if (!__builtin_mul_overflow(cents, power10(divisor.scale + decimals), &numerator) &&
      !__builtin_mul_overflow(divisor.units, std::int64_t{100}, &denominator)) {
    if (denominator < 0) {
      numerator = -numerator;
      denominator = -denominator;
    }
    return {divideRounded(numerator, denominator), decimals};
  }
  return {
      roundLongDouble(static_cast<long double>(cents) * std::pow(10.0L, divisor.scale + decimals) /
                      (100.0L * static_cast<long double>(divisor.units))),
      decimals};
}

std::string decimalText(Decimal value, int minDecimals) {
  while (value.scale > minDecimals && value.units % 10 == 0) {
    value.units /= 10;
    --value.scale;
  }
  while (value.scale < minDecimals) {
    value.units *= 10;
    ++value.scale;
  }
  bool negative = value.units < 0;
  std::string digits = std::to_string(negative ? -value.units : value.units);
  if (value.scale > 0) {
    const auto scale = static_cast<std::size_t>(value.scale);
    if (digits.size() <= scale) digits = std::string(scale + 1 - digits.size(), '0') + digits;
    digits = digits.substr(0, digits.size() - scale) + "." + digits.substr(digits.size() - scale);
  }
  if (negative) digits.insert(digits.begin(), '-');
  return digits;
}

std::string centsText(std::int64_t cents) {
  return hundredths_text(cents);
}

}  // namespace vqb::qb::sim
