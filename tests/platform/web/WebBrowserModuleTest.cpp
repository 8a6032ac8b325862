// The browser object is a server of its own, loaded with the first browser: a program that
// shows no page maps nothing of the engine, one that does shows its page; and a browser leaves
// nothing behind once released. Each case runs in a fresh copy of this program.
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>
#include <windows.h>
#include <exdisp.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/platform/web/WebPageFixture.h"

namespace webtest {
namespace {

// Whether a file whose path holds `part` is mapped into this process.
bool Mapped(const std::string& part) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find(part) != std::string::npos) return true;
  }
  return false;
}

// Runs one test of this program in a fresh copy (after `wrapper`, e.g. valgrind); its output.
std::string RunCopy(const std::string& test, const std::string& wrapper = "") {
  char self[PATH_MAX] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return "";
  const std::string command = "JF_WEB_COPY=1 " + wrapper + " '" + self + "' --gtest_filter=" + test + " 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = pclose(pipe);
    output += "\nexit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + "\n";
  }
  return output;
}

bool Passed(const std::string& output) {
  return output.find("[       OK ]") != std::string::npos && output.find("exit status 0\n") != std::string::npos;
}

class WebBrowserCopy : public WebPageFixture {
 protected:
  void SetUp() override {
    if (!std::getenv("JF_WEB_COPY")) GTEST_SKIP() << "run by WebBrowserModuleTest";
    WebPageFixture::SetUp();
  }
};

TEST_F(WebBrowserCopy, MapsTheEngineWithTheFirstBrowser) {
  {
    frametest::SkinWnd plain(L"<Window size=\"200,100\"><VerticalLayout bkcolor=\"#FF204060\"/></Window>");
    HWND hwnd = plain.Create(nullptr, L"plain", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0);
    ASSERT_NE(hwnd, nullptr);
    ::UpdateWindow(hwnd);
    Pump();
    EXPECT_FALSE(Mapped("WebKit")) << "a window without a browser";
    EXPECT_FALSE(Mapped("jfwebbrowser"));
    DestroyWindow(hwnd);
    Pump();
  }
  const std::string home = Url("/first.html");
  Open(home);
  EXPECT_TRUE(Mapped("/jfwebbrowser.so"));
  EXPECT_TRUE(Mapped("libWPEWebKit"));
  ASSERT_TRUE(WaitForPage(home));
  EXPECT_TRUE(PageShows(50, 25, 0xFF0000u));
}

// Run under valgrind, which makes the engine many times slower, the more so on a busy machine:
// its limits only catch a hang.
TEST_F(WebBrowserCopy, CreatesNavigatesAndReleasesABrowser) {
  const int kHangMs = 600000;
  IWebBrowser2* browser = NewBrowser();
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(NavigateObject(browser, Url("/second.html")), S_OK);
  READYSTATE state = READYSTATE_UNINITIALIZED;
  EXPECT_TRUE(PumpUntil([&] { return browser->get_ReadyState(&state) == S_OK && state == READYSTATE_COMPLETE; }, kHangMs));
  EXPECT_EQ(browser->Release(), 0u);
  // The view ends from the pump's next turn, and the engine's processes with it.
  EXPECT_TRUE(PumpUntil([&] { return ChildProcesses() == 0; }, kHangMs));
}

TEST(WebBrowserModuleTest, OnlyAProgramThatMakesABrowserMapsTheEngine) {
  const std::string output = RunCopy("WebBrowserCopy.MapsTheEngineWithTheFirstBrowser");
  EXPECT_TRUE(Passed(output)) << output;
}

// Every allocation of the browser's own is freed with it (the engine's caches, which live as
// long as the process, are not the browser's).
TEST(WebBrowserModuleTest, AReleasedBrowserLeavesNothingBehind) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "valgrind does not run a sanitizer build";
#endif
  if (access("/usr/bin/valgrind", X_OK) != 0) GTEST_SKIP() << "valgrind is not installed";
  const std::string output = RunCopy("WebBrowserCopy.CreatesNavigatesAndReleasesABrowser",
                                     "/usr/bin/valgrind --leak-check=full --show-leak-kinds=definite --num-callers=40");
  ASSERT_TRUE(Passed(output)) << output;
  // Each loss record runs from its "lost" line to the next blank one.
  std::istringstream lines(output);
  std::string line, record;
  bool inRecord = false;
  while (std::getline(lines, line)) {
    if (line.find("definitely lost in loss record") != std::string::npos) inRecord = true;
    if (inRecord) record += line + "\n";
    if (inRecord && line.find("==") == 0 && line.find_first_not_of("=0123456789 ") == std::string::npos) {
      EXPECT_EQ(record.find("platform/src/web/"), std::string::npos) << record;
      EXPECT_EQ(record.find("jf::Web"), std::string::npos) << record;
      record.clear();
      inRecord = false;
    }
  }
}

}  // namespace
}  // namespace webtest
