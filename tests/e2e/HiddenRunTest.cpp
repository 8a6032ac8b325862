// The program's hidden runs (-h) end to end: the servers' records, the files and registry
// values it leaves, what the stand-ins were started with, and its exit code.
#include <dirent.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <shlobj.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/E2eHarness.h"
#include "tests/support/LogTestDecoder.h"
#include "tests/support/SmallFileSystem.h"

namespace e2e {
namespace {

const char kInstallDir[] = "D:\\澜铭聚峰";

class HiddenRunTest : public Harness {
 protected:
  std::vector<std::string> Argv(const Json::Value& stub) {
    std::vector<std::string> out;
    for (const Json::Value& a : stub["argv"]) out.push_back(a.asString());
    return out;
  }
  // The statistics records with this state (1 success, 0 failure).
  std::vector<Json::Value> States(int state) {
    std::vector<Json::Value> out;
    for (const Json::Value& r : Statistics())
      if (r["count_dimension"].asString() == "installjf_state:" + std::to_string(state)) out.push_back(r);
    return out;
  }
  bool AnyFileMatching(const std::string& dir, const std::string& prefix) {
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    bool found = false;
    while (dirent* e = readdir(d)) found = found || std::string(e->d_name).compare(0, prefix.size(), prefix) == 0;
    closedir(d);
    return found;
  }
  std::string LauncherIni(int csidl, const char* sub) { return SpecialFolder(csidl) + sub + "/VarnelLaucher.ini"; }
  // Installer bytes asked by the file requests recorded after `since` (server time).
  long long BytesAsked(double since = 0) {
    long long n = 0;
    for (const Json::Value& r : Records("file"))
      if (r["time"].asDouble() >= since && r["status"].asInt() == 206)
        n += r["end"].asInt64() - r["start"].asInt64() + 1;
    return n;
  }
  // Damages the skin archive's end record in the program's copy: the archive cannot be
  // opened, so the window cannot be built and the run ends at once as a failed run.
  void BreakTheSkin() {
    std::string program = ReadFile(exeDir_ + "/jfinstall");
    const std::string end("PK\x05\x06", 4);
    size_t found = 0;
    for (size_t at = program.find(end); at != std::string::npos; at = program.find(end, at + 4)) {
      program[at + 1] = 'X';
      ++found;
    }
    ASSERT_GT(found, 0u);
    WriteFile(exeDir_ + "/jfinstall", program);
    ASSERT_EQ(chmod((exeDir_ + "/jfinstall").c_str(), 0755), 0);
  }
  // The lines of the program's file log (Log=2 keeps it).
  std::vector<std::wstring> ProgramLog() {
    std::vector<std::wstring> lines;
    const std::string dir = exeDir_ + "/MiniLog";
    if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d))
        if (std::string(e->d_name).rfind("mini_downloader", 0) == 0)
          for (const std::wstring& line : logtest::ReadLog(dir + "/" + e->d_name)) lines.push_back(line);
      closedir(d);
    }
    return lines;
  }
  bool LogHas(const std::wstring& text) {
    for (const std::wstring& line : ProgramLog())
      if (line.find(text) != std::wstring::npos) return true;
    return false;
  }
  void ExpectInstalledTo(const std::string& dir) {
    auto installs = Stubs("installer");
    ASSERT_EQ(installs.size(), 1u);
    auto argv = Argv(installs[0]);
    auto has = [&](const std::string& a) { return std::find(argv.begin(), argv.end(), a) != argv.end(); };
    EXPECT_TRUE(has("/S"));
    EXPECT_TRUE(has("/unpack=" + dir)) << installs[0].toStyledString();
    EXPECT_TRUE(has("/launch=off"));
    EXPECT_TRUE(FileExists(Host(dir + "\\VarnelLauncher.exe")));
    EXPECT_FALSE(FileExists(Host(dir + "\\vrinstaller.exe"))) << "the installer is deleted after the launch";
  }
};

