// What the update module reports to its owner (the main window). Results are pairs
// (error type, error code), (0, 0) meaning success. The Reserved operations and
// OnDownloadEvent are never called by the module.
#pragma once

#include <cstdint>
#include <string>

class IGameEventListener {
 public:
  virtual void Reserved0(int32_t a, int32_t b, int32_t c, int32_t d) = 0;
  virtual void Reserved1(int32_t a, int32_t b, int32_t c) = 0;
  // On every progress message while downloading; reserved is always 0.
  virtual void OnDownloadProgress(int64_t totalBytes, int64_t completedBytes, int32_t speed,
                                  int32_t reserved) = 0;
  // Once per finished download; message is "" on success.
  virtual void OnDownloadResult(int32_t errorType, int32_t errorCode, const std::wstring& message) = 0;
  virtual void Reserved4(int32_t a, int32_t b, int32_t c) = 0;
  virtual void Reserved5(int32_t a) = 0;
  virtual void Reserved6(int32_t a, int32_t b, int32_t c) = 0;
  virtual void Reserved7(int32_t a, int32_t b) = 0;
  virtual void Reserved8(int32_t a, int32_t b) = 0;
  virtual void OnDownloadEvent(int32_t event, int32_t value) = 0;
  // Once per answer of the installer-information request, success or failure. On success
  // the download has already been handed to the engine.
  virtual void OnInstallInfoResult(int32_t errorType, int32_t errorCode, const std::wstring& version,
                                   const std::wstring& md5) = 0;

 protected:
  // The module never deletes its listener.
  ~IGameEventListener() = default;
};
