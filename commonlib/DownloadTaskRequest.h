// What the application hands to DownloadEngine::AddTask, and its two callbacks. Callback
// user data is pointer-sized (the application passes a window handle).
#pragma once

#include <cstdint>
#include <string>

typedef void (*DownloadProgressCallback)(uintptr_t userData, int64_t totalSize, int64_t completedSize,
                                         int32_t speed);
typedef void (*DownloadCompletionCallback)(uintptr_t userData, int32_t errorType, int32_t errorCode);

struct DownloadTaskRequest {
  std::wstring url;
  std::wstring spareAddresses;  // IP addresses separated by ";"
  std::wstring cdnHost;         // host of the alternative CDN; empty for none
  int64_t cdnMinSpeed = 0;      // bytes per second
  std::wstring fullPath;
  std::wstring md5;
  int64_t size = 0;
  std::string options;  // UTF-8 JSON object
  uintptr_t userData = 0;
  DownloadProgressCallback progress = nullptr;
  DownloadCompletionCallback completion = nullptr;
};