TEST_F(HiddenRunTest, InstallsConfiguresAndStartsTheLauncher) {
  WriteIni("[Debug]\r\nLog=1\r\nUpdateURL=http://127.0.0.1/vrminiinstall.txt\r\n");
  ASSERT_NO_FATAL_FAILURE(StartServers());
  Process p = Run({"-h"}, 90);
  EXPECT_EQ(p.exitCode, 0);

  auto infos = Records("info");
  ASSERT_FALSE(infos.empty());
  EXPECT_EQ(infos[0]["path"].asString(), "/vrminiinstall.txt");
  // A plain GET: no body, nothing that announces one.
  EXPECT_EQ(infos[0]["method"].asString(), "GET");
  EXPECT_FALSE(infos[0]["headers"].isMember("Content-Length")) << infos[0].toStyledString();
  EXPECT_FALSE(infos[0]["headers"].isMember("Content-Type")) << infos[0].toStyledString();
  EXPECT_EQ(infos[0]["headers"]["User-Agent"].asString(), "HTTP-VRJF-1.0");
  auto files = Records("file");
  ASSERT_FALSE(files.empty());
  for (const Json::Value& f : files) {
    EXPECT_EQ(f["headers"]["User-Agent"].asString(), "HTTP-VRJF-1.0");
    EXPECT_TRUE(f["headers"].isMember("Range")) << f.toStyledString();
    EXPECT_LE(f["end"].asInt64() - f["start"].asInt64() + 1, 1310720);
  }
  EXPECT_GE(BytesAsked(), ready_["installer_size"].asInt64());

  auto reports = Records("report");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(reports[0]["sign_ok"].asBool());
  ASSERT_TRUE(reports[0]["data"].isArray());
  const Json::Value& task = reports[0]["data"][0];
  EXPECT_EQ(task["upload_platform"].asString(), "PC");
  EXPECT_EQ(task["product_id"].asString(), "mini_downloader|id:314");
  EXPECT_EQ(task["version"].asString(), "1.0.2|mini_downloader|GameId:314");

  auto ok = States(1);
  ASSERT_EQ(ok.size(), 1u);
  EXPECT_TRUE(States(0).empty());
  EXPECT_EQ(ok[0]["logname"].asString(), "c_downInstall_telmar_5.2");
  EXPECT_EQ(ok[0]["title"].asString(), "1");
  EXPECT_EQ(ok[0]["package_id"].asString(), "00000000");
  EXPECT_EQ(ok[0]["version"].asString(), "2.4.1");
  EXPECT_FALSE(ok[0]["gate"].asString().empty());
  const std::string os = ok[0]["os"].asString();
  EXPECT_NE(os.find("Windows"), std::string::npos) << os;
  EXPECT_NE(os.find(" MajorVersion 10 MinorVersion 0"), std::string::npos) << os;
  EXPECT_EQ(ok[0]["count_value"].asString().rfind("installjf_time:", 0), 0u);

  ASSERT_NO_FATAL_FAILURE(ExpectInstalledTo(kInstallDir));
  std::string pref = ReadFile(Host(std::string(kInstallDir) + "\\preference.ini"));
  EXPECT_NE(pref.find("[Config]"), std::string::npos) << pref;
  EXPECT_NE(pref.find("StartupWithOS=0"), std::string::npos) << pref;
  for (std::string ini : {LauncherIni(CSIDL_COMMON_APPDATA, ""), LauncherIni(CSIDL_COMMON_DOCUMENTS, "/VarnelLauncher")}) {
    std::string text = Utf16FileAsUtf8(ini);
    EXPECT_NE(text.find("[VarnelCom-Launcher]"), std::string::npos) << ini;
    EXPECT_NE(text.find("InstallPath=D:\\澜铭聚峰\\VarnelLauncher.exe"), std::string::npos) << text;
    EXPECT_NE(text.find("SouiInstallPath=D:\\澜铭聚峰\\VarnelLauncher.exe"), std::string::npos) << text;
  }
  EXPECT_EQ(UserValue(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"VarnelCom-Launcher"), L"");

  // The launcher is a process of its own: its record may land after the program ends.
  Until([&] { return !Stubs("launcher").empty(); }, 10);
  auto launches = Stubs("launcher");
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(Argv(launches[0]), (std::vector<std::string>{"-i", "314", "-d"}));
  EXPECT_EQ(launches[0]["exe"].asString(), "D:\\澜铭聚峰\\VarnelLauncher.exe");

  EXPECT_FALSE(FileExists(exeDir_ + "/MiniLog")) << "Log=1 clears the log folder";
  EXPECT_FALSE(AnyFileMatching(Host("D:\\"), "jftest_"));
  EXPECT_FALSE(AnyFileMatching(Host(kInstallDir), "jftest_"));
}

