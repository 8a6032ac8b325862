#include <shellapi.h>
#include <shlobj.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "tests/app/AppDrives.h"
#include "app/config/AppConfig.h"
#include "app/install/InstallSteps.h"
#include "app/install/LauncherDetection.h"
#include "app/install/OldInstallRemoval.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {

using apptest::AppDrives;

class InstallStepsTest : public AppDrives {
 protected:
  // jf_child copied to a Windows path (a real program under that name).
  std::wstring CopyChild(const std::wstring& win) {
    FileUtils::CreateDirectoryTree(FileUtils::GetParentDir(win));
    std::ifstream in(std::string(JF_TEST_BIN_DIR) + "/jf_child", std::ios::binary);
    std::ofstream out(Host(win), std::ios::binary);
    out << in.rdbuf();
    out.close();
    chmod(Host(win).c_str(), 0755);
    return win;
  }
  // The program runs for half a minute; back once it is seen running below folder.
  static PROCESS_INFORMATION RunSleeping(const std::wstring& exe, const std::wstring& folder) {
    STARTUPINFOW si = STARTUPINFOW();
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = PROCESS_INFORMATION();
    std::wstring line = exe + L" sleep=30000";
    if (!CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return pi;
    for (int i = 0; i < 100 && OldInstallRemoval::FindProcessesInDir(folder).empty(); ++i) Sleep(10);
    return pi;
  }
  static std::wstring Docs() { return CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_DOCUMENTS); }
  static std::wstring AppData() { return CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_APPDATA); }
  static void WriteLauncherIni(const std::wstring& path, const std::wstring& launcher) {
    FileUtils::CreateDirectoryTree(FileUtils::GetParentDir(path));
    WritePrivateProfileStringW(L"VarnelCom-Launcher", L"InstallPath", launcher.c_str(), path.c_str());
  }
  static void SetInstPath(HKEY root, const wchar_t* key, const std::wstring& folder) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr), ERROR_SUCCESS);
    RegSetValueExW(k, L"InstPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
  }
};

TEST_F(InstallStepsTest, CommandLinesKeepTheirQuotingAndTheRunValueItsQuotes) {
  EXPECT_EQ(InstallSteps::InstallerCommandLine(L"D:\\my dl\\vrinstaller.exe", L"D:\\my games\\jf"),
            L"\"D:\\my dl\\vrinstaller.exe\" /S \"/unpack=D:\\my games\\jf\" /launch=off");
  EXPECT_EQ(InstallSteps::LauncherCommandLine(L"D:\\jf\\VarnelLauncher.exe", -7),
            L"\"D:\\jf\\VarnelLauncher.exe\" -i \"-7\" -d");
  // A path with blanks is the program's first argument whole, in both command lines.
  for (const std::wstring& line : {InstallSteps::InstallerCommandLine(L"D:\\My Games\\vrinstaller.exe", L"D:\\x"),
                                   InstallSteps::LauncherCommandLine(L"D:\\My Games\\VarnelLauncher.exe", 1)}) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
    ASSERT_NE(argv, nullptr);
    EXPECT_EQ(std::wstring(argv[0]).substr(0, 12), L"D:\\My Games\\") << StringUtils::WideToUtf8(line);
    EXPECT_EQ(std::wstring(argv[1]), argc == 4 && line.find(L"/S") != std::wstring::npos ? L"/S" : L"-i");
    LocalFree(argv);
  }
  EXPECT_EQ(InstallSteps::AutoRunText(L"D:\\jf\\VarnelLauncher.exe"), L"\"D:\\jf\\VarnelLauncher.exe\" --auto");
  EXPECT_EQ(InstallSteps::OtherGamePath(L"D:\\jf"), L"D:\\jf\\远岚秘境\\yl.exe");
}

// The installer's folder argument reads back as written by the command-line rules, a drive's
// root and a folder with blanks among them; the switch after it stays a switch of its own.
TEST_F(InstallStepsTest, InstallerFolderArgumentSurvivesTheCommandLineSplit) {
  for (const wchar_t* folder : {L"D:\\", L"D:\\jf", L"D:\\my games\\jf", L"D:\\a\\\\b", L"D:\\x\"y\\"}) {
    const std::wstring line = InstallSteps::InstallerCommandLine(L"D:\\vrinstaller.exe", folder);
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
    ASSERT_NE(argv, nullptr);
    ASSERT_EQ(argc, 4) << StringUtils::WideToUtf8(line);
    EXPECT_EQ(std::wstring(argv[1]), L"/S");
    EXPECT_EQ(std::wstring(argv[2]), std::wstring(L"/unpack=") + folder) << StringUtils::WideToUtf8(line);
    EXPECT_EQ(std::wstring(argv[3]), L"/launch=off");
    LocalFree(argv);
  }
  EXPECT_EQ(InstallSteps::InstallerCommandLine(L"D:\\vrinstaller.exe", L"D:\\"),
            L"\"D:\\vrinstaller.exe\" /S \"/unpack=D:\\\\\" /launch=off");
}

