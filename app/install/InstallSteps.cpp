#include "app/install/InstallSteps.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "app/install/AppLog.h"
#include "app/install/LauncherDetection.h"
#include "commonlib/logger/FileLogger.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {
const wchar_t kFile[] = L".\\app\\install\\InstallSteps.cpp";
const wchar_t kOtherGame[] = L"远岚秘境";
}  // namespace

const wchar_t InstallSteps::kRunValueName[] = L"VarnelCom-Launcher";

InstallSteps::RunResult InstallSteps::RunProcessAndWait(const std::wstring& application,
                                                        const std::wstring& commandLine,
                                                        const std::atomic<bool>* cancel) {
  RunResult result;
  STARTUPINFOW startup = STARTUPINFOW();
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = PROCESS_INFORMATION();
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    result.startError = GetLastError();
    if (result.startError == 0) result.startError = ERROR_FILE_NOT_FOUND;
    return result;
  }
  CloseHandle(info.hThread);
  for (;;) {
    DWORD wait = WaitForSingleObject(info.hProcess, cancel ? 100 : INFINITE);
    if (wait != WAIT_TIMEOUT) break;
    if (cancel && cancel->load()) {
      result.cancelled = true;
      break;
    }
  }
  if (!result.cancelled) GetExitCodeProcess(info.hProcess, &result.exitCode);
  CloseHandle(info.hProcess);
  return result;
}

std::wstring InstallSteps::InstallerCommandLine(const std::wstring& installerPath, const std::wstring& installDir) {
  return QuotedArgument(installerPath) + L" /S " + QuotedArgument(L"/unpack=" + installDir) + L" /launch=off";
}

std::wstring InstallSteps::QuotedArgument(const std::wstring& text) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

std::wstring InstallSteps::LauncherCommandLine(const std::wstring& launcherPath, int32_t gameId) {
  return StringUtils::Format(L"%s -i \"%d\" -d", QuotedArgument(launcherPath).c_str(), static_cast<int>(gameId));
}

std::wstring InstallSteps::AutoRunText(const std::wstring& launcherPath) {
  return L"\"" + launcherPath + L"\" --auto";
}

bool InstallSteps::WriteTgId(const std::wstring& installDir, const std::wstring& text) {
  FileUtils::CreateDirectoryTree(installDir);
  FILE* file = _wfopen(FileUtils::PathInFolder(installDir, L"tg.id").c_str(), L"wb");
  if (file == nullptr) return false;
  // What a UTF-8 text-mode stream of the C runtime writes: the mark, then the text.
  std::string bytes = "\xEF\xBB\xBF" + StringUtils::WideToUtf8(StringUtils::ReplaceAll(text, L"\n", L"\r\n"));
  bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = fclose(file) == 0 && ok;
  return ok;
}

bool InstallSteps::WritePreference(const std::wstring& installDir, bool startWithSystem) {
  std::wstring path = FileUtils::PathInFolder(installDir, L"preference.ini");
  if (WritePrivateProfileStringW(L"Config", L"StartupWithOS", startWithSystem ? L"1" : L"0", path.c_str())) {
    return true;
  }
  JF_APP_LOG(kLogError, kFile, L"write %s failed:%u", path.c_str(), static_cast<unsigned>(GetLastError()));
  return false;
}

bool InstallSteps::WriteIniPair(const std::wstring& iniPath, const std::wstring& exe) {
  FileUtils::CreateUnicodeFile(iniPath);
  bool ok = WritePrivateProfileStringW(LauncherDetection::kIniSection, L"InstallPath", exe.c_str(), iniPath.c_str()) &&
            WritePrivateProfileStringW(LauncherDetection::kIniSection, L"SouiInstallPath", exe.c_str(),
                                       iniPath.c_str());
  if (!ok) JF_APP_LOG(kLogError, kFile, L"write %s failed:%u", iniPath.c_str(), static_cast<unsigned>(GetLastError()));
  return ok;
}

void InstallSteps::WriteLauncherIni(const std::wstring& installDir, bool hidden) {
  std::wstring exe = FileUtils::PathInFolder(installDir, LauncherDetection::kLauncherExe);
  std::wstring appData = CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_APPDATA);
  if (!appData.empty()) WriteIniPair(appData + L"\\" + LauncherDetection::kIniName, exe);
  std::wstring documents = CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_DOCUMENTS);
  if (!documents.empty()) {
    std::wstring folder = documents + L"\\VarnelLauncher";
    FileUtils::CreateDirectoryTree(folder);
    WriteIniPair(folder + L"\\" + LauncherDetection::kIniName, exe);
  }
  if (hidden && !CommonUtils::GetAutoRun(kRunValueName).empty()) {
    CommonUtils::SetAutoRun(kRunValueName, AutoRunText(exe));
  }
}

DWORD InstallSteps::StartLauncher(const std::wstring& installDir, int32_t gameId) {
  std::wstring exe = FileUtils::PathInFolder(installDir, LauncherDetection::kLauncherExe);
  return CommonUtils::RunProcess(nullptr, exe, LauncherCommandLine(exe, gameId));
}

void InstallSteps::CleanMiniLog(int logSetting) {
  if (logSetting != 1) return;
  FileLogger::Instance().Close();
  FileUtils::DeleteDirectoryTree(CommonUtils::GetModuleDir() + L"\\MiniLog");
}

std::wstring InstallSteps::OtherGamePath(const std::wstring& installDir) {
  return FileUtils::PathInFolder(installDir, kOtherGame) + L"\\yl.exe";
}

void InstallSteps::CreateOtherGameShortcuts(const std::wstring& installDir) {
  std::wstring target = OtherGamePath(installDir);
  if (CommonUtils::GetOSMajorVersion() < 10) {
    std::wstring programs = CommonUtils::GetSpecialFolderPath(CSIDL_PROGRAMS);
    if (!programs.empty()) {
      std::wstring link = CommonUtils::CreateShortcut(programs + L"\\澜铭网络", kOtherGame, target);
      if (!link.empty()) ShellExecuteW(nullptr, L"TaskbarPin", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
  }
  std::wstring desktop = CommonUtils::GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY);
  if (!desktop.empty()) CommonUtils::CreateShortcut(desktop, kOtherGame, target);
}