TEST_F(HiddenRunTest, LogTwoKeepsTheLogAndAnExistingRunValueIsRewritten) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  SetUserValue(run, L"VarnelCom-Launcher", L"\"D:\\Old\\VarnelLauncher.exe\" --auto");
  Process p = Run({"-h", "-i", "42"}, 90);
  EXPECT_EQ(p.exitCode, 0);
  EXPECT_TRUE(AnyFileMatching(exeDir_ + "/MiniLog", "mini_downloader"));
  EXPECT_EQ(UserValue(run, L"VarnelCom-Launcher"), L"\"D:\\澜铭聚峰\\VarnelLauncher.exe\" --auto");
  // The launcher is a process of its own: its record may land after the program ends.
  Until([&] { return !Stubs("launcher").empty(); }, 10);
  auto launches = Stubs("launcher");
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(Argv(launches[0]), (std::vector<std::string>{"-i", "42", "-d"}));
  // The report's identity keeps the string table's game id.
  auto reports = Records("report");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0]["data"][0]["product_id"].asString(), "mini_downloader|id:314");
}

TEST_F(HiddenRunTest, SecondInstanceEndsAtOnceWhileTheFirstRuns) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  Process first = Start({"-h"});
  // Its log is opened after its single-instance lock is taken.
  ASSERT_TRUE(Until([&] { return FileExists(exeDir_ + "/MiniLog"); }, 60));
  // The first stands still meanwhile: a second that waited for it would never end.
  ASSERT_EQ(kill(first.pid, SIGSTOP), 0);
  Process second = Run({"-h"}, 60);
  ASSERT_EQ(kill(first.pid, SIGCONT), 0);
  EXPECT_TRUE(second.exited) << "it must not wait for the first";
  // Not the code of an install: the caller hears that nothing was installed by this run.
  EXPECT_EQ(second.exitCode, 8);
  ASSERT_TRUE(Wait(first, 90));
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(Stubs("installer").size(), 1u);
  // The launcher is a process of its own: its record may land after the program ends.
  Until([&] { return !Stubs("launcher").empty(); }, 10);
  EXPECT_EQ(Stubs("launcher").size(), 1u);
}

TEST_F(HiddenRunTest, RZeroInstallsWithoutStartingTheLauncher) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  EXPECT_EQ(Run({"-h", "-r", "0"}, 90).exitCode, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectInstalledTo(kInstallDir));
  EXPECT_TRUE(Stubs("launcher").empty());
  EXPECT_EQ(States(1).size(), 1u);
}

TEST_F(HiddenRunTest, UsableFolderWithBlanksIsTaken) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  ASSERT_EQ(system(("mkdir -p '" + Host("D:\\My Games\\澜铭聚峰") + "'").c_str()), 0);
  EXPECT_EQ(Run({"-h", "-p", "D:\\My Games\\澜铭聚峰"}, 90).exitCode, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectInstalledTo("D:\\My Games\\澜铭聚峰"));
  // The launcher is a process of its own: its record may land after the program ends.
  Until([&] { return !Stubs("launcher").empty(); }, 10);
  auto launches = Stubs("launcher");
  ASSERT_EQ(launches.size(), 1u);
  auto argv = Argv(launches[0]);
  ASSERT_GE(argv.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(argv.end() - 3, argv.end()), (std::vector<std::string>{"-i", "314", "-d"}));
}

// A folder with a trailing separator is taken as written: the installer gets it as one
// argument, its switch after it. A later run with "/" in its folder names the launcher with
// backslashes, and removes the earlier install where its launcher is.
TEST_F(HiddenRunTest, FolderIsTakenAsWritten) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  EXPECT_EQ(Run({"-h", "-p", "D:\\games\\jf\\"}, 90).exitCode, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectInstalledTo("D:\\games\\jf"));
  WriteFile(Host("D:\\games\\jf\\GameSettings.ini"), "old");
  EXPECT_EQ(Run({"-h", "-p", "D:/games/slash"}, 90).exitCode, 0);
  auto installs = Stubs("installer");
  ASSERT_EQ(installs.size(), 2u);
  EXPECT_EQ(Argv(installs[1]), (std::vector<std::string>{"/S", "/unpack=D:\\games\\slash", "/launch=off"}));
  for (std::string ini : {LauncherIni(CSIDL_COMMON_APPDATA, ""), LauncherIni(CSIDL_COMMON_DOCUMENTS, "/VarnelLauncher")}) {
    std::string text = Utf16FileAsUtf8(ini);
    EXPECT_NE(text.find("InstallPath=D:\\games\\slash\\VarnelLauncher.exe"), std::string::npos) << text;
  }
  EXPECT_TRUE(FileExists(Host("D:\\games\\slash\\VarnelLauncher.exe")));
  EXPECT_FALSE(FileExists(Host("D:\\games\\jf\\GameSettings.ini")));
  EXPECT_FALSE(FileExists(Host("D:\\games\\jf\\VarnelLauncher.exe")));
}