TEST_F(InstallStepsTest, DetectionTriesTheFourPlacesInOrder) {
  std::wstring launcher, dir;
  EXPECT_FALSE(LauncherDetection::FindInstalledLauncher(launcher, dir));
  EXPECT_EQ(dir, L"");

  // The local machine's key needs its folder to exist; the launcher is then found there.
  CopyChild(L"D:\\hklm\\VarnelLauncher.exe");
  SetInstPath(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VarnelLauncher", L"D:\\hklm");
  EXPECT_TRUE(LauncherDetection::FindInstalledLauncher(launcher, dir));
  EXPECT_EQ(launcher, L"D:\\hklm\\VarnelLauncher.exe");

  CopyChild(L"D:\\appdata\\VarnelLauncher.exe");
  WriteLauncherIni(AppData() + L"\\VarnelLaucher.ini", L"D:\\appdata\\VarnelLauncher.exe");
  EXPECT_TRUE(LauncherDetection::FindInstalledLauncher(launcher, dir));
  EXPECT_EQ(dir, L"D:\\appdata");

  // A current-user folder without a launcher still becomes the folder; detection goes on.
  SetInstPath(HKEY_CURRENT_USER, L"Software\\VarnelLauncher", L"D:\\empty");
  dir.clear();
  EXPECT_TRUE(LauncherDetection::FindInstalledLauncher(launcher, dir));
  EXPECT_EQ(launcher, L"D:\\appdata\\VarnelLauncher.exe");

  CopyChild(L"D:\\hkcu\\VarnelLauncher.exe");
  SetInstPath(HKEY_CURRENT_USER, L"Software\\VarnelLauncher", L"D:\\hkcu");
  EXPECT_TRUE(LauncherDetection::FindInstalledLauncher(launcher, dir));
  EXPECT_EQ(launcher, L"D:\\hkcu\\VarnelLauncher.exe");
  EXPECT_EQ(dir, L"D:\\hkcu");

  // A documents INI naming a missing file is skipped; one naming a launcher wins.
  WriteLauncherIni(Docs() + L"\\VarnelLauncher\\VarnelLaucher.ini", L"D:\\gone\\VarnelLauncher.exe");
  EXPECT_TRUE(LauncherDetection::FindInstalledLauncher(launcher, dir));
  EXPECT_EQ(dir, L"D:\\hkcu");
  CopyChild(L"D:\\docs\\VarnelLauncher.exe");
  WriteLauncherIni(Docs() + L"\\VarnelLauncher\\VarnelLaucher.ini", L"D:\\docs\\VarnelLauncher.exe");
  EXPECT_TRUE(LauncherDetection::FindInstalledLauncher(launcher, dir));
  EXPECT_EQ(launcher, L"D:\\docs\\VarnelLauncher.exe");
  EXPECT_EQ(dir, L"D:\\docs");
}

// A path counts as the launcher only when it is a file named "VarnelLauncher.exe", whichever
// road found it: a folder, another program's file or a folder of the launcher's name do not.
TEST_F(InstallStepsTest, OnlyALauncherFileIsALauncher) {
  FileUtils::CreateDirectoryTree(L"D:\\Games\\澜铭聚峰\\bin");
  CopyChild(L"D:\\other\\tool.exe");
  FileUtils::CreateDirectoryTree(L"D:\\named\\VarnelLauncher.exe");
  const std::wstring ini = Docs() + L"\\VarnelLauncher\\VarnelLaucher.ini";
  FileUtils::CreateDirectoryTree(FileUtils::GetParentDir(ini));
  std::wstring launcher, dir;
  for (const wchar_t* named : {L"D:\\Games\\澜铭聚峰", L"D:\\other\\tool.exe", L"D:\\named\\VarnelLauncher.exe"}) {
    WriteLauncherIni(ini, named);
    WriteLauncherIni(AppData() + L"\\VarnelLaucher.ini", named);
    EXPECT_FALSE(LauncherDetection::FindInstalledLauncher(launcher, dir)) << jf::ToUtf8(named);
    EXPECT_EQ(launcher, L"");
  }
  SetInstPath(HKEY_CURRENT_USER, L"Software\\VarnelLauncher", L"D:\\named");
  SetInstPath(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VarnelLauncher", L"D:\\named");
  EXPECT_FALSE(LauncherDetection::FindInstalledLauncher(launcher, dir));
  EXPECT_EQ(launcher, L"");
}

// The removal itself refuses a folder that holds no launcher when it runs: nothing there is
// ended or deleted.
TEST_F(InstallStepsTest, RemovalRefusesAFolderWithoutItsLauncher) {
  for (const wchar_t* folder : {L"D:\\mine", L"D:\\dirnamed"}) {
    FileUtils::CreateDirectoryTree(std::wstring(folder) + L"\\bin");
    WriteWin(std::wstring(folder) + L"\\bin\\my-save.dat", "mine");
    WriteWin(std::wstring(folder) + L"\\GameSettings.ini", "mine");
  }
  FileUtils::CreateDirectoryTree(L"D:\\dirnamed\\VarnelLauncher.exe");
  PROCESS_INFORMATION pi = RunSleeping(CopyChild(L"D:\\mine\\tool.exe"), L"D:\\mine");
  ASSERT_NE(pi.hProcess, nullptr);
  for (const wchar_t* folder : {L"D:\\mine", L"D:\\dirnamed", L""}) {
    EXPECT_FALSE(OldInstallRemoval::EndProcessAndDelFile(folder)) << jf::ToUtf8(folder);
  }
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the user's program was ended";
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 2000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  for (const std::wstring& folder : std::vector<std::wstring>{L"D:\\mine", L"D:\\dirnamed"}) {
    EXPECT_EQ(ReadWin(folder + L"\\bin\\my-save.dat"), "mine");
    EXPECT_EQ(ReadWin(folder + L"\\GameSettings.ini"), "mine");
  }
}

TEST_F(InstallStepsTest, LongRegistryFolderIsReadWhole) {
  std::wstring folder = L"D:\\" + std::wstring(1500, L'a');
  SetInstPath(HKEY_CURRENT_USER, L"Software\\VarnelLauncher", folder);
  std::wstring launcher, dir;
  EXPECT_FALSE(LauncherDetection::FindInstalledLauncher(launcher, dir));
  EXPECT_EQ(dir, folder);
}

TEST_F(InstallStepsTest, LauncherIniFilesAreUtf16WithTheirMarkAndTheRunValueFollowsInHiddenMode) {
  InstallSteps::WriteLauncherIni(L"D:\\jf", false);
  const std::wstring exe = L"D:\\jf\\VarnelLauncher.exe";
  for (const std::wstring& ini : {AppData() + L"\\VarnelLaucher.ini", Docs() + L"\\VarnelLauncher\\VarnelLaucher.ini"}) {
    std::string bytes = ReadWin(ini);
    ASSERT_GE(bytes.size(), 2u) << jf::ToUtf8(ini);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(bytes.find(Utf16(L"InstallPath=" + exe)), std::string::npos);
    EXPECT_NE(bytes.find(Utf16(L"SouiInstallPath=" + exe)), std::string::npos);
  }
  EXPECT_EQ(CommonUtils::GetAutoRun(InstallSteps::kRunValueName), L"");
  InstallSteps::WriteLauncherIni(L"D:\\jf", true);  // no value yet: none written
  EXPECT_EQ(CommonUtils::GetAutoRun(InstallSteps::kRunValueName), L"");
  CommonUtils::SetAutoRun(InstallSteps::kRunValueName, L"\"C:\\old\\VarnelLauncher.exe\" --auto");
  InstallSteps::WriteLauncherIni(L"D:\\jf", false);
  EXPECT_EQ(CommonUtils::GetAutoRun(InstallSteps::kRunValueName), L"C:\\old\\VarnelLauncher.exe");
  InstallSteps::WriteLauncherIni(L"D:\\jf", true);
  EXPECT_EQ(CommonUtils::GetAutoRun(InstallSteps::kRunValueName), exe);
}

TEST_F(InstallStepsTest, PreferenceAndTgIdFilesWithLongPathsUntruncated) {
  std::wstring dir = L"D:\\" + std::wstring(120, L'p') + L"\\" + std::wstring(120, L'q') + L"\\jf";
  FileUtils::CreateDirectoryTree(dir);
  EXPECT_TRUE(InstallSteps::WritePreference(dir, false));
  EXPECT_EQ(ReadWin(dir + L"\\preference.ini"), "[Config]\r\nStartupWithOS=0\r\n");
  mkdir((d_ + "/jf").c_str(), 0755);
  EXPECT_TRUE(InstallSteps::WritePreference(L"D:\\jf", true));
  EXPECT_EQ(ReadWin(L"D:\\jf\\preference.ini"), "[Config]\r\nStartupWithOS=1\r\n");
  EXPECT_TRUE(InstallSteps::WriteTgId(L"D:\\new\\jf", L"渠道7"));
  EXPECT_EQ(ReadWin(L"D:\\new\\jf\\tg.id"), "\xEF\xBB\xBF" "\xE6\xB8\xA0\xE9\x81\x93" "7");
  EXPECT_FALSE(InstallSteps::WriteTgId(L"D:\\a|b", L"x"));
}

TEST_F(InstallStepsTest, MiniLogIsRemovedOnlyWithLogSettingOne) {
  std::wstring logDir = CommonUtils::GetModuleDir() + L"\\MiniLog";
  for (int setting : {0, 2, 1}) {
    FileUtils::CreateDirectoryTree(logDir);
    WriteWin(logDir + L"\\x.jfelog", "x");
    InstallSteps::CleanMiniLog(setting);
    EXPECT_EQ(ExistsWin(logDir), setting != 1) << setting;
  }
}

TEST_F(InstallStepsTest, OtherGameShortcutTargetsTheGameProgramInItsFolder) {
  InstallSteps::CreateOtherGameShortcuts(L"D:\\jf");
  std::wstring link = CommonUtils::GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY) + L"\\远岚秘境.lnk";
  std::string bytes = ReadWin(link);
  ASSERT_FALSE(bytes.empty());
  EXPECT_NE(bytes.find(jf::ToUtf8(L"D:\\jf\\")), std::string::npos);
}

TEST_F(InstallStepsTest, RunAndWaitReportsStartErrorsExitCodesAndGivesUpWhenCancelled) {
  std::wstring child = CopyChild(L"D:\\bin\\child.exe");
  InstallSteps::RunResult missing = InstallSteps::RunProcessAndWait(L"D:\\bin\\none.exe", L"none.exe", nullptr);
  EXPECT_EQ(missing.startError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  InstallSteps::RunResult done = InstallSteps::RunProcessAndWait(child, child + L" /S exit=7", nullptr);
  EXPECT_EQ(done.startError, 0u);
  EXPECT_EQ(done.exitCode, 7u);
  std::atomic<bool> cancel{false};
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    cancel = true;
  });
  // The child would outlast the suite's limit: coming back at all is giving up.
  InstallSteps::RunResult given = InstallSteps::RunProcessAndWait(child, child + L" sleep=3600000", &cancel);
  later.join();
  EXPECT_TRUE(given.cancelled);
  for (DWORD pid : OldInstallRemoval::FindProcessesInDir(L"D:\\bin")) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 2000);
    CloseHandle(process);
  }
}

