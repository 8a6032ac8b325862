// INI files: both encodings with the bytes on disk checked, the size contract, lists,
// deletions, and the lines the writer must keep.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/platform/files/FileTestDrives.h"
#include <windows.h>

namespace {

using filetest::DriveFixture;

class IniTest : public DriveFixture {};

TEST_F(IniTest, NewFileIsWrittenInTheAnsiPageWithCrlf) {
  const wchar_t* ini = L"C:\\preference.ini";
  ASSERT_TRUE(WritePrivateProfileStringW(L"Setting", L"InstallPath", L"D:\\游戏", ini));
  ASSERT_TRUE(WritePrivateProfileStringW(L"Setting", L"Auto", L"1", ini));
  ASSERT_TRUE(WritePrivateProfileStringW(L"Other", L"x", L"y", ini));
  // "游戏" in GBK is D3 CE CF B7.
  EXPECT_EQ(ReadHost(c_ + "/preference.ini"),
            "[Setting]\r\nInstallPath=D:\\\xD3\xCE\xCF\xB7\r\nAuto=1\r\n[Other]\r\nx=y\r\n");
  wchar_t buf[64];
  EXPECT_EQ(GetPrivateProfileStringW(L"setting", L"installpath", L"", buf, 64, ini), 5u);
  EXPECT_STREQ(buf, L"D:\\游戏");
  EXPECT_EQ(GetPrivateProfileIntW(L"Setting", L"Auto", 7, ini), 1u);
  EXPECT_EQ(GetPrivateProfileIntW(L"Setting", L"None", 7, ini), 7u);
}

TEST_F(IniTest, AnsiFileKeepsTheBytesOfLinesItDoesNotChange) {
  // A line the ANSI page cannot hold (UTF-8 written by another program) and a lone byte.
  WriteHost(c_ + "/mixed.ini", "[A]\nname=\xE4\xB8\xAD\xE6\x96\x87\n[B]\nk=old\nodd=\x80\xFF\n");
  const wchar_t* ini = L"C:\\mixed.ini";
  ASSERT_TRUE(WritePrivateProfileStringW(L"B", L"k", L"游戏", ini));
  ASSERT_TRUE(WritePrivateProfileStringW(L"C", L"n", L"1", ini));
  EXPECT_EQ(ReadHost(c_ + "/mixed.ini"),
            "[A]\r\nname=\xE4\xB8\xAD\xE6\x96\x87\r\n[B]\r\nk=\xD3\xCE\xCF\xB7\r\nodd=\x80\xFF\r\n[C]\r\nn=1\r\n");
  ASSERT_TRUE(WritePrivateProfileStringW(L"B", L"k", nullptr, ini));
  ASSERT_TRUE(WritePrivateProfileStringW(L"A", nullptr, nullptr, ini));
  EXPECT_EQ(ReadHost(c_ + "/mixed.ini"), "[B]\r\nodd=\x80\xFF\r\n[C]\r\nn=1\r\n");
}

TEST_F(IniTest, MarkedFileStaysUtf16AndKeepsItsOtherLines) {
  std::wstring text = L"; launcher settings\r\n[VarnelCom-Launcher]\r\nInstallPath = C:\\旧\r\n\r\n[Keep]\r\nk=v\r\n";
  WriteHost(c_ + "/launcher.ini", std::string("\xFF\xFE") + jf::ToUtf16LEBytes(text));
  const wchar_t* ini = L"C:\\launcher.ini";
  wchar_t buf[64];
  EXPECT_EQ(GetPrivateProfileStringW(L"VarnelCom-Launcher", L"InstallPath", L"", buf, 64, ini), 4u);
  EXPECT_STREQ(buf, L"C:\\旧");
  ASSERT_TRUE(WritePrivateProfileStringW(L"VarnelCom-Launcher", L"InstallPath", L"D:\\新", ini));
  ASSERT_TRUE(WritePrivateProfileStringW(L"VarnelCom-Launcher", L"Version", L"1.0", ini));
  std::wstring expected =
      L"; launcher settings\r\n[VarnelCom-Launcher]\r\nInstallPath=D:\\新\r\nVersion=1.0\r\n\r\n[Keep]\r\nk=v\r\n";
  EXPECT_EQ(ReadHost(c_ + "/launcher.ini"), std::string("\xFF\xFE") + jf::ToUtf16LEBytes(expected));
}

TEST_F(IniTest, FileWithOnlyTheMarkIsFilledInUtf16) {
  // The launcher files are made with just FF FE before the first write.
  WriteHost(c_ + "/VarnelLaucher.ini", "\xFF\xFE");
  ASSERT_TRUE(WritePrivateProfileStringW(L"VarnelCom-Launcher", L"InstallPath", L"C:\\启动器.exe",
                                         L"C:\\VarnelLaucher.ini"));
  EXPECT_EQ(ReadHost(c_ + "/VarnelLaucher.ini"),
            std::string("\xFF\xFE") + jf::ToUtf16LEBytes(L"[VarnelCom-Launcher]\r\nInstallPath=C:\\启动器.exe\r\n"));
}

TEST_F(IniTest, SizeContractDefaultsQuotesAndLists) {
  WriteHost(c_ + "/a.ini", "[Install]\nName=\"quoted value\"\nLong=abcdefghij\n[Debug]\nLog=1\nUpdateURL=http://127.0.0.1/u\n");
  const wchar_t* ini = L"C:\\a.ini";
  wchar_t buf[64];
  EXPECT_EQ(GetPrivateProfileStringW(L"Install", L"Name", L"", buf, 64, ini), 12u);
  EXPECT_STREQ(buf, L"quoted value");
  EXPECT_EQ(GetPrivateProfileStringW(L"Install", L"Long", L"", buf, 5, ini), 4u);  // cut, terminated
  EXPECT_STREQ(buf, L"abcd");
  EXPECT_EQ(GetPrivateProfileStringW(L"Install", L"Missing", L"dflt  ", buf, 64, ini), 4u);
  EXPECT_STREQ(buf, L"dflt");
  EXPECT_EQ(GetPrivateProfileStringW(L"Install", L"Missing", nullptr, buf, 64, ini), 0u);
  EXPECT_EQ(GetPrivateProfileStringW(L"Install", L"Name", L"x", buf, 64, L"C:\\none.ini"), 1u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  DWORD n = GetPrivateProfileStringW(nullptr, nullptr, L"", buf, 64, ini);
  EXPECT_EQ(std::wstring(buf, n + 1), std::wstring(L"Install\0Debug\0\0", 15));
  n = GetPrivateProfileStringW(L"Debug", nullptr, L"", buf, 64, ini);
  EXPECT_EQ(std::wstring(buf, n + 1), std::wstring(L"Log\0UpdateURL\0\0", 15));
  n = GetPrivateProfileStringW(L"Debug", nullptr, L"", buf, 6, ini);
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(std::wstring(buf, 6), std::wstring(L"Log\0\0\0", 6));
}

TEST_F(IniTest, NullValueDeletesKeyAndNullKeyDeletesSection) {
  WriteHost(c_ + "/d.ini", "[A]\r\nk1=1\r\nk2=2\r\n[B]\r\nx=1\r\n");
  const wchar_t* ini = L"C:\\d.ini";
  ASSERT_TRUE(WritePrivateProfileStringW(L"A", L"k1", nullptr, ini));
  ASSERT_TRUE(WritePrivateProfileStringW(L"B", nullptr, nullptr, ini));
  EXPECT_EQ(ReadHost(c_ + "/d.ini"), "[A]\r\nk2=2\r\n");
  EXPECT_FALSE(WritePrivateProfileStringW(L"A", L"k", L"v", L"C:\\nodir\\x.ini"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(IniTest, WritersOnThreadsLoseNoKey) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 10; ++i) {
        std::wstring key = L"k" + std::to_wstring(t) + L"_" + std::to_wstring(i);
        ASSERT_TRUE(WritePrivateProfileStringW(L"S", key.c_str(), L"v", L"C:\\threads.ini"));
      }
    });
  }
  for (auto& th : threads) th.join();
  wchar_t buf[2048];
  DWORD n = GetPrivateProfileStringW(L"S", nullptr, L"", buf, 2048, L"C:\\threads.ini");
  int keys = 0;
  for (DWORD i = 0; i < n; ++i) keys += buf[i] == 0;
  EXPECT_EQ(keys, 60);
}

TEST_F(IniTest, BareFileNameLivesInTheWindowsFolder) {
  ASSERT_TRUE(WritePrivateProfileStringW(L"S", L"k", L"v", L"bare.ini"));
  EXPECT_EQ(ReadHost(c_ + "/Windows/bare.ini"), "[S]\r\nk=v\r\n");
}

}  // namespace
