#include "app/AppConfig.h"

#include "core/DeploymentProfile.h"

AppConfig::AppConfig() : logServerUrl(DeploymentProfile::DownloadReportUrl()) {}

AppConfig& AppConfig::Instance() {
  static AppConfig config;
  return config;
}
