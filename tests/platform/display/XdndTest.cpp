#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/src/user/UserArea.h"
#include "platform/testing/hooks/tick.h"
#include "tests/platform/display/DisplayTestWindow.h"
#include "tests/platform/display/DragProbes.h"
#include "tests/support/XvfbServer.h"
// After the layer's headers, whose names Xlib's macros would change.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The limits of the waits below only catch what never comes: how soon the other program and
// the display answer is the machine's business. Our side's own time-outs run on its tick
// source, which the drags hold still.
constexpr int kHangMs = 60000;

// The helper program on the test's display, with its standard output read line by line.
class Peer {
 public:
  Peer(const std::string& display, int x, int y, const char* mode) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    const std::string path = std::string(JF_TEST_BIN_DIR) + "/jf_dnd_peer";
    const std::string xs = std::to_string(x), ys = std::to_string(y);
    const char* argv[] = {path.c_str(), display.c_str(), xs.c_str(), ys.c_str(), mode, nullptr};
    if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Peer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      kill(pid_, SIGCONT);  // a stopped peer ends too
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  // The next line, waiting up to `ms` while this thread's windows keep getting their messages.
  void Signal(int sig) {
    if (pid_ > 0) kill(pid_, sig);
  }
  std::string Line(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
      const size_t nl = buffer_.find('\n');
      if (nl != std::string::npos) {
        std::string line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return line;
      }
      disptest::Pump();
      pollfd p = {out_, POLLIN, 0};
      if (poll(&p, 1, 10) > 0) {
        char chunk[256];
        const ssize_t n = read(out_, chunk, sizeof(chunk));
        if (n <= 0) break;
        buffer_.append(chunk, size_t(n));
      }
    }
    return "(nothing)";
  }

 private:
  pid_t pid_ = 0;
  int out_ = -1;
  std::string buffer_;
};

// The user's hand on the display: a press and moves in small steps, the button still held.
void Hold(Display* probe, std::vector<POINT> path) {
  auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(60)); };
  XTestFakeMotionEvent(probe, -1, path[0].x, path[0].y, 0);
  XFlush(probe);
  pause();
  XTestFakeButtonEvent(probe, 1, True, 0);
  XFlush(probe);
  pause();
  for (size_t i = 1; i < path.size(); ++i) {
    XTestFakeMotionEvent(probe, -1, path[i].x, path[i].y, 0);
    XFlush(probe);
    pause();
  }
}

// The same and a release.
void Hand(Display* probe, std::vector<POINT> path) {
  Hold(probe, path);
  XTestFakeButtonEvent(probe, 1, False, 0);
  XFlush(probe);
}

void PumpFor(int ms, const std::function<bool()>& done) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end && !done()) {
    disptest::Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

class XdndTest : public disptest::DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    jf::TickRestore();  // X events arrive in real time
    if (!jftest::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(xvfb_.Start());
  }
  void TearDown() override {
    jf::TickRestore();
    if (window_) DestroyWindow(window_);
    disptest::Pump();
    xvfb_.Stop();
    jf::TestResetInput();
  }
  HWND Window(disptest::Handler* handler) {
    window_ = disptest::Make(handler, WS_POPUP | WS_VISIBLE, 50, 50, 200, 150);
    UpdateWindow(window_);
    return window_;
  }

  jftest::XvfbServer xvfb_;
  HWND window_ = nullptr;
};

TEST_F(XdndTest, TextAndFilesDraggedOutReachAnotherProgram) {
  struct Row {
    std::wstring text;
    std::vector<std::wstring> files;
    const char* printed;
  };
  const Row rows[] = {
      {L"出去 text", {}, "drop 2 text:出去 text"},
      {L"", {L"Z:\\tmp\\a b.txt", L"Z:\\tmp\\二.bin"}, "drop 2 files:Z:\\tmp\\a b.txt|Z:\\tmp\\二.bin"},
  };
  const Row* row = nullptr;
  bool ended = false;
  HRESULT result = S_OK;
  DWORD effect = 0;
  disptest::Handler source = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m != WM_LBUTTONDOWN) return DefWindowProcW(h, m, w, l);
    auto* data = new jf::DragData;
    if (row->files.empty()) data->SetText(row->text);
    else data->SetFiles(row->files);
    auto* drop = new jf::DragSource(MK_LBUTTON);
    result = DoDragDrop(data, drop, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    ended = true;
    data->Release();
    drop->Release();
    return 0;
  };
  Window(&source);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.printed);
    row = &r;
    ended = false;
    Peer peer(xvfb_.Name(), 400, 50, "target");
    ASSERT_EQ(peer.Line(kHangMs), "ready");
    PumpFor(300, [] { return false; });  // both windows mapped
    jf::TickOverride(GetTickCount64());  // a busy peer is waited for, not taken as one that refuses
    std::thread hand(Hand, xvfb_.Probe(), std::vector<POINT>{{100, 100}, {120, 105}, {300, 100}, {450, 100}, {460, 110}});
    PumpFor(kHangMs, [&] { return ended; });
    hand.join();
    jf::TickRestore();
    EXPECT_EQ(result, DRAGDROP_S_DROP);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
    EXPECT_EQ(peer.Line(kHangMs), r.printed);
  }
  DestroyWindow(window_);  // before its procedure goes
  window_ = nullptr;
}

