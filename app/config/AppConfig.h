// The process-wide configuration of the installer: what the command line asks for and the
// fixed endpoints. Created with its defaults on first use, kept until the process ends.
// The other configuration pieces of app/config are declared in the headers included below.
#pragma once

#include <cstdint>
#include <string>

#include "app/config/CommandLineConfig.h"
#include "app/config/DnsResultCallback.h"
#include "app/config/LogFilePath.h"
#include "app/config/StringResource.h"

class AppConfig {
 public:
  static AppConfig& Instance();

  int32_t gameId = 0;          // -i; 0 leaves the window's own default
  bool hidden = false;         // -h
  bool jfFlag = false;         // -j: the platform is already installed
  bool runLauncher = true;     // -r
  std::wstring logServerUrl;   // endpoint of the download report
  std::wstring installPath;    // -p
  int32_t logEnabled = 0;      // [Debug] Log of "jfminiinstall.ini"

 private:
  AppConfig();
};