TEST_F(HiddenRunTest, UnusableFolderFallsBackToItsNameBesideTheProgram) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  EXPECT_EQ(Run({"-h", "-p", "Q:\\nowhere\\StarSand"}, 90).exitCode, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectInstalledTo("D:\\StarSand"));
}

TEST_F(HiddenRunTest, WrongMd5EndsWithAFailureRecordAndRemovesTheDownload) {
  ServerOptions o;
  o.info = "wrong-md5";
  ASSERT_NO_FATAL_FAILURE(StartServers(o));
  EXPECT_EQ(Run({"-h"}, 60).exitCode, 4);
  EXPECT_TRUE(Stubs("installer").empty());
  EXPECT_FALSE(States(0).empty());
  EXPECT_TRUE(States(1).empty());
  EXPECT_FALSE(FileExists(Host(std::string(kInstallDir) + "\\vrinstaller.exe")))
      << "a corrupt download must not satisfy the next run";
}

TEST_F(HiddenRunTest, EmptyMd5SkipsTheCheck) {
  ServerOptions o;
  o.info = "empty-md5";
  ASSERT_NO_FATAL_FAILURE(StartServers(o));
  EXPECT_EQ(Run({"-h"}, 90).exitCode, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectInstalledTo(kInstallDir));
  EXPECT_EQ(States(1).size(), 1u);
}

TEST_F(HiddenRunTest, InstallerThatCannotStartIsAnInstallError) {
  ServerOptions o;
  o.installerKind = "broken";
  ASSERT_NO_FATAL_FAILURE(StartServers(o));
  EXPECT_EQ(Run({"-h"}, 90).exitCode, 5);
  EXPECT_FALSE(States(0).empty());
  EXPECT_TRUE(States(1).empty()) << "a failed start is no success";
  EXPECT_TRUE(Stubs("launcher").empty());
  EXPECT_FALSE(FileExists(LauncherIni(CSIDL_COMMON_APPDATA, "")));
  EXPECT_FALSE(FileExists(Host(std::string(kInstallDir) + "\\preference.ini")));
}

TEST_F(HiddenRunTest, KilledDownloadResumesOnTheNextRun) {
  ServerOptions o;
  o.rate = 300000;
  ASSERT_NO_FATAL_FAILURE(StartServers(o));
  Process first = Start({"-h"});
  const long long size = ready_["installer_size"].asInt64();
  // Kill once a good part has arrived: the partial file holds more than a block.
  ASSERT_TRUE(Until([&] { return BytesAsked() >= 1310720 && Records("file").size() >= 2; }, 30));
  Nap(100);
  ASSERT_TRUE(Until([&] {
    struct stat st;
    return stat(Host(std::string(kInstallDir) + "\\vrinstaller.exe.vrdt.vrmt").c_str(), &st) == 0;
  }, 20));
  Nap(100);
  Kill(first);
  const double killedAt = Records("file").back()["time"].asDouble() + 0.001;
  Control("{\"rate\": 0}");
  Process second = Run({"-h"}, 90);
  EXPECT_EQ(second.exitCode, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectInstalledTo(kInstallDir));
  long long again = BytesAsked(killedAt);
  EXPECT_GT(again, 0);
  EXPECT_LT(again, size) << "the second run asks only for what is missing";
}

// Every attempt fails: a failure record each time, retries every 5 s, and the end after the
// eleventh retry tick: about a minute of the program's clock, which runs 20 times faster
// here, so the run takes a few seconds.
TEST_F(HiddenRunTest, FailingUpdateServerEndsAfterTheEleventhRetry) {
  ServerOptions o;
  o.info = "fail";
  ASSERT_NO_FATAL_FAILURE(StartServers(o));
  Process p = Run({"-h"}, 60, {{"JF_TICK_SCALE", "20"}});
  EXPECT_EQ(p.exitCode, 3);
  EXPECT_GE(p.seconds, 50.0 / 20);
  EXPECT_LT(p.seconds, 20.0);
  EXPECT_GE(States(0).size(), 1u);
  EXPECT_TRUE(States(1).empty());
  EXPECT_TRUE(Stubs("installer").empty());
  EXPECT_TRUE(Records("file").empty());
}

