#include "platform/src/internal/trace.h"
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/platform/kernel/KernelProbe.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TraceSettingScope.h"

namespace {

typedef LONG(WINAPI* RtlGetVersionFn)(PRTL_OSVERSIONINFOW);

TEST(KernelTest, VersionIsWindows10Workstation) {
  OSVERSIONINFOEXW ex{};
  ex.dwOSVersionInfoSize = sizeof ex;
  ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&ex)));
  EXPECT_EQ(ex.dwMajorVersion, 10u);
  EXPECT_EQ(ex.dwMinorVersion, 0u);
  EXPECT_EQ(ex.dwBuildNumber, 19045u);
  EXPECT_EQ(ex.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(ex.wProductType, VER_NT_WORKSTATION);
  EXPECT_EQ(ex.wServicePackMajor, 0);
  EXPECT_EQ(ex.szCSDVersion[0], L'\0');

  OSVERSIONINFOW small{};
  small.dwOSVersionInfoSize = sizeof small;
  ASSERT_TRUE(GetVersionExW(&small));
  EXPECT_EQ(small.dwMajorVersion, 10u);
  small.dwOSVersionInfoSize = 12;
  EXPECT_FALSE(GetVersionExW(&small));

  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  ASSERT_NE(ntdll, nullptr);
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(GetProcAddress(ntdll, "RtlGetVersion"));
  ASSERT_NE(rtlGetVersion, nullptr);
  RTL_OSVERSIONINFOEXW rtl{};
  rtl.dwOSVersionInfoSize = sizeof rtl;
  EXPECT_EQ(rtlGetVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&rtl)), STATUS_SUCCESS);
  EXPECT_EQ(rtl.dwMajorVersion, 10u);
  EXPECT_EQ(rtl.dwBuildNumber, 19045u);
  rtl.dwOSVersionInfoSize = 3;
  EXPECT_NE(rtlGetVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&rtl)), STATUS_SUCCESS);
}

TEST(KernelTest, VerifyVersionInfoComparesAsWindowsDoes) {
  OSVERSIONINFOEXW want{};
  want.dwOSVersionInfoSize = sizeof want;
  want.wProductType = VER_NT_WORKSTATION;
  ULONGLONG mask = VerSetConditionMask(0, VER_PRODUCT_TYPE, VER_EQUAL);
  EXPECT_TRUE(VerifyVersionInfoW(&want, VER_PRODUCT_TYPE, mask));
  want.wProductType = VER_NT_SERVER;
  EXPECT_FALSE(VerifyVersionInfoW(&want, VER_PRODUCT_TYPE, mask));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OLD_WIN_VERSION));

  // 10.0 is at least 6.3, and not at least 10.1 nor 11.0.
  mask = VerSetConditionMask(VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL), VER_MINORVERSION,
                             VER_GREATER_EQUAL);
  want.dwMajorVersion = 6;
  want.dwMinorVersion = 3;
  EXPECT_TRUE(VerifyVersionInfoW(&want, VER_MAJORVERSION | VER_MINORVERSION, mask));
  want.dwMajorVersion = 10;
  want.dwMinorVersion = 1;
  EXPECT_FALSE(VerifyVersionInfoW(&want, VER_MAJORVERSION | VER_MINORVERSION, mask));
  want.dwMajorVersion = 11;
  want.dwMinorVersion = 0;
  EXPECT_FALSE(VerifyVersionInfoW(&want, VER_MAJORVERSION | VER_MINORVERSION, mask));
  EXPECT_FALSE(VerifyVersionInfoW(&want, 0, mask));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_ARGUMENTS));
}