TEST_F(InstallStepsTest, OldInstallIsStoppedAndItsFilesRemoved) {
  std::wstring exe = CopyChild(L"D:\\jf\\VarnelLauncher.exe");
  for (const char* name : {"tmupdate.ini", "uninst.exe", "Launcher.ini", "tg.id", "preference.ini",
                           "GameSettings.ini", "keep.txt"}) {
    WriteHost(d_ + "/jf/" + name, "x");
  }
  mkdir((d_ + "/jf/bin").c_str(), 0755);
  WriteHost(d_ + "/jf/bin/a.dll", "x");
  mkdir((d_ + "/jf/patch").c_str(), 0755);
  PROCESS_INFORMATION pi = RunSleeping(exe, L"D:\\jf");
  ASSERT_NE(pi.hProcess, nullptr);
  EXPECT_EQ(OldInstallRemoval::FindProcessesInDir(L"D:\\jf\\bin\\..").size(), 1u);
  // Another case is another folder on this file system, there or not.
  EXPECT_TRUE(OldInstallRemoval::FindProcessesInDir(L"D:\\JF").empty());
  mkdir((d_ + "/JF").c_str(), 0755);
  EXPECT_TRUE(OldInstallRemoval::FindProcessesInDir(L"D:\\JF").empty());
  EXPECT_TRUE(OldInstallRemoval::FindProcessesInDir(L"D:\\j").empty());    // a folder, not a prefix

  EXPECT_TRUE(OldInstallRemoval::EndProcessAndDelFile(L"D:\\jf"));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 2000), WAIT_OBJECT_0);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_TRUE(OldInstallRemoval::FindProcessesInDir(L"D:\\jf").empty());
  EXPECT_FALSE(HostExists(d_ + "/jf/bin"));
  EXPECT_FALSE(HostExists(d_ + "/jf/patch"));
  EXPECT_FALSE(HostExists(d_ + "/jf/VarnelLauncher.exe"));
  EXPECT_FALSE(HostExists(d_ + "/jf/GameSettings.ini"));
  EXPECT_TRUE(HostExists(d_ + "/jf/keep.txt"));
}

}  // namespace
