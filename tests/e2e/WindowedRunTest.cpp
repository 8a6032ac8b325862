// The program's windows on an Xvfb of the test's own, clicked with XTest at the controls'
// places in the skin, with a screenshot of every page and box under build/screenshots/e2e.
#include <cairo.h>
#include <shlobj.h>
#include <sys/stat.h>

#include "tests/e2e/E2eHarness.h"

namespace e2e {
namespace {

// Places in the skin (window coordinates).
struct Spot {
  int x, y;
};
const Spot kInstall{270, 354};     // btn_install
const Spot kAgree{27, 416};        // opt_agree's box
const Spot kFree{477, 415};        // btn_free
const Spot kClose{525, 15};        // btn_close
const Spot kEdit{260, 453};        // edit_input, with the panel open
const Spot kBoxOk{157, 93};        // btn_ok beside the cancel button
const Spot kBoxOkAlone{235, 93};   // btn_ok when the cancel row is hidden
const Spot kBoxCancel{235, 93};    // btn_cancel
const int kMainW = 540, kMainH = 434, kPanelH = 520, kProgressH = 314, kBoxW = 280, kBoxH = 115;

class WindowedRunTest : public Harness {
 protected:
  void SetUp() override {
    Harness::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (!StartDisplay()) GTEST_SKIP() << "no Xvfb";
  }
  // Starts the program and waits for its main window.
  void Open() {
    app_ = Start({});
    ASSERT_TRUE(WaitWindow(kMainW, kMainH, 30, main_, mx_, my_)) << ReadFile(work_ + "/program.out");
    Nap(100);
  }
  void ClickMain(Spot s) { Click(mx_ + s.x, my_ + s.y); }
  // Waits for a box, saves its picture, returns its place.
  bool Box(const std::string& shot, int& bx, int& by) {
    long id = 0;
    if (!WaitWindow(kBoxW, kBoxH, 20, id, bx, by)) return false;
    Nap(100);
    Shot(shot, id);
    return true;
  }
  void ClickBox(int bx, int by, Spot s) { Click(bx + s.x, by + s.y); }
  bool Follow(int w, int h, const std::string& shot) {
    if (!WaitWindow(w, h, 20, main_, mx_, my_)) return false;
    Nap(150);
    Shot(shot, main_);
    return true;
  }
  void QuitByTheQuestion() {
    ClickMain(kClose);
    int bx, by;
    ASSERT_TRUE(Box("box-quit", bx, by));
    ClickBox(bx, by, kBoxOk);
    ASSERT_TRUE(Wait(app_, 20));
    EXPECT_EQ(app_.exitCode, 0);
  }
  // Pixels of a PNG region that are red (the folder check's error colour).
  int RedPixels(const std::string& png, int x0, int y0, int x1, int y1) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) return -1;
    int n = 0, w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    unsigned char* d = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (int y = y0; y < y1 && y < h; ++y)
      for (int x = x0; x < x1 && x < w; ++x) {
        uint32_t px = *reinterpret_cast<uint32_t*>(d + y * stride + x * 4);
        int r = (px >> 16) & 255, g = (px >> 8) & 255, b = px & 255;
        if (r > 180 && g < 80 && b < 80) ++n;
      }
    cairo_surface_destroy(s);
    return n;
  }

  Process app_;
  long main_ = 0;
  int mx_ = 0, my_ = 0;
};