// A hidden run measures and draws no text: from its start to its end it maps no font file and
// no font cache (the drawing libraries themselves are linked, so they are mapped).
TEST_F(HiddenRunTest, MapsNoFontFromStartToEnd) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  Process p = Start({"-h"});
  std::set<std::string> fonts;
  int readings = 0;
  const bool ended = Until([&] {
    std::ifstream maps("/proc/" + std::to_string(p.pid) + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
      const size_t path = line.find('/');
      if (path == std::string::npos) continue;
      const std::string file = line.substr(path);
      if (file.find("/fonts/") != std::string::npos || file.find("/fontconfig/") != std::string::npos)
        fonts.insert(file);
    }
    ++readings;
    return Wait(p, 0);
  }, 90);
  ASSERT_TRUE(ended);
  EXPECT_EQ(p.exitCode, 0);
  EXPECT_GT(readings, 10);
  EXPECT_TRUE(fonts.empty()) << *fonts.begin();
}

TEST_F(HiddenRunTest, InstallerThatFailsIsAnInstallErrorNotASuccess) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  Process p = Run({"-h"}, 90, {{"JF_STUB_INSTALLER_EXIT", "3"}});
  EXPECT_EQ(p.exitCode, 5);
  EXPECT_EQ(Stubs("installer").size(), 1u);
  EXPECT_FALSE(States(0).empty());
  EXPECT_TRUE(States(1).empty()) << "an installer that failed is no success";
  EXPECT_TRUE(Stubs("launcher").empty());
  EXPECT_FALSE(FileExists(LauncherIni(CSIDL_COMMON_APPDATA, "")));
  EXPECT_FALSE(FileExists(Host(std::string(kInstallDir) + "\\preference.ini")));
}

TEST_F(HiddenRunTest, HideAfterAMissingValueStillHidesTheRun) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  // -r lacks its value: the parser stops there, yet no window may wait for a user.
  Process p = Run({"-r", "-h"}, 90);
  ASSERT_TRUE(p.exited) << "a window nobody answers";
  EXPECT_EQ(p.exitCode, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectInstalledTo(kInstallDir));
}

TEST_F(HiddenRunTest, FolderBelowAFileFallsBackToItsNameBesideTheProgram) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  WriteFile(Host("D:\\blocker"), "a file");
  Process p = Run({"-h", "-p", "D:\\blocker\\StarSand"}, 90);
  EXPECT_EQ(p.exitCode, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectInstalledTo("D:\\StarSand"));
  EXPECT_TRUE(States(0).empty());
  EXPECT_EQ(ReadFile(Host("D:\\blocker")), "a file");
}