TEST_F(XdndTest, TextAndFilesDraggedInFromAnotherProgramReachOurTarget) {
  struct Row {
    const char* mode;
    std::wstring text;
    std::vector<std::wstring> files;
  };
  const Row rows[] = {
      {"text", L"来自 peer", {}},
      {"files", L"", {L"Z:\\tmp\\jf dnd\\一.txt", L"Z:\\tmp\\b%.bin"}},
  };
  disptest::Handler plain = [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); };
  Window(&plain);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    dndtest::LogTarget target;
    ASSERT_EQ(RegisterDragDrop(window_, &target), S_OK);
    struct Revoke {
      HWND hwnd;
      ~Revoke() { RevokeDragDrop(hwnd); }  // whatever fails below: the target is ours
    } revoke{window_};
    Peer peer(xvfb_.Name(), 400, 50, row.mode);
    ASSERT_EQ(peer.Line(kHangMs), "ready");
    PumpFor(300, [] { return false; });
    jf::TickOverride(GetTickCount64());  // a busy peer is not taken for a quiet one
    std::thread hand(Hand, xvfb_.Probe(), std::vector<POINT>{{450, 100}, {440, 105}, {300, 100}, {100, 100}, {110, 110}});
    PumpFor(kHangMs, [&] { return !target.log.empty() && target.log.back().rfind("drop", 0) == 0; });
    hand.join();
    jf::TickRestore();
    ASSERT_FALSE(target.log.empty());
    EXPECT_EQ(target.log.front().rfind("enter 2", 0), 0u) << target.log.front();
    EXPECT_EQ(target.log.back(), "drop 2");
    EXPECT_EQ(target.droppedText, row.text);
    EXPECT_EQ(target.droppedFiles, row.files);
    EXPECT_EQ(peer.Line(kHangMs), "done " + std::to_string(long(DRAGDROP_S_DROP)) + " 2");
  }
  DestroyWindow(window_);
  window_ = nullptr;
}

// Another program's drag over our window ends without a drop or a leave: it dies (its
// windows go), or it goes quiet after the user let go. Our target hears DragLeave either way;
// a quiet source while the button is still held is only a hand that rests.
TEST_F(XdndTest, ASourceThatDiesOrGoesQuietLeavesOurTarget) {
  disptest::Handler plain = [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); };
  Window(&plain);
  dndtest::LogTarget targets[2];  // both outlive the rows: a drag left behind names the first
  for (const bool dies : {true, false}) {
    SCOPED_TRACE(dies ? "dies" : "quiet");
    dndtest::LogTarget& target = targets[dies ? 0 : 1];
    ASSERT_EQ(RegisterDragDrop(window_, &target), S_OK);
    struct Revoke {
      HWND hwnd;
      Display* probe;
      ~Revoke() {
        XTestFakeButtonEvent(probe, 1, False, 0);
        XFlush(probe);
        RevokeDragDrop(hwnd);
      }
    } revoke{window_, xvfb_.Probe()};
    Peer peer(xvfb_.Name(), 400, 50, "text");
    ASSERT_EQ(peer.Line(kHangMs), "ready");
    PumpFor(300, [] { return false; });
    std::thread hand(Hold, xvfb_.Probe(), std::vector<POINT>{{450, 100}, {440, 105}, {300, 100}, {100, 100}, {110, 110}});
    PumpFor(kHangMs, [&] { return target.log.size() >= 2; });
    hand.join();
    PumpFor(200, [] { return false; });
    ASSERT_GE(target.log.size(), 2u);
    ASSERT_EQ(target.log.front().rfind("enter", 0), 0u) << target.log.front();
    ASSERT_NE(target.log.back(), "leave");
    jf::TickOverride(GetTickCount64());  // held still: only what the test does moves it
    if (dies) {
      peer.Signal(SIGKILL);
    } else {
      peer.Signal(SIGSTOP);
      jf::TickAdvance(60000);
      PumpFor(300, [&] { return target.log.back() == "leave"; });
      EXPECT_NE(target.log.back(), "leave") << "the button is still held";
      XTestFakeButtonEvent(xvfb_.Probe(), 1, False, 0);
      XSync(xvfb_.Probe(), False);  // the display has let go before our side asks it
      jf::TickAdvance(60000);
    }
    PumpFor(kHangMs, [&] { return target.log.back() == "leave"; });
    EXPECT_EQ(target.log.back(), "leave");
    peer.Signal(SIGKILL);
    jf::TickRestore();
  }
  DestroyWindow(window_);
  window_ = nullptr;
}

}  // namespace