TEST_F(WindowedRunTest, UntickedAgreementShowsTheReminderAndQuitAsksFirst) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  ASSERT_NO_FATAL_FAILURE(Open());
  Shot("page0-agreement", main_);
  ClickMain(kAgree);
  Nap(100);
  Shot("page0-unticked", main_);
  ClickMain(kInstall);
  int bx, by;
  ASSERT_TRUE(Box("box-agreement-reminder", bx, by));
  ClickBox(bx, by, kBoxOkAlone);
  ASSERT_TRUE(WaitWindowGone(kBoxW, kBoxH, 10));
  EXPECT_TRUE(Records("info").empty()) << "nothing starts before the agreement";
  // The quit question, answered no and then yes.
  ClickMain(kClose);
  ASSERT_TRUE(Box("box-quit", bx, by));
  ClickBox(bx, by, kBoxCancel);
  ASSERT_TRUE(WaitWindowGone(kBoxW, kBoxH, 10));
  EXPECT_FALSE(Wait(app_, 0.3)) << "取消 keeps the window";
  ASSERT_NO_FATAL_FAILURE(QuitByTheQuestion());
  EXPECT_TRUE(Stubs("installer").empty());
}

TEST_F(WindowedRunTest, CustomPanelChecksTheTypedFolder) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  ASSERT_NO_FATAL_FAILURE(Open());
  ClickMain(kFree);
  ASSERT_TRUE(Follow(kMainW, kPanelH, "page0-custom-panel"));
  EXPECT_EQ(RedPixels(ShotDir() + "/page0-custom-panel.png", 84, 470, 520, 492), 0) << "the proposed folder is usable";
  ClickMain(kEdit);
  Nap(100);
  Key("ctrl+a");
  Type("D:\\a|b\\StarSand");
  // The folder is checked as it is typed; a busy machine draws the answer later.
  auto redPixels = [&](const char* shot) { return RedPixels(Shot(shot, main_), 84, 470, 520, 492); };
  EXPECT_TRUE(Until([&] { return redPixels("page0-custom-invalid-folder") > 20; }, 30))
      << "安装目录无效 is shown in red";
  Key("ctrl+a");
  Type("D:\\Games\\StarSand");
  EXPECT_TRUE(Until([&] { return redPixels("page0-custom-typed-folder") == 0; }, 30));
  ASSERT_NO_FATAL_FAILURE(QuitByTheQuestion());
}

TEST_F(WindowedRunTest, InstallRunsToTheEndWithTheProgressPage) {
  ServerOptions o;
  o.rate = 1000000;  // still under way when the progress page is photographed
  ASSERT_NO_FATAL_FAILURE(StartServers(o));
  ASSERT_NO_FATAL_FAILURE(Open());
  ClickMain(kInstall);
  ASSERT_TRUE(Follow(kMainW, kProgressH, "page1-progress-start"));
  Nap(1500);
  Shot("page1-progress-download", main_);
  ASSERT_TRUE(Until([&] { return !Stubs("installer").empty(); }, 60));
  Shot("page1-progress-install", main_);
  ASSERT_TRUE(Wait(app_, 60));
  EXPECT_EQ(app_.exitCode, 0);
  // The launcher is a process of its own: its record may land after the program ends.
  Until([&] { return !Stubs("launcher").empty(); }, 10);
  auto launches = Stubs("launcher");
  ASSERT_EQ(launches.size(), 1u);
  // Without a folder of its own the window proposes the first drive's default.
  EXPECT_EQ(launches[0]["exe"].asString(), "D:\\澜铭网络\\澜铭聚峰\\VarnelLauncher.exe");
  EXPECT_EQ(UserValue(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"VarnelCom-Launcher"),
            L"\"D:\\澜铭网络\\澜铭聚峰\\VarnelLauncher.exe\" --auto");
  EXPECT_NE(ReadFile(Host("D:\\澜铭网络\\澜铭聚峰\\preference.ini")).find("StartupWithOS=1"), std::string::npos);
}

