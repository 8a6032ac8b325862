// Processes: starting programs with Windows command lines, waits and exit codes, ending
// them, opening them by id, snapshots, image paths, tokens.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include <psapi.h>
#include <tlhelp32.h>
#include <windows.h>

namespace {

namespace fs = std::filesystem;

// The state letter of /proc/<pid>/stat.
char StateLetter(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  size_t close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() ? 0 : line[close + 2];
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/jf_process_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    helper_ = std::string(JF_TEST_BIN_DIR) + "/jf_child";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  static std::wstring Win(const std::string& host) { return jf::WinPathFromHost(host); }

  // A copy of the helper under another name, without the execute bit (as if downloaded).
  std::string CopyHelper(const std::string& name) {
    std::string path = dir_ + "/" + name;
    fs::copy_file(helper_, path);
    chmod(path.c_str(), 0644);
    return path;
  }

  // Starts a program; the process record is filled on success.
  bool Start(const std::wstring& application, std::wstring line, PROCESS_INFORMATION& pi,
             const wchar_t* directory = nullptr, void* environment = nullptr, DWORD flags = 0,
             BOOL inherit = FALSE) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    pi = PROCESS_INFORMATION{};
    return CreateProcessW(application.empty() ? nullptr : application.c_str(), line.empty() ? nullptr : &line[0],
                          nullptr, nullptr, inherit, flags, environment, directory, &si, &pi) != FALSE;
  }

  static void Close(PROCESS_INFORMATION& pi) {
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_TRUE(CloseHandle(pi.hThread));
  }

  // The null-separated words the helper wrote.
  static std::vector<std::string> Words(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::vector<std::string> words;
    std::string text = all.str(), word;
    for (char c : text) {
      if (c) word += c;
      else words.push_back(word), word.clear();
    }
    return words;
  }

  std::string dir_;
  std::string helper_;
};

TEST_F(ProcessTest, CommandLineIsSplitByWindowsRulesAndExitCodeArrives) {
  std::string out = dir_ + "/argv";
  std::wstring program = Win(helper_);
  std::wstring line = L"\"" + program + L"\" \"out=" + jf::FromUtf8(out) +
                      L";exit=7\" \"a b\" c:\\dir\\ \"x\\\"y\" \"tail\\\\\" plain \"say \"\"hi\"\"\" a\\\\b";
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(Start(program, line, pi)) << GetLastError();
  EXPECT_EQ(pi.dwProcessId, GetProcessId(pi.hProcess));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 10000));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hThread, 0));
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(7u, code);
  std::vector<std::string> words = Words(out);
  ASSERT_GE(words.size(), 9u);
  EXPECT_EQ(jf::ToUtf8(program), words[0]);
  EXPECT_EQ("a b", words[2]);
  EXPECT_EQ("c:\\dir\\", words[3]);
  EXPECT_EQ("x\"y", words[4]);
  EXPECT_EQ("tail\\", words[5]);
  EXPECT_EQ("plain", words[6]);
  EXPECT_EQ("say \"hi\"", words[7]);
  EXPECT_EQ("a\\\\b", words[8]);
  Close(pi);
}

TEST_F(ProcessTest, ProgramFromFirstWordGainsExeAndExecuteBit) {
  std::string copy = CopyHelper("setup.exe");
  std::string out = dir_ + "/argv";
  std::wstring line = L"\"" + Win(dir_) + L"\\setup\" out=" + jf::FromUtf8(out);
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(Start(L"", line, pi)) << GetLastError();
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 10000));
  struct stat st;
  ASSERT_EQ(0, stat(copy.c_str(), &st));
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  std::vector<std::string> words = Words(out);
  ASSERT_GE(words.size(), 2u);
  EXPECT_EQ("out=" + out, words[1]);
  Close(pi);
}

