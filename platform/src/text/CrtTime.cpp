// The time conversions of the Windows C runtime.
#include <cerrno>
#include <cstring>

#include <windows/text.h>

errno_t localtime_s(struct tm* result, const time_t* time) {
  if (result == nullptr) return EINVAL;
  if (time == nullptr || *time < 0) {
    std::memset(result, 0xFF, sizeof *result);
    return EINVAL;
  }
  return localtime_r(time, result) != nullptr ? 0 : EINVAL;
}
