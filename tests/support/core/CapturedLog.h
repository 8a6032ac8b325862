// Test aid: collects what the trace logger sends to the debugger output, and reads the
// records of a file log back as text.
#pragma once

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "commonlib/logger/LogRecordCipher.h"

class CapturedLog {
 public:
  CapturedLog() { jf::SetDebugOutputHook(&CapturedLog::Hook, this); }
  ~CapturedLog() { jf::SetDebugOutputHook(nullptr, nullptr); }
  CapturedLog(const CapturedLog&) = delete;
  CapturedLog& operator=(const CapturedLog&) = delete;

  std::vector<std::wstring> Lines() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
  }
  size_t CountContaining(const std::wstring& part) {
    size_t n = 0;
    for (const std::wstring& line : Lines()) n += line.find(part) != std::wstring::npos ? 1 : 0;
    return n;
  }

  // The lines of a file log at a host path.
  static std::vector<std::wstring> ReadFileLog(const std::string& hostPath) {
    std::vector<std::wstring> lines;
    FILE* f = fopen(hostPath.c_str(), "rb");
    if (f == nullptr) return lines;
    unsigned char size[4];
    while (fread(size, 1, 4, f) == 4) {
      uint32_t n = size[0] | (size[1] << 8) | (size[2] << 16) | (static_cast<uint32_t>(size[3]) << 24);
      std::string record(n, '\0');
      if (fread(&record[0], 1, n, f) != n) break;
      LogRecordCipher::Decipher(reinterpret_cast<uint8_t*>(&record[0]), n);
      std::wstring line;
      for (uint32_t i = 0; i + 1 < n; i += 2) {
        line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(record[i]) |
                                            (static_cast<unsigned char>(record[i + 1]) << 8)));
      }
      lines.push_back(line);
    }
    fclose(f);
    return lines;
  }

  // "Z:\tmp\x" for the host path "/tmp/x".
  static std::wstring WindowsPath(const std::string& hostPath) {
    std::wstring out = L"Z:";
    for (char c : hostPath) out.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    return out;
  }

 private:
  static void Hook(const wchar_t* text, void* context) {
    CapturedLog* self = static_cast<CapturedLog*>(context);
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->m_lines.push_back(text);
  }

  std::mutex m_mutex;
  std::vector<std::wstring> m_lines;
};