TEST_F(ProcessTest, UnquotedProgramWithBlanksAndBareNamesAreFound) {
  fs::create_directory(dir_ + "/a b");
  CopyHelper("a b/run me.exe");
  std::string out = dir_ + "/argv";
  PROCESS_INFORMATION pi;
  // Windows tries "...\a", "...\a.exe", then "...\a b\run", "...\a b\run.exe", "...\a b\run me.exe".
  ASSERT_TRUE(Start(L"", Win(dir_) + L"\\a b\\run me.exe out=" + jf::FromUtf8(out), pi)) << GetLastError();
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 10000));
  Close(pi);
  std::vector<std::string> words = Words(out);
  ASSERT_GE(words.size(), 4u);
  EXPECT_EQ(jf::ToUtf8(Win(dir_)) + "\\a", words[0]);  // the child splits its line as Windows does

  // A bare name is looked for beside the running program (the helper sits beside the tests).
  ASSERT_TRUE(Start(L"", L"jf_child out=" + jf::FromUtf8(out) + L" exit=5", pi)) << GetLastError();
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 10000));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(5u, code);
  Close(pi);
  // With an application name there is no search ("sh" is only found through PATH).
  EXPECT_FALSE(Start(L"sh", L"sh -c true", pi));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(ProcessTest, FolderEnvironmentAndHandlesReachTheChild) {
  std::string out = dir_ + "/argv";
  std::string sub = dir_ + "/work dir";
  fs::create_directory(sub);
  // A descriptor that a Windows program would not pass on without inheritance.
  int fd = open((dir_ + "/held").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  std::wstring block = std::wstring(L"JF_CHILD_TAG=\x4e2d\x6587") + L'\0' + L"PATH=/usr/bin" + L'\0' + L'\0';
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(Start(Win(helper_), L"child out=" + jf::FromUtf8(out), pi, Win(sub).c_str(), &block[0],
                    CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 10000));
  Close(pi);
  std::vector<std::string> words = Words(out);
  ASSERT_EQ(5u, words.size());
  EXPECT_EQ("child", words[0]);
  EXPECT_EQ("cwd=" + sub, words[2]);
  EXPECT_EQ("tag=\xe4\xb8\xad\xe6\x96\x87", words[3]);
  EXPECT_EQ("fds=0", words[4]);

  // With inheritance the descriptor goes along.
  ASSERT_TRUE(Start(Win(helper_), L"child out=" + jf::FromUtf8(out), pi, nullptr, nullptr, 0, TRUE));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 10000));
  Close(pi);
  words = Words(out);
  ASSERT_EQ(5u, words.size());
  EXPECT_NE("fds=0", words[4]);
  close(fd);
}

TEST_F(ProcessTest, ProgramsThatCannotStartReportWindowsErrors) {
  PROCESS_INFORMATION pi;
  EXPECT_FALSE(Start(Win(dir_ + "/missing.exe"), L"x", pi));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(Start(Win(dir_ + "/no/such/dir/a.exe"), L"x", pi));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  EXPECT_FALSE(Start(L"", L"\"" + Win(dir_) + L"\\nothing\" arg", pi));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

  std::ofstream(dir_ + "/setup.exe") << "MZ this is not a program here";
  EXPECT_FALSE(Start(Win(dir_ + "/setup.exe"), L"setup.exe /S", pi));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_EXE_FORMAT), GetLastError());

  EXPECT_FALSE(Start(Win(dir_), L"x", pi));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

  std::wstring missingFolder = Win(dir_ + "/gone");
  EXPECT_FALSE(Start(Win(helper_), L"x", pi, missingFolder.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), GetLastError());
}

TEST_F(ProcessTest, WaitTimesOutThenTerminateSetsTheExitCode) {
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(Start(Win(helper_), L"jf_child sleep=30000", pi));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(pi.hProcess, 20));
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);

  // A second handle from the id shares the state of our child.
  HANDLE opened = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pi.dwProcessId);
  ASSERT_NE(nullptr, opened);
  EXPECT_TRUE(TerminateProcess(opened, 3));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 10000));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(opened, 0));
  ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(3u, code);
  // Ending an ended process fails as on Windows.
  EXPECT_FALSE(TerminateProcess(pi.hProcess, 4));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_TRUE(CloseHandle(opened));
  Close(pi);
}

