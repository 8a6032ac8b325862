#include <windows.h>

#include <cstdint>

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const int64_t product = int64_t(number) * numerator;
  // Round half away from zero, as the system does.
  const bool negative = (product < 0) != (denominator < 0);
  const uint64_t p = product < 0 ? uint64_t(-product) : uint64_t(product);
  const uint64_t d = denominator < 0 ? uint64_t(-int64_t(denominator)) : uint64_t(denominator);
  const uint64_t q = (p + d / 2) / d;
  if (q > (negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX))) return -1;
  return negative ? int(-int64_t(q)) : int(q);
}
