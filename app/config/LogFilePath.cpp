#include "app/config/LogFilePath.h"

#include <windows.h>

#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/StringUtils.h"

std::wstring GetLogStartStamp() {
  static const std::wstring stamp = [] {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return StringUtils::Format(L"%d%02d%02d_%02d%02d%02d", now.wYear, now.wMonth, now.wDay, now.wHour,
                               now.wMinute, now.wSecond);
  }();
  return stamp;
}

std::wstring GetMiniLogDir() {
  const std::wstring dir = CommonUtils::GetModuleDir() + L"\\MiniLog";
  FileUtils::CreateDirectoryTree(dir);
  return dir;
}

std::wstring BuildLogFilePath() {
  static const std::wstring path =
      StringUtils::Format(L"%s\\mini_downloader%s.jfelog", GetMiniLogDir().c_str(), GetLogStartStamp().c_str());
  return path;
}
