// The single steps that turn a downloaded installer into a configured, running platform:
// the silent installer run, "tg.id", "preference.ini", the launcher's INI files and Run
// value, the launcher start, the log clean-up and the other game's shortcuts.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

class InstallSteps {
 public:
  static const wchar_t kRunValueName[];

  struct RunResult {
    DWORD startError = 0;  // 0 when the program started
    DWORD exitCode = 0;
    bool cancelled = false;  // the wait was given up; the program may still run
  };

  // Starts the program and waits for it, giving up when *cancel becomes true (checked
  // every 100 ms).
  static RunResult RunProcessAndWait(const std::wstring& application, const std::wstring& commandLine,
                                     const std::atomic<bool>* cancel);
  // ""<installer>" /S "/unpack=<folder>" /launch=off": every path is quoted, so that a path
  // with blanks is one argument (and never names another program by its first word).
  static std::wstring InstallerCommandLine(const std::wstring& installerPath, const std::wstring& installDir);
  // The text in double quotes by the command-line rules: backslashes before a quote, and a
  // trailing run of them (a drive's root), are doubled, so the closing quote stays one.
  static std::wstring QuotedArgument(const std::wstring& text);
  // ""<launcher>" -i "<game id>" -d", the launcher's path quoted as well.
  static std::wstring LauncherCommandLine(const std::wstring& launcherPath, int32_t gameId);
  // The Run value's text for a launcher: the path in quotes, then --auto.
  static std::wstring AutoRunText(const std::wstring& launcherPath);

  // Writes the text as UTF-8 with a byte-order mark; false when the file cannot be written.
  static bool WriteTgId(const std::wstring& installDir, const std::wstring& text);
  static bool WritePreference(const std::wstring& installDir, bool startWithSystem);
  // Both INI copies of the launcher (created with a UTF-16LE mark); in hidden mode an
  // existing Run value is pointed at the new launcher.
  static void WriteLauncherIni(const std::wstring& installDir, bool hidden);
  // 0 or the system error of the start.
  static DWORD StartLauncher(const std::wstring& installDir, int32_t gameId);
  // With the log setting 1: closes the file log and removes the log folder.
  static void CleanMiniLog(int logSetting);
  static void CreateOtherGameShortcuts(const std::wstring& installDir);
  // The other game's program inside the install folder.
  static std::wstring OtherGamePath(const std::wstring& installDir);

 private:
  static bool WriteIniPair(const std::wstring& iniPath, const std::wstring& exe);
};
