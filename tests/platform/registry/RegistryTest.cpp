// The registry store: round trips, the size contract, persistence, access and threads.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstring>
#include <thread>
#include <vector>

#include "tests/platform/files/FileTestDrives.h"
#include <windows.h>
#include "platform/testing/hooks/teststate.h"

namespace {

using filetest::DriveFixture;

class RegistryTest : public DriveFixture {
 protected:
  HKEY Create(HKEY root, const wchar_t* path, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition), ERROR_SUCCESS);
    return key;
  }
  std::string HiveFile(const char* hive) { return c_ + "/Windows/System32/config/" + hive + ".json"; }
};

TEST_F(RegistryTest, TextValuesKeepWindowsByteCountsAndSurviveAReload) {
  const wchar_t* run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  DWORD disposition = 0;
  HKEY key = Create(HKEY_CURRENT_USER, run, &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  // Written as the installer does: characters only, no terminator.
  std::wstring cmd = L"\"C:\\游戏\\launcher.exe\" -auto";
  ASSERT_EQ(RegSetValueExW(key, L"VarnelCom-Launcher", 0, REG_SZ, reinterpret_cast<const BYTE*>(cmd.c_str()),
                           static_cast<DWORD>(cmd.size() * sizeof(wchar_t))),
            ERROR_SUCCESS);
  std::wstring withNul = L"D:\\Games";
  ASSERT_EQ(RegSetValueExW(key, L"WithNul", 0, REG_SZ, reinterpret_cast<const BYTE*>(withNul.c_str()),
                           static_cast<DWORD>((withNul.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  DWORD dword = 0x12345678;
  ASSERT_EQ(RegSetValueExW(key, L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4), ERROR_SUCCESS);
  RegCloseKey(key);

  // On disk: UTF-16LE bytes, as many as Windows stores (no terminator added).
  std::string disk = ReadHost(HiveFile("HKEY_CURRENT_USER"));
  std::string hex;
  for (unsigned char c : jf::ToUtf16LEBytes(cmd)) {
    static const char d[] = "0123456789abcdef";
    hex += d[c >> 4];
    hex += d[c & 15];
  }
  EXPECT_NE(disk.find("\"" + hex + "\""), std::string::npos);

  jf::ResetRegistryForTests();  // what a restart sees
  disposition = 0;
  key = Create(HKEY_CURRENT_USER, L"software\\MICROSOFT\\windows\\currentversion\\run", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  wchar_t buf[256];
  std::memset(buf, 0xAB, sizeof buf);
  DWORD type = 0, size = sizeof buf;
  ASSERT_EQ(RegQueryValueExW(key, L"varnelcom-launcher", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, cmd.size() * sizeof(wchar_t));
  EXPECT_EQ(std::wstring(buf), cmd);  // terminated for the reader although stored without
  size = sizeof buf;
  ASSERT_EQ(RegQueryValueExW(key, L"WithNul", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, (withNul.size() + 1) * sizeof(wchar_t));
  DWORD got = 0;
  size = 4;
  ASSERT_EQ(RegQueryValueExW(key, L"Count", nullptr, &type, reinterpret_cast<BYTE*>(&got), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(got, dword);
  RegCloseKey(key);
}

TEST_F(RegistryTest, QuerySizeContractAndMissingValues) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VarnelLauncher");
  std::wstring path = L"C:\\Program Files (x86)\\Varnel";
  ASSERT_EQ(RegSetValueExW(key, L"InstPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                           static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"InstPath", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, (path.size() + 1) * sizeof(wchar_t));
  wchar_t small[4];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExW(key, L"InstPath", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, (path.size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(RegQueryValueExW(key, L"Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, L"InstPath", nullptr, &type, reinterpret_cast<BYTE*>(small), nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegDeleteValueW(key, L"InstPath"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, L"InstPath"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);

  HKEY missing = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\VarnelLauncher", 0, KEY_READ, &missing),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x999)), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, AccessRightsEnumerationAndKeyDeletion) {
  HKEY parent = Create(HKEY_CURRENT_USER, L"Software\\JfTest");
  HKEY child = Create(parent, L"Child");
  BYTE one = 1;
  EXPECT_EQ(RegSetValueExW(child, L"b", 0, REG_BINARY, &one, 1), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(child, L"a", 0, REG_BINARY, &one, 1), ERROR_SUCCESS);
  HKEY readOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExW(parent, L"Child", 0, KEY_READ | KEY_WOW64_64KEY, &readOnly), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(readOnly, L"c", 0, REG_BINARY, &one, 1), ERROR_ACCESS_DENIED);

  wchar_t name[32];
  DWORD chars = 32;
  EXPECT_EQ(RegEnumKeyExW(parent, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, L"Child");
  EXPECT_EQ(chars, 5u);
  chars = 32;
  EXPECT_EQ(RegEnumKeyExW(parent, 1, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  chars = 32;
  EXPECT_EQ(RegEnumValueW(readOnly, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, L"a");
  chars = 1;
  EXPECT_EQ(RegEnumValueW(readOnly, 1, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\JfTest"), ERROR_ACCESS_DENIED);  // has a subkey
  EXPECT_EQ(RegDeleteKeyW(parent, L"Child"), ERROR_SUCCESS);
  DWORD size = 1;
  EXPECT_EQ(RegQueryValueExW(readOnly, L"a", nullptr, nullptr, &one, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKeyW(parent, L"Child"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(readOnly);
  RegCloseKey(child);
  RegCloseKey(parent);
}

TEST_F(RegistryTest, ThreadsAndAnotherProcessDoNotLoseChanges) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      HKEY key = nullptr;
      ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Threads", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
                ERROR_SUCCESS);
      for (DWORD i = 0; i < 20; ++i) {
        std::wstring name = L"v" + std::to_wstring(t) + L"_" + std::to_wstring(i);
        ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4),
                  ERROR_SUCCESS);
      }
      RegCloseKey(key);
    });
  }
  for (auto& th : threads) th.join();

  // A second process writes to the same hive; this one sees its value and keeps its own.
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    jf::ResetRegistryForTests();
    HKEY key = nullptr;
    DWORD v = 99;
    bool ok = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Threads", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr) == ERROR_SUCCESS &&
              RegSetValueExW(key, L"child", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4) == ERROR_SUCCESS;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Threads", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD v = 0, size = 4;
  EXPECT_EQ(RegQueryValueExW(key, L"child", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
  EXPECT_EQ(v, 99u);
  DWORD count = 0;
  wchar_t name[32];
  for (;;) {
    DWORD chars = 32;
    if (RegEnumValueW(key, count, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    ++count;
  }
  EXPECT_EQ(count, 81u);
  RegCloseKey(key);
  // No temporary file left beside the hive.
  EXPECT_TRUE(HostExists(HiveFile("HKEY_CURRENT_USER")));
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(L"C:\\Windows\\System32\\config\\*.tmp*", &fd);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
}

TEST_F(RegistryTest, DefaultValueMultiStringsAndClassesRoot) {
  HKEY key = Create(HKEY_CLASSES_ROOT, L".jfpkg");
  std::wstring text = L"JfPackage";
  ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  std::wstring multi(L"一\0two\0\0", 8);
  ASSERT_EQ(RegSetValueExW(key, L"List", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                           static_cast<DWORD>(multi.size() * sizeof(wchar_t))),
            ERROR_SUCCESS);
  RegCloseKey(key);
  // The classes root is the machine's Software\Classes.
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.jfpkg", 0, KEY_READ, &key), ERROR_SUCCESS);
  wchar_t buf[32];
  DWORD type = 0, size = sizeof buf;
  ASSERT_EQ(RegQueryValueExW(key, L"", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
  EXPECT_STREQ(buf, L"JfPackage");
  size = sizeof buf;
  ASSERT_EQ(RegQueryValueExW(key, L"List", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(std::wstring(buf, size / sizeof(wchar_t)), multi);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DamagedOrWronglyShapedHiveIsSetAsideNotFatal) {
  mkdir((c_ + "/Windows").c_str(), 0777);
  mkdir((c_ + "/Windows/System32").c_str(), 0777);
  mkdir((c_ + "/Windows/System32/config").c_str(), 0777);
  const std::string value = R"({"name":"v","type":1,"data":""})";
  const std::string keyed = R"({"keys":{"SOFTWARE":{"keys":{"VarnelLauncher":{"values":[)";
  std::vector<std::string> hives = {
      "{ not json",
      "[]",
      R"({"keys":{"SOFTWARE":[1]}})",
      R"({"keys":[]})",
      R"({"values":{}})",
      keyed + "1]}}}}}}",
      keyed + R"({"name":7,"type":1,"data":""}]}}}}}})",
      keyed + R"({"name":"v","type":-1,"data":""}]}}}}}})",
      keyed + R"({"name":"v","type":"1","data":""}]}}}}}})",
      keyed + R"({"name":"v","type":1.5,"data":""}]}}}}}})",
      keyed + R"({"name":"v","type":1,"data":[]}]}}}}}})",
      std::string(5000, '[') + std::string(5000, ']'),
  };
  std::string deep;
  for (int i = 0; i < 3000; ++i) deep += R"({"keys":{"k":)";
  deep += "{}";
  for (int i = 0; i < 3000; ++i) deep += "}}";
  hives.push_back(deep);
  for (size_t i = 0; i < hives.size(); ++i) {
    WriteHost(HiveFile("HKEY_LOCAL_MACHINE"), hives[i]);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VarnelLauncher", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND)
        << i;
    EXPECT_EQ(ReadHost(HiveFile("HKEY_LOCAL_MACHINE") + ".corrupt"), hives[i]) << i;
    jf::ResetRegistryForTests();
  }
  // A well-shaped hive is read.
  WriteHost(HiveFile("HKEY_LOCAL_MACHINE"), keyed + value + "]}}}}}}");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VarnelLauncher", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"v", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  RegCloseKey(key);
  key = Create(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Other");
  EXPECT_NE(key, nullptr);
  RegCloseKey(key);
}

}  // namespace
