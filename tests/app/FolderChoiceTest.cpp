#include <sys/stat.h>
#include <unistd.h>

#include "tests/app/AppDrives.h"
#include "app/install/InstallFolderChoice.h"
#include "platform/testing/hooks/teststate.h"

namespace {

using apptest::AppDrives;
using FC = InstallFolderChoice;

const std::wstring kDDefault = L"D:\\澜铭网络\\澜铭聚峰";
const std::wstring kCDefault = L"C:\\澜铭网络\\澜铭聚峰";

class FolderChoiceTest : public AppDrives {};

TEST_F(FolderChoiceTest, SpaceLimitIsStrictForUseAndInclusiveForTheTip) {
  struct Row {
    int64_t free;
    bool enough;
    FC::CheckResult check;
  } rows[] = {
      {157286399, false, FC::kFolderNoSpace},
      {157286400, false, FC::kFolderOk},
      {157286401, true, FC::kFolderOk},
      {0, false, FC::kFolderNoSpace},
  };
  for (const Row& row : rows) {
    jf::SetDiskFreeSpaceForTests(L'D', row.free);
    EXPECT_EQ(FC::HasEnoughDiskSpace(L"D:\\games"), row.enough) << row.free;
    EXPECT_EQ(FC::CheckFolder(L"D:\\games"), row.check) << row.free;
  }
}

TEST_F(FolderChoiceTest, CheckFolderGivesTheFirstFailure) {
  jf::SetDiskFreeSpaceForTests(L'D', 1LL << 30);
  struct Row {
    const wchar_t* folder;
    FC::CheckResult result;
  } rows[] = {
      {L"D:\\a|b", FC::kFolderInvalid},   {L"D:\\a\"b", FC::kFolderInvalid}, {L"games", FC::kFolderInvalid},
      {L"Q:\\games", FC::kFolderInvalid}, {L"D:\\new\\deeper", FC::kFolderOk}, {L"D:", FC::kFolderOk},
  };
  for (const Row& row : rows) EXPECT_EQ(FC::CheckFolder(row.folder), row.result) << jf::ToUtf8(row.folder);
}

TEST_F(FolderChoiceTest, ReadOnlyFolderIsNotWritable) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes everywhere";
  jf::SetDiskFreeSpaceForTests(L'D', 1LL << 30);
  mkdir((d_ + "/locked").c_str(), 0555);
  EXPECT_EQ(FC::CheckFolder(L"D:\\locked\\sub"), FC::kFolderNotWritable);
  EXPECT_EQ(FC::DiskSpaceText(L"D:\\locked").text, L"该目录权限不足，请选择其他目录安装");
  // The pick skips it for the first usable standard folder.
  EXPECT_EQ(FC::PickInstallFolder(L"D:\\locked\\sub"), kDDefault);
  chmod((d_ + "/locked").c_str(), 0755);
}

TEST_F(FolderChoiceTest, DiskSpaceTextShowsBothSizesOrTheFailure) {
  jf::SetDiskFreeSpaceForTests(L'D', 200LL << 20);
  FC::TipText ok = FC::DiskSpaceText(L"D:\\games");
  EXPECT_EQ(ok.text, L"所需磁盘空间：150.00MB          可用磁盘空间：200.00MB");
  EXPECT_EQ(ok.color, 0xFFABAEB4u);
  FC::TipText bad = FC::DiskSpaceText(L"D:\\a*b");
  EXPECT_EQ(bad.text, L"安装目录无效，请选择正确的目录");
  EXPECT_EQ(bad.color, 0xFFFF0000u);
  jf::SetDiskFreeSpaceForTests(L'D', 10);
  EXPECT_EQ(FC::DiskSpaceText(L"D:\\games").text, L"该磁盘剩余空间不足，请选择其他目录安装");
}

TEST_F(FolderChoiceTest, FirstDriveFolderFollowsTheDriveOrder) {
  EXPECT_EQ(FC::FindFirstDriveFolder(), kDDefault);  // D: before C:
  setenv("JF_DRIVES", ("C=" + c_).c_str(), 1);
  jf::ResetDriveMapForTests();
  EXPECT_EQ(FC::FindFirstDriveFolder(), kCDefault);
}

TEST_F(FolderChoiceTest, PickKeepsAUsableValidFolderElseTakesAStandardOne) {
  jf::SetDiskFreeSpaceForTests(L'C', 1LL << 30);
  jf::SetDiskFreeSpaceForTests(L'D', 1LL << 30);
  EXPECT_EQ(FC::PickInstallFolder(L"C:\\my games\\jf"), L"C:\\my games\\jf");
  // Not a valid path, though its parent is writable: never taken.
  EXPECT_EQ(FC::PickInstallFolder(L"C:\\a|b"), kDDefault);
  EXPECT_EQ(FC::PickInstallFolder(L""), kDDefault);
  jf::SetDiskFreeSpaceForTests(L'D', 5);
  EXPECT_EQ(FC::PickInstallFolder(L"D:\\x"), kCDefault);
  jf::SetDiskFreeSpaceForTests(L'C', 5);
  EXPECT_EQ(FC::PickInstallFolder(L"D:\\x"), L"");
}

TEST_F(FolderChoiceTest, DefaultFolderBesideTheProgramElseOnAFixedDriveWithoutSpaceCheck) {
  jf::SetDiskFreeSpaceForTests(L'C', 5);
  jf::SetDiskFreeSpaceForTests(L'D', 5);
  // Z: (the program's drive) has no room: the first fixed drive in the system's order.
  EXPECT_EQ(FC::GetDefaultInstallDir(L"澜铭聚峰"), kCDefault);
  jf::SetDiskFreeSpaceForTests(L'Z', -1);
  std::wstring beside = FC::GetDefaultInstallDir(L"澜铭聚峰");
  EXPECT_EQ(beside.substr(0, 3), L"Z:\\");
  EXPECT_EQ(beside.substr(beside.size() - 5), L"\\澜铭聚峰");
}

TEST_F(FolderChoiceTest, HiddenFolderIsTheRequestedOneOrADefaultNamedAfterIt) {
  jf::SetDiskFreeSpaceForTests(L'D', 1LL << 30);
  struct Row {
    const wchar_t* requested;
    std::wstring chosen;
  } rows[] = {
      {L"", kCDefault},
      {L"D:\\games\\jf", L"D:\\games\\jf"},
      {L"Q:\\games\\MyGame", L"C:\\澜铭网络\\MyGame"},
      {L"Q:\\games\\MyGame\\", L"C:\\澜铭网络\\MyGame"},
  };
  for (const Row& row : rows) EXPECT_EQ(FC::ChooseHiddenFolder(row.requested), row.chosen) << jf::ToUtf8(row.requested);
}

}  // namespace
