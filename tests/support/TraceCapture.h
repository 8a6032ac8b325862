// Collects the trace log's lines (debugger output) while it lives.
#pragma once

#include <mutex>
#include <string>
#include <vector>

class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  std::vector<std::wstring> Lines() const;
  // Number of lines that contain `text`.
  int Count(const std::wstring& text) const;
  bool Contains(const std::wstring& text) const { return Count(text) > 0; }
  void Clear();

 private:
  static void Hook(const wchar_t* text, void* context);
  mutable std::mutex m_lock;
  std::vector<std::wstring> m_lines;
};
