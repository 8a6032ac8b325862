#include "commonlib/util/PathText.h"

std::wstring NormalizeAndGetParentDir(const std::wstring& path) {
  std::wstring p = path;
  for (wchar_t& c : p) {
    if (c == L'/') c = L'\\';
  }
  if (!p.empty() && p.back() == L'\\') p.pop_back();
  const size_t slash = p.rfind(L'\\');
  if (slash == std::wstring::npos) return std::wstring();
  return p.substr(0, slash);
}

std::wstring PathBeforeLast(const std::wstring& text, const std::wstring& separator) {
  if (separator.empty()) return text;
  const size_t at = text.rfind(separator);
  return at == std::wstring::npos ? text : text.substr(0, at);
}
