// A unique temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include "platform/src/internal/paths.h"
#include <stdlib.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/jfcore_XXXXXX";
    const char* made = mkdtemp(pattern);
    m_host = made ? made : "";
  }
  ~TempFolder() {
    std::error_code ec;
    // Read-only entries stay deletable for root and for the owner of the folder.
    std::filesystem::remove_all(m_host, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Host() const { return m_host; }
  std::string Host(const std::string& name) const { return m_host + "/" + name; }
  // Files below the folder, by host-relative name.
  void Write(const std::string& name, const std::string& content) const {
    std::ofstream(Host(name), std::ios::binary) << content;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Host(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& name) const {
    struct stat st;
    return stat(Host(name).c_str(), &st) == 0;
  }

  // The folder in Windows form (under drive Z:), without a trailing backslash.
  std::wstring Win() const { return jf::WinPathFromHost(m_host); }
  std::wstring Win(const std::wstring& name) const { return Win() + L"\\" + name; }

 private:
  std::string m_host;
};
