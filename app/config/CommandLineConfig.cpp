#include "app/config/CommandLineConfig.h"

#include <string>

#include "app/config/AppConfig.h"
#include "commonlib/util/CommandLineOptions.h"
#include "commonlib/util/StringUtils.h"

bool ReadCommandLine(const CommandLineOptions& options) {
  AppConfig& config = AppConfig::Instance();
  std::wstring value;
  if (options.FindEntry(L'i') && options.GetValue(L'i', value)) {
    config.gameId = static_cast<int32_t>(StringUtils::ToInt64(value));
  }
  if (options.FindEntry(L'h')) config.hidden = true;
  if (options.FindEntry(L'r') && options.GetValue(L'r', value)) {
    config.runLauncher = static_cast<int32_t>(StringUtils::ToInt64(value)) != 0;
  }
  if (options.FindEntry(L'p') && options.GetValue(L'p', value)) config.installPath = value;
  if (options.FindEntry(L'j')) config.jfFlag = true;
  return true;
}

bool CommandLineHoldsHide(int argc, wchar_t** argv) {
  // The program's own path comes first and is no option.
  for (int i = 1; i < argc; ++i) {
    const wchar_t* word = argv[i];
    if (word == nullptr) continue;
    if (word[0] == L'-' && word[1] == L'h') return true;
    if (std::wstring(word) == L"--hide") return true;
  }
  return false;
}
