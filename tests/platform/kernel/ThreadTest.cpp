#include <gtest/gtest.h>
#include <process.h>
#include <windows.h>

#include <atomic>
#include <chrono>

namespace {

struct Gate {
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<DWORD> tid{0};
  // Set as the thread's last touch of the gate: after it the gate may go.
  std::atomic<bool> passed{false};
  ~Gate() { CloseHandle(release); }
};

DWORD WINAPI WaitThenReturn(LPVOID parameter) {
  auto* gate = static_cast<Gate*>(parameter);
  gate->tid = GetCurrentThreadId();
  WaitForSingleObject(gate->release, INFINITE);
  gate->passed = true;
  return 42;
}

// Polls `done` for up to ten seconds: a loaded machine may start a thread late.
template <typename F>
bool WaitUntil(F done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(1);
  }
  return true;
}

TEST(ThreadTest, ExitCodeIsStillActiveUntilTheThreadReturns) {
  Gate gate;
  DWORD tid = 0;
  HANDLE thread = CreateThread(nullptr, 0, &WaitThenReturn, &gate, 0, &tid);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(tid, 0u);
  EXPECT_NE(tid, GetCurrentThreadId());
  EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());

  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);

  SetEvent(gate.release);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(gate.tid.load(), tid);
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);  // stays signaled
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_FALSE(GetExitCodeThread(thread, &code));
}

struct Unwound {
  std::atomic<bool>* flag;
  ~Unwound() { *flag = true; }
};

unsigned __stdcall EndEarly(void* arg) {
  Unwound guard{static_cast<std::atomic<bool>*>(arg)};
  _endthreadex(7);
}

TEST(ThreadTest, EndThreadExKeepsItsCodeAndRunsDestructors) {
  std::atomic<bool> unwound{false};
  unsigned tid = 0;
  uintptr_t handle = _beginthreadex(nullptr, 64 * 1024, &EndEarly, &unwound, 0, &tid);
  ASSERT_NE(handle, 0u);
  EXPECT_NE(tid, 0u);
  HANDLE thread = reinterpret_cast<HANDLE>(handle);
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(unwound);
  CloseHandle(thread);
}

TEST(ThreadTest, SuspendedThreadStartsOnResume) {
  Gate gate;
  SetEvent(gate.release);
  HANDLE thread = CreateThread(nullptr, 0, &WaitThenReturn, &gate, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 30), WAIT_TIMEOUT);
  EXPECT_EQ(gate.tid.load(), 0u);
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(ResumeThread(thread), 0u);
  CloseHandle(thread);
}

TEST(ThreadTest, ClosedHandleLetsTheThreadRunOn) {
  Gate gate;
  HANDLE thread = CreateThread(nullptr, 0, &WaitThenReturn, &gate, 0, nullptr);
  ASSERT_TRUE(CloseHandle(thread));
  SetEvent(gate.release);
  // The thread must be through with the gate before the gate leaves the stack.
  EXPECT_TRUE(WaitUntil([&] { return gate.passed.load(); }));
  EXPECT_NE(gate.tid.load(), 0u);
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(ThreadTest, SleepWaitsAtLeastTheTime) {
  auto start = std::chrono::steady_clock::now();
  Sleep(0);
  SwitchToThread();
  Sleep(25);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
}

}  // namespace
