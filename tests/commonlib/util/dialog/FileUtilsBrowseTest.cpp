// The file utilities' folder browser, driven through the layer's test driver.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include "tests/support/TempFolder.h"
#include "commonlib/util/FileUtils.h"
#include "platform/testing/hooks/testinput.h"

namespace {

struct DriverReset {
  ~DriverReset() { jf::TestSetBrowseFolderDriver(nullptr); }
};

TEST(FileUtilsBrowseTest, StartsAtTheGivenFolderAndTrimsTheChoice) {
  TempFolder temp;
  DriverReset reset;
  ASSERT_TRUE(CreateDirectoryW(temp.Win(L"game").c_str(), nullptr));
  std::wstring startSeen;
  jf::TestSetBrowseFolderDriver([&](HWND, const std::wstring& selection) {
    startSeen = selection;
    return temp.Win(L"game") + L"\\";
  });
  EXPECT_EQ(FileUtils::BrowseForFolder(nullptr, temp.Win()), temp.Win(L"game"));
  EXPECT_EQ(startSeen, temp.Win());
}

TEST(FileUtilsBrowseTest, EmptyStartMeansTheCurrentFolder) {
  DriverReset reset;
  wchar_t current[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
  std::wstring startSeen;
  jf::TestSetBrowseFolderDriver([&](HWND, const std::wstring& selection) {
    startSeen = selection;
    return std::wstring(L"Z:\\");
  });
  // A drive root keeps its separator.
  EXPECT_EQ(FileUtils::BrowseForFolder(nullptr, L""), L"Z:\\");
  EXPECT_EQ(startSeen, std::wstring(current));
}

TEST(FileUtilsBrowseTest, CancelGivesAnEmptyPath) {
  TempFolder temp;
  DriverReset reset;
  jf::TestSetBrowseFolderDriver([](HWND, const std::wstring&) { return std::wstring(); });
  EXPECT_EQ(FileUtils::BrowseForFolder(nullptr, temp.Win()), L"");
}

}  // namespace