class AlreadyInstalledTest : public WindowedRunTest {
 protected:
  void SetUp() override {
    WindowedRunTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // An earlier install that the launcher detection finds through the documents INI.
    mkdir(Host("D:\\Old").c_str(), 0755);
    ASSERT_EQ(system(("cp '" + StandinPath() + "' '" + Host("D:\\Old\\VarnelLauncher.exe") + "'").c_str()), 0);
    std::string dir = SpecialFolder(CSIDL_COMMON_DOCUMENTS) + "/VarnelLauncher";
    mkdir(dir.c_str(), 0755);
    std::string text = "[VarnelCom-Launcher]\r\nInstallPath=D:\\Old\\VarnelLauncher.exe\r\n";
    std::string bytes = "\xFF\xFE";
    for (unsigned char c : text) bytes += std::string{char(c), '\0'};
    WriteFile(dir + "/VarnelLaucher.ini", bytes);
  }
};

TEST_F(AlreadyInstalledTest, DirectStartRunsTheInstalledLauncher) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  ASSERT_NO_FATAL_FAILURE(Open());
  int bx, by;
  ASSERT_TRUE(Box("box-already-installed", bx, by));
  ClickBox(bx, by, kBoxCancel);  // 直接启动
  ASSERT_TRUE(Wait(app_, 20));
  EXPECT_EQ(app_.exitCode, 0);
  // The launcher is a process of its own: its record may land after the program ends.
  Until([&] { return !Stubs("launcher").empty(); }, 10);
  auto launches = Stubs("launcher");
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0]["exe"].asString(), "D:\\Old\\VarnelLauncher.exe");
  EXPECT_TRUE(Records("info").empty());
  EXPECT_TRUE(Statistics().empty());
}

TEST_F(AlreadyInstalledTest, OverwriteOpensTheCustomPanel) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  ASSERT_NO_FATAL_FAILURE(Open());
  int bx, by;
  ASSERT_TRUE(Box("box-already-installed", bx, by));
  ClickBox(bx, by, kBoxOk);  // 覆盖安装
  ASSERT_TRUE(Follow(kMainW, kPanelH, "page0-overwrite-panel"));
  EXPECT_TRUE(Stubs("launcher").empty());
  ASSERT_NO_FATAL_FAILURE(QuitByTheQuestion());
}

TEST_F(WindowedRunTest, SecondInstanceShowsTheOneButtonBoxAndEndsWithZero) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  Control("{\"info_delay_ms\": 20000}");
  Process first = Start({"-h"});
  ASSERT_TRUE(Until([&] { return !Records("info").empty() || FileExists(exeDir_ + "/MiniLog"); }, 20));
  Process second = Start({});
  int bx, by;
  ASSERT_TRUE(Box("box-already-running", bx, by)) << ReadFile(work_ + "/program.out");
  EXPECT_FALSE(Wait(second, 0.3)) << "the box waits for its answer";
  ClickBox(bx, by, kBoxOkAlone);  // 确定, the only button
  ASSERT_TRUE(Wait(second, 10));
  EXPECT_EQ(second.exitCode, 0);
  Kill(first);
}

TEST_F(WindowedRunTest, NetworkFailureBoxRetriesTheDownload) {
  ServerOptions o;
  o.info = "fail";
  ASSERT_NO_FATAL_FAILURE(StartServers(o));
  ASSERT_NO_FATAL_FAILURE(Open());
  ClickMain(kInstall);
  int bx, by;
  ASSERT_TRUE(Box("box-network-failure", bx, by));
  // The failure is reported while the box waits (the record goes out on the request timer).
  EXPECT_TRUE(Until([&] { return !Statistics().empty(); }, 10)) << "the failure is reported";
  Control("{\"info\": \"ok\"}");
  ClickBox(bx, by, kBoxOkAlone);  // 重试
  ASSERT_TRUE(Until([&] { return !Stubs("installer").empty(); }, 60));
  ASSERT_TRUE(Wait(app_, 60));
  EXPECT_EQ(app_.exitCode, 0);
  // The launcher is a process of its own: its record may land after the program ends.
  Until([&] { return !Stubs("launcher").empty(); }, 10);
  EXPECT_EQ(Stubs("launcher").size(), 1u);
}

}  // namespace
}  // namespace e2e
