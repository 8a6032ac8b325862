#include "tests/support/TraceCapture.h"

#include <windows.h>

TraceCapture::TraceCapture() { jf::SetDebugOutputHook(&TraceCapture::Hook, this); }

TraceCapture::~TraceCapture() { jf::SetDebugOutputHook(nullptr, nullptr); }

void TraceCapture::Hook(const wchar_t* text, void* context) {
  TraceCapture* self = static_cast<TraceCapture*>(context);
  std::lock_guard<std::mutex> g(self->m_lock);
  self->m_lines.emplace_back(text ? text : L"");
}

std::vector<std::wstring> TraceCapture::Lines() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_lines;
}

int TraceCapture::Count(const std::wstring& text) const {
  std::lock_guard<std::mutex> g(m_lock);
  int n = 0;
  for (const auto& l : m_lines) n += l.find(text) != std::wstring::npos;
  return n;
}

void TraceCapture::Clear() {
  std::lock_guard<std::mutex> g(m_lock);
  m_lines.clear();
}
