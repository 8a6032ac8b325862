// The install folder chooser, driven through the layer's test driver.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include "tests/support/TempFolder.h"
#include "app/install/FolderChooser.h"
#include "platform/testing/hooks/testinput.h"

namespace {

struct DriverReset {
  ~DriverReset() { jf::TestSetBrowseFolderDriver(nullptr); }
};

TEST(FolderChooserTest, StartsAtTheGivenFolderAndTrimsTheChoice) {
  TempFolder temp;
  DriverReset reset;
  ASSERT_TRUE(CreateDirectoryW(temp.Win(L"game").c_str(), nullptr));
  std::wstring startSeen;
  jf::TestSetBrowseFolderDriver([&](HWND, const std::wstring& selection) {
    startSeen = selection;
    return temp.Win(L"game") + L"\\";
  });
  EXPECT_EQ(FolderChooser::Browse(nullptr, temp.Win()), temp.Win(L"game"));
  EXPECT_EQ(startSeen, temp.Win());
}

TEST(FolderChooserTest, EmptyStartMeansTheCurrentFolder) {
  DriverReset reset;
  wchar_t current[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
  std::wstring startSeen;
  jf::TestSetBrowseFolderDriver([&](HWND, const std::wstring& selection) {
    startSeen = selection;
    return std::wstring(L"Z:\\");
  });
  // A drive root keeps its separator.
  EXPECT_EQ(FolderChooser::Browse(nullptr, L""), L"Z:\\");
  EXPECT_EQ(startSeen, std::wstring(current));
}

TEST(FolderChooserTest, CancelGivesAnEmptyPath) {
  TempFolder temp;
  DriverReset reset;
  jf::TestSetBrowseFolderDriver([](HWND, const std::wstring&) { return std::wstring(); });
  EXPECT_EQ(FolderChooser::Browse(nullptr, temp.Win()), L"");
}

}  // namespace
