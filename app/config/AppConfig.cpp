#include "app/config/AppConfig.h"

#include "commonlib/core/DeploymentProfile.h"

AppConfig::AppConfig() : logServerUrl(DeploymentProfile::DownloadReportUrl()) {}

AppConfig& AppConfig::Instance() {
  static AppConfig config;
  return config;
}
