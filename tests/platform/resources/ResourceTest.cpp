// Resources embedded into this test program at build time.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include <windows.h>

#include <windows/resources.h>

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Bytes(HRSRC res) {
  HGLOBAL data = LoadResource(nullptr, res);
  const char* p = static_cast<const char*>(LockResource(data));
  return p ? std::string(p, SizeofResource(nullptr, res)) : std::string();
}

TEST(Resource, FoundByTypeAndIdWithTheFileBytes) {
  const std::string dir = std::string(JF_SOURCE_DIR) + "/tests/platform/resources/resources/";
  HRSRC skin = FindResourceW(nullptr, MAKEINTRESOURCEW(150), L"ZIPRES");
  ASSERT_NE(nullptr, skin);
  EXPECT_EQ(ReadFile(dir + "skin.bin"), Bytes(skin));
  EXPECT_FALSE(FreeResource(LoadResource(nullptr, skin)));
  // Type names ignore case; "#n" is the id n.
  HRSRC xml = FindResourceW(GetModuleHandleW(nullptr), L"#3", L"XML");
  ASSERT_NE(nullptr, xml);
  EXPECT_EQ(ReadFile(dir + "window.xml"), Bytes(xml));
  HRSRC named = FindResourceW(nullptr, L"skin", RT_RCDATA);
  ASSERT_NE(nullptr, named);
  EXPECT_EQ(Bytes(xml), Bytes(named));
}

TEST(Resource, MissingResourcesSetTheirErrors) {
  SetLastError(0);
  EXPECT_EQ(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(151), L"ZIPRES"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
  EXPECT_EQ(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(150), L"PNG"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND), GetLastError());
  EXPECT_EQ(nullptr, LoadResource(nullptr, reinterpret_cast<HRSRC>(&errno)));
  EXPECT_EQ(0u, SizeofResource(nullptr, nullptr));
}

TEST(Resource, LoadStringCopiesOrPointsAtTheText) {
  wchar_t buf[64];
  EXPECT_EQ(4, LoadStringW(nullptr, 1, buf, 64));
  EXPECT_STREQ(L"安装程序", buf);
  EXPECT_EQ(17, LoadStringW(nullptr, 2, buf, 64));
  EXPECT_STREQ(L"Line one\nLine two", buf);
  EXPECT_EQ(12, LoadStringW(nullptr, 3, buf, 64));
  EXPECT_STREQ(L"Tabbed\\slash", buf);
  EXPECT_EQ(4, LoadStringW(nullptr, 65535, buf, 64));
  // A short buffer keeps what fits and the terminator.
  EXPECT_EQ(2, LoadStringW(nullptr, 1, buf, 3));
  EXPECT_STREQ(L"安装", buf);
  // No room: a read-only pointer to the text.
  const wchar_t* direct = nullptr;
  EXPECT_EQ(4, LoadStringW(nullptr, 1, reinterpret_cast<LPWSTR>(&direct), 0));
  ASSERT_NE(nullptr, direct);
  EXPECT_EQ(0, std::wmemcmp(direct, L"安装程序", 4));
  SetLastError(0);
  EXPECT_EQ(0, LoadStringW(nullptr, 4, buf, 64));
  EXPECT_EQ(L'\0', buf[0]);
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
}

}  // namespace