TEST_F(ProcessTest, SnapshotListsTheChildByNameWithParentAndImagePath) {
  std::string copy = CopyHelper("launcher.exe");
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(Start(Win(copy), L"launcher.exe sleep=30000", pi)) << GetLastError();

  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  ASSERT_NE(INVALID_HANDLE_VALUE, snapshot);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  ASSERT_TRUE(Process32FirstW(snapshot, &entry));
  EXPECT_EQ(0u, entry.th32ProcessID);  // the idle process comes first
  bool found = false, self = false;
  while (Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == pi.dwProcessId) {
      found = true;
      EXPECT_STREQ(L"launcher.exe", entry.szExeFile);
      EXPECT_EQ(GetCurrentProcessId(), entry.th32ParentProcessID);
    }
    self = self || entry.th32ProcessID == GetCurrentProcessId();
  }
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
  EXPECT_TRUE(found);
  EXPECT_TRUE(self);
  entry.dwSize = 8;
  EXPECT_FALSE(Process32FirstW(snapshot, &entry));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_LENGTH), GetLastError());
  EXPECT_TRUE(CloseHandle(snapshot));
  EXPECT_EQ(INVALID_HANDLE_VALUE, CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  std::vector<DWORD> ids(4096);
  DWORD bytes = 0;
  ASSERT_TRUE(EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes));
  ids.resize(bytes / sizeof(DWORD));
  EXPECT_NE(std::find(ids.begin(), ids.end(), pi.dwProcessId), ids.end());

  HANDLE opened = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pi.dwProcessId);
  ASSERT_NE(nullptr, opened);
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameExW(opened, nullptr, path, MAX_PATH), 0u);
  EXPECT_EQ(Win(copy), path);
  wchar_t small[4];
  EXPECT_EQ(3u, GetModuleFileNameExW(opened, nullptr, small, 4));
  EXPECT_EQ(Win(copy).substr(0, 3), small);
  DWORD size = MAX_PATH;
  ASSERT_TRUE(QueryFullProcessImageNameW(opened, 0, path, &size));
  EXPECT_EQ(Win(copy).size(), size);
  // A download replaces the program's file while it runs: the program keeps its path.
  std::string next = CopyHelper("launcher.exe.part");
  ASSERT_TRUE(MoveFileExW(Win(next).c_str(), Win(copy).c_str(), MOVEFILE_REPLACE_EXISTING));
  size = MAX_PATH;
  ASSERT_TRUE(QueryFullProcessImageNameW(opened, 0, path, &size));
  EXPECT_EQ(Win(copy), path);
  EXPECT_TRUE(CloseHandle(opened));

  EXPECT_TRUE(TerminateProcess(pi.hProcess, 0));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 10000));
  Close(pi);
}

TEST_F(ProcessTest, ProcessThatIsNotOurChildCanBeWaitedForAndEnded) {
  // The shell leaves a sleeping grandchild behind and ends; the grandchild is not ours.
  std::string pidFile = dir_ + "/pid";
  std::string script = "\"" + helper_ + "\" sleep=30000 & echo $! > \"" + pidFile + "\"";
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(Start(Win("/bin/sh"), L"sh -c \"" + jf::FromUtf8(script) + L"\"", pi, nullptr, nullptr, 0, FALSE));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 10000));
  Close(pi);
  DWORD pid = 0;
  std::ifstream(pidFile) >> pid;
  ASSERT_NE(0u, pid);

  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
  ASSERT_NE(nullptr, process);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(process, 20));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);
  EXPECT_TRUE(TerminateProcess(process, 0));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000));
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(CloseHandle(process));

  EXPECT_EQ(nullptr, OpenProcess(PROCESS_ALL_ACCESS, FALSE, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_EQ(nullptr, OpenProcess(PROCESS_ALL_ACCESS, FALSE, 0x7FFFFFF0u));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(ProcessEndedTest, EndedProcessWaitingToBeReapedIsNotListed) {
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) _exit(0);
  // Not reaped on purpose: the host keeps it as a zombie, Windows would not list it.
  // Waits for the end without reaping, however late a loaded machine runs the child.
  siginfo_t info{};
  ASSERT_EQ(0, waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT));
  ASSERT_EQ('Z', StateLetter(pid));
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool listed = false;
  for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry))
    listed = listed || entry.th32ProcessID == static_cast<DWORD>(pid);
  EXPECT_FALSE(listed);
  CloseHandle(snapshot);
  EXPECT_EQ(nullptr, OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  int status = 0;
  EXPECT_EQ(pid, waitpid(pid, &status, 0));
}

TEST(ProcessSelfTest, CurrentProcessTokensAndWow64) {
  EXPECT_EQ(static_cast<DWORD>(getpid()), GetCurrentProcessId());
  EXPECT_EQ(GetCurrentProcessId(), GetProcessId(GetCurrentProcess()));
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(GetCurrentProcess(), &code));
  EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameExW(GetCurrentProcess(), nullptr, path, MAX_PATH), 0u);
  EXPECT_NE(std::wstring(path).find(L"platform_tests"), std::wstring::npos);

  typedef BOOL(WINAPI * Wow64Fn)(HANDLE, PBOOL);
  auto wow64 = reinterpret_cast<Wow64Fn>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process"));
  ASSERT_NE(nullptr, wow64);
  BOOL isWow64 = TRUE;
  EXPECT_TRUE(wow64(GetCurrentProcess(), &isWow64));
  EXPECT_FALSE(isWow64);

  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  ASSERT_TRUE(LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &privileges.Privileges[0].Luid));
  EXPECT_EQ(20u, privileges.Privileges[0].Luid.LowPart);
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  SetLastError(ERROR_INVALID_FUNCTION);
  EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
  LUID luid;
  EXPECT_FALSE(LookupPrivilegeValueW(nullptr, L"SeNoSuchPrivilege", &luid));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE), GetLastError());
  EXPECT_TRUE(CloseHandle(token));
  EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

}  // namespace
