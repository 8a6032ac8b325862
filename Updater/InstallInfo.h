// The section "Install" of the installer-information answer.
#pragma once

#include <cstdint>
#include <string>

struct InstallInfo {
  std::wstring url;       // Url, replaced by a non-empty SSLUrl
  std::wstring murl;      // kept, not used
  std::wstring md5;       // Md5
  std::wstring sizeText;  // Size, decimal
  std::wstring version;   // Version
  std::wstring cdnHost;   // ThirdCDNHost
  int64_t cdnMinSpeed = 0;  // ThirdCDNMinSpeed, bytes per second
  std::wstring sslUrl;    // SSLUrl
};