TEST_F(HiddenRunTest, FullDiskEndsAsAFolderProblemNotANetworkFailure) {
  // Both drives on small file systems of this test's own (in a mount namespace of its own):
  // the installer fits on neither, so its download fills the disk.
  ASSERT_EQ(unshare(CLONE_NEWNS), 0);
  ASSERT_EQ(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
  const std::string program = ReadFile(exeDir_ + "/jfinstall");
  const std::string ini = ReadFile(exeDir_ + "/jfminiinstall.ini");
  const std::string dSize = "size=" + std::to_string(program.size() + (4 << 20));
  ASSERT_EQ(mount("tmpfs", (work_ + "/d").c_str(), "tmpfs", 0, dSize.c_str()), 0);
  ASSERT_EQ(mount("tmpfs", (work_ + "/c").c_str(), "tmpfs", 0, "size=4m"), 0);
  mkdir(exeDir_.c_str(), 0700);
  WriteFile(exeDir_ + "/jfinstall", program);
  ASSERT_EQ(chmod((exeDir_ + "/jfinstall").c_str(), 0755), 0);
  WriteFile(exeDir_ + "/jfminiinstall.ini", ini);
  ASSERT_NO_FATAL_FAILURE(StartServers());
  ASSERT_GT(ready_["installer_size"].asInt64(), 4 << 20);
  Process p = Run({"-h", "-p", "D:\\jf"}, 120);
  EXPECT_EQ(p.exitCode, 6);
  EXPECT_FALSE(States(0).empty());
  EXPECT_TRUE(States(1).empty());
  EXPECT_TRUE(Stubs("installer").empty());
  EXPECT_EQ(Records("info").size(), 1u) << "no retry rounds for a full disk";
  umount2((work_ + "/c").c_str(), MNT_DETACH);
  umount2((work_ + "/d").c_str(), MNT_DETACH);
}

TEST_F(HiddenRunTest, FullDiskBelowTheDrivesRootEndsAsAFolderProblem) {
  // The requested folder and the standard folders of both drives are small file systems of
  // this test's own mounted below the drives' roots, which have plenty of room: the installer
  // fits on none of them, whatever the drives' figures say.
  std::vector<std::unique_ptr<SmallFileSystem>> small;
  for (const char* folder : {"/d/jf", "/c/澜铭网络", "/d/澜铭网络"}) {
    small.emplace_back(new SmallFileSystem(work_ + folder, 1 << 20));
    ASSERT_TRUE(small.back()->Mounted()) << "mounting needs the privilege to";
  }
  ASSERT_NO_FATAL_FAILURE(StartServers());
  ASSERT_GT(ready_["installer_size"].asInt64(), 1 << 20);
  Process p = Run({"-h", "-p", "D:\\jf"}, 120);
  EXPECT_EQ(p.exitCode, 6);
  EXPECT_EQ(States(0).size(), 1u);
  EXPECT_TRUE(States(1).empty());
  EXPECT_TRUE(Stubs("installer").empty());
  EXPECT_EQ(Records("info").size(), 1u) << "no retry rounds for a full disk";
}

TEST_F(HiddenRunTest, LogZeroWritesNoLogFile) {
  WriteIni("[Debug]\r\nLog=0\r\nUpdateURL=http://127.0.0.1/vrminiinstall.txt\r\n");
  ASSERT_NO_FATAL_FAILURE(StartServers());
  EXPECT_EQ(Run({"-h"}, 90).exitCode, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectInstalledTo(kInstallDir));
  EXPECT_FALSE(AnyFileMatching(exeDir_ + "/MiniLog", "mini_downloader"));
}

TEST_F(HiddenRunTest, BrokenSkinEndsWithItsCodeAndNoBox) {
  ASSERT_NO_FATAL_FAILURE(BreakTheSkin());
  ASSERT_NO_FATAL_FAILURE(StartServers());
  Process p = Run({"-h"}, 60);
  ASSERT_TRUE(p.exited);
  EXPECT_EQ(p.exitCode, 7);
  const std::string out = ReadFile(work_ + "/program.out");
  EXPECT_EQ(out.find("加载资源文件失败"), std::string::npos) << "no box in a hidden run:\n" << out;
  // Counted as a failed run, as every other failure is.
  EXPECT_EQ(States(0).size(), 1u);
  EXPECT_TRUE(States(1).empty());
}

// A statistics server slower than a few seconds still gets its record to the end: the run does
// not end before the answer, which comes well within a request's own time-out (20 s of the
// program's clock, here 10 s of the wall clock).
TEST_F(HiddenRunTest, ARecordOnItsWayIsAnsweredBeforeTheRunEnds) {
  ASSERT_NO_FATAL_FAILURE(BreakTheSkin());
  ASSERT_NO_FATAL_FAILURE(StartServers());
  Control("{\"stat_delay_ms\": 3000}");
  Process p = Run({"-h"}, 60, {{"JF_TICK_SCALE", "2"}});
  ASSERT_TRUE(p.exited);
  EXPECT_EQ(p.exitCode, 7);
  EXPECT_EQ(States(0).size(), 1u);
  EXPECT_TRUE(LogHas(L"OnStatisticsDone et:0 ec:0")) << "the run ended before its record was answered";
}

// A statistics server that takes the post and does not answer within the request's 20 s: the
// post may have been stored, so it is not sent again, and the run's one success record
// arrives once. (The program's clock runs 20 times faster: 20 s pass in one.)
TEST_F(HiddenRunTest, ASuccessRecordLeftUnansweredIsNotSentAgain) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  Control("{\"stat_delay_ms\": 4000}");
  Process p = Run({"-h"}, 60, {{"JF_TICK_SCALE", "20"}});
  ASSERT_TRUE(p.exited);
  EXPECT_EQ(p.exitCode, 0);
  EXPECT_EQ(States(1).size(), 1u);
  EXPECT_EQ(Records("stat").size(), 1u);
}

}  // namespace
}  // namespace e2e
