#include "platform/src/kernel/KernelArea.h"

namespace jf {

DWORD CopyOutOrNeeded(const std::wstring& text, LPWSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  return static_cast<DWORD>(text.size());
}

}  // namespace jf