TEST(KernelTest, SystemInfoIs64BitWithTheHostsProcessors) {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
  EXPECT_EQ(info.dwNumberOfProcessors, static_cast<DWORD>(sysconf(_SC_NPROCESSORS_ONLN)));
  EXPECT_EQ(info.dwPageSize, static_cast<DWORD>(sysconf(_SC_PAGESIZE)));
  SYSTEM_INFO native;
  GetNativeSystemInfo(&native);
  EXPECT_EQ(native.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);

  MEMORYSTATUSEX memory{};
  EXPECT_FALSE(GlobalMemoryStatusEx(&memory));  // the length must be set
  memory.dwLength = sizeof memory;
  ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
  EXPECT_GT(memory.ullTotalPhys, 0u);
  EXPECT_LE(memory.ullAvailPhys, memory.ullTotalPhys);

  auto* block = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 64));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0);
  EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, block));
}

int WINAPI Answer() { return 42; }

TEST(KernelTest, ModulesOfTheLayerAndOfTheHost) {
  HMODULE program = GetModuleHandleW(nullptr);
  ASSERT_NE(program, nullptr);
  EXPECT_TRUE(jf::IsProgramModule(program));
  EXPECT_EQ(GetModuleHandleW(L"kernel32"), GetModuleHandleW(L"KERNEL32.DLL"));
  EXPECT_EQ(GetModuleHandleA("C:\\Windows\\System32\\ntdll.dll"), GetModuleHandleW(L"ntdll.dll"));
  EXPECT_FALSE(jf::IsProgramModule(GetModuleHandleW(L"ntdll.dll")));

  EXPECT_EQ(LoadLibraryW(L"nosuchagent.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  // The MIB-II agent is one of the layer's modules.
  HMODULE mib = LoadLibraryW(L"inetmib1.dll");
  ASSERT_NE(mib, nullptr);
  for (const char* entry : {"SnmpExtensionInit", "SnmpExtensionInitEx", "SnmpExtensionQuery", "SnmpExtensionTrap"})
    EXPECT_NE(GetProcAddress(mib, entry), nullptr) << entry;
  EXPECT_TRUE(FreeLibrary(mib));
  EXPECT_EQ(GetModuleHandleW(L"riched20.dll"), nullptr);
  EXPECT_EQ(GetProcAddress(GetModuleHandleW(L"user32.dll"), "NoSuchEntry"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  jf::RegisterModuleExport(L"Jf_Test_Module", "Answer", reinterpret_cast<void*>(&Answer));
  HMODULE custom = LoadLibraryW(L"jf_test_module.dll");
  ASSERT_NE(custom, nullptr);
  auto answer = reinterpret_cast<int(WINAPI*)()>(GetProcAddress(custom, "Answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_TRUE(FreeLibrary(custom));

  HMODULE libm = LoadLibraryW(L"libm.so.6");
  ASSERT_NE(libm, nullptr);
  auto cosine = reinterpret_cast<double (*)(double)>(GetProcAddress(libm, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_TRUE(FreeLibrary(libm));
  EXPECT_EQ(GetProcAddress(libm, "cos"), nullptr);  // unloaded
  EXPECT_EQ(LoadLibraryW(L"libjf-no-such-library.so"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&libm)));
}

void Capture(const wchar_t* text, void* context) { static_cast<std::wstring*>(context)->append(text); }

TEST(KernelTest, DebugOutputReachesTheHook) {
  std::wstring seen;
  jf::SetDebugOutputHook(&Capture, &seen);
  OutputDebugStringW(L"wide 中文\n");
  OutputDebugStringA("narrow\n");
  OutputDebugStringW(nullptr);
  jf::SetDebugOutputHook(nullptr, nullptr);
  OutputDebugStringW(L"not seen");
  EXPECT_EQ(seen, L"wide 中文\nnarrow\n");
}

TEST(KernelTest, DebugOutputGoesToStandardErrorOnlyWhenTraced) {
  {
    TraceSettingScope traced("1");
    EXPECT_EQ(CaptureStream(STDERR_FILENO, [] { OutputDebugStringW(L"traced 中\n"); }), "traced \xE4\xB8\xAD\n");
  }
  TraceSettingScope quiet("0");
  EXPECT_EQ(CaptureStream(STDERR_FILENO, [] { OutputDebugStringW(L"quiet\n"); }), "");
}

TEST(KernelTest, TraceChannelsAreChosenByName) {
  struct Case {
    const char* spec;
    unsigned mask;
  } cases[] = {
      {nullptr, 0},
      {"", 0},
      {"0", 0},
      {"1", 1u << jf::kTraceDebug},
      {"+user,+gdi", (1u << jf::kTraceUser) | (1u << jf::kTraceGdi)},
      {"+all,-display", ((1u << jf::kTraceChannelCount) - 1) & ~(1u << jf::kTraceDisplay)},
      {"controls,,+nosuch", 1u << jf::kTraceControls},
  };
  for (const Case& c : cases) EXPECT_EQ(jf::TraceParse(c.spec), c.mask) << (c.spec ? c.spec : "(null)");
}

TEST(KernelTest, FailingCallIsTracedOnItsAreaChannel) {
  const char* old = getenv("JF_TRACE");
  std::string saved = old ? old : "";
  const std::wstring missing = L"Z:\\jf-no-such-folder\\file.txt";
  setenv("JF_TRACE", "+files", 1);
  jf::TraceReload();
  DWORD attributes = 0;
  std::string line = CaptureStream(STDERR_FILENO, [&] { attributes = GetFileAttributesW(missing.c_str()); });
  EXPECT_EQ(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  // "<channel>:fail:<function> error <code>", the function being the one that failed.
  EXPECT_EQ(line.rfind("files:fail:", 0), 0u) << line;
  EXPECT_NE(line.find(" error 3\n"), std::string::npos) << line;
  EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
  // Another area's channel leaves the failure silent.
  setenv("JF_TRACE", "+gdi", 1);
  jf::TraceReload();
  EXPECT_EQ(CaptureStream(STDERR_FILENO, [&] { GetFileAttributesW(missing.c_str()); }), "");
  if (old) {
    setenv("JF_TRACE", saved.c_str(), 1);
  } else {
    unsetenv("JF_TRACE");
  }
  jf::TraceReload();
}

TEST(KernelTest, WriteConsoleWritesUtf8ToStandardOutput) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const wchar_t text[] = L"日志 line\r\n";
  DWORD written = 0;
  BOOL ok = FALSE;
  std::string bytes = CaptureStream(STDOUT_FILENO, [&] {
    ok = WriteConsoleW(out, text, static_cast<DWORD>(wcslen(text)), &written, nullptr);
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(written, wcslen(text));
  EXPECT_EQ(bytes, "\xE6\x97\xA5\xE5\xBF\x97 line\r\n");
  EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), out);

  EXPECT_FALSE(WriteConsoleW(GetStdHandle(STD_INPUT_HANDLE), text, 1, &written, nullptr));
  EXPECT_EQ(GetStdHandle(12345), INVALID_HANDLE_VALUE);
  // A closed standard handle is given out afresh.
  EXPECT_TRUE(CloseHandle(out));
  HANDLE again = GetStdHandle(STD_OUTPUT_HANDLE);
  EXPECT_NE(again, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
}

TEST(KernelTest, CommandLineQuotesArgumentsTheWindowsWay) {
  std::wstring own = GetCommandLineW();
  EXPECT_NE(own.find(L"platform_tests"), std::wstring::npos);

  kerneltest::Probe probe({"cmdline", "plain", "two words", "say \"hi\"", "end\\", "with space\\", ""});
  ASSERT_TRUE(probe.Started());
  std::string line = probe.ReadLine();
  EXPECT_EQ(probe.Wait(), 0);
  std::string expected =
      " cmdline plain \"two words\" \"say \\\"hi\\\"\" end\\ \"with space\\\\\" \"\"";
  ASSERT_GE(line.size(), expected.size());
  EXPECT_EQ(line.substr(line.size() - expected.size()), expected);
  EXPECT_NE(line.find("jf_mutex_probe"), std::string::npos);
}

}  // namespace
