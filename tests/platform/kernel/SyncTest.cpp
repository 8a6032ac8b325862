#include <gtest/gtest.h>
#include <unistd.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "tests/platform/kernel/KernelProbe.h"
#include "platform/src/internal/handles.h"
#include "platform/src/internal/utf.h"

namespace {

std::wstring UniqueName(const char* what) {
  static std::atomic<int> counter{0};
  return jf::FromUtf8(std::string("jf-test-") + what + "-" + std::to_string(getpid()) + "-" +
                      std::to_string(counter++));
}

TEST(SyncTest, AutoResetEventWakesOneWaitManualStaysSet) {
  HANDLE autoEvent = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  HANDLE manualEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(autoEvent, nullptr);
  ASSERT_NE(manualEvent, nullptr);
  EXPECT_NE(autoEvent, manualEvent);

  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);

  EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(SetEvent(manualEvent));
  EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_OBJECT_0);
  ASSERT_TRUE(ResetEvent(manualEvent));
  EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_TIMEOUT);

  EXPECT_TRUE(CloseHandle(autoEvent));
  EXPECT_TRUE(CloseHandle(manualEvent));
}

TEST(SyncTest, WaitTimesOutOnTheRealClockAndWakesAcrossThreads) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(event, 60), WAIT_TIMEOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));

  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    SetEvent(event);
  });
  EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
  setter.join();
  CloseHandle(event);
}

TEST(SyncTest, WaitAnyGivesTheFirstSignaledWaitAllTakesNothingUntilAll) {
  HANDLE objects[3] = {CreateEventW(nullptr, FALSE, FALSE, nullptr), CreateSemaphoreW(nullptr, 1, 5, nullptr),
                       CreateEventW(nullptr, TRUE, TRUE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(3, objects, FALSE, 0), WAIT_OBJECT_0 + 1);  // takes the semaphore
  EXPECT_EQ(WaitForMultipleObjects(3, objects, FALSE, 0), WAIT_OBJECT_0 + 2);

  // Not all signaled: the wait for all times out and leaves the semaphore alone.
  ASSERT_TRUE(ReleaseSemaphore(objects[1], 1, nullptr));
  EXPECT_EQ(WaitForMultipleObjects(3, objects, TRUE, 30), WAIT_TIMEOUT);
  LONG previous = -1;
  ASSERT_TRUE(ReleaseSemaphore(objects[1], 1, &previous));
  EXPECT_EQ(previous, 1);

  std::thread setter([&] { SetEvent(objects[0]); });
  EXPECT_EQ(WaitForMultipleObjects(3, objects, TRUE, 5000), WAIT_OBJECT_0);
  setter.join();
  EXPECT_EQ(WaitForSingleObject(objects[0], 0), WAIT_TIMEOUT);  // auto-reset by the wait
  ASSERT_TRUE(ReleaseSemaphore(objects[1], 1, &previous));
  EXPECT_EQ(previous, 1);  // two before, one taken by the wait for all

  HANDLE twice[2] = {objects[2], objects[2]};
  EXPECT_EQ(WaitForMultipleObjects(2, twice, TRUE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WaitForMultipleObjects(0, objects, FALSE, 0), WAIT_FAILED);
  for (HANDLE h : objects) CloseHandle(h);
}

TEST(SyncTest, SemaphoreCountsAndLimits) {
  EXPECT_EQ(CreateSemaphoreW(nullptr, 3, 2, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  HANDLE semaphore = CreateSemaphoreW(nullptr, 2, 3, nullptr);
  ASSERT_NE(semaphore, nullptr);
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(semaphore, 10), WAIT_TIMEOUT);

  LONG previous = -1;
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 4, &previous));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
  ASSERT_TRUE(ReleaseSemaphore(semaphore, 3, &previous));
  EXPECT_EQ(previous, 0);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, nullptr));
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 0, nullptr));
  EXPECT_FALSE(SetEvent(semaphore));  // a semaphore is no event
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  CloseHandle(semaphore);
}

TEST(SyncTest, UnknownAndClosedHandlesFail) {
  HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  ASSERT_TRUE(CloseHandle(event));
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(SetEvent(nullptr));
  EXPECT_TRUE(CloseHandle(GetCurrentThread()));  // a pseudo handle needs no closing
}

TEST(SyncTest, MutexIsRecursiveAndOwnedByOneThread) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, nullptr);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // owner again: count 2

  DWORD otherWait = 0;
  BOOL otherRelease = TRUE;
  DWORD otherError = 0;
  std::thread other([&] {
    otherWait = WaitForSingleObject(mutex, 20);
    otherRelease = ReleaseMutex(mutex);
    otherError = GetLastError();
  });
  other.join();
  EXPECT_EQ(otherWait, WAIT_TIMEOUT);
  EXPECT_FALSE(otherRelease);
  EXPECT_EQ(otherError, static_cast<DWORD>(ERROR_NOT_OWNER));

  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_FALSE(ReleaseMutex(mutex));

  std::thread taker([&] { otherWait = WaitForSingleObject(mutex, 1000); ReleaseMutex(mutex); });
  taker.join();
  EXPECT_EQ(otherWait, WAIT_OBJECT_0);
  CloseHandle(mutex);
}

TEST(SyncTest, MutexOfAnEndedOwnerIsAbandonedOnce) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
  std::thread owner([&] { EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0); });
  owner.join();
  HANDLE pair[2] = {CreateEventW(nullptr, TRUE, FALSE, nullptr), mutex};
  EXPECT_EQ(WaitForMultipleObjects(2, pair, FALSE, 1000), WAIT_ABANDONED_0 + 1);
  ASSERT_TRUE(ReleaseMutex(mutex));  // the waiter owns it now
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  ReleaseMutex(mutex);
  CloseHandle(pair[0]);
  CloseHandle(mutex);
}

DWORD WINAPI TakeAndReturn(LPVOID mutex) { return WaitForSingleObject(static_cast<HANDLE>(mutex), 0); }

TEST(SyncTest, MutexIsAbandonedBeforeTheOwnerHandleIsSignaled) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
  for (int round = 0; round < 20; ++round) {
    HANDLE thread = CreateThread(nullptr, 0, &TakeAndReturn, mutex, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED_0);
    ASSERT_TRUE(ReleaseMutex(mutex));
    CloseHandle(thread);
  }
  CloseHandle(mutex);
}

TEST(SyncTest, NamedMutexIsSharedInsideTheProcess) {
  std::wstring name = UniqueName("inproc");
  HANDLE first = CreateMutexW(nullptr, TRUE, name.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE second = CreateMutexW(nullptr, TRUE, name.c_str());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_NE(first, second);
  HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
  ASSERT_NE(opened, nullptr);

  // One object: the creator owns it (once; the second create did not take it again).
  DWORD otherWait = 0;
  std::thread other([&] { otherWait = WaitForSingleObject(opened, 0); });
  other.join();
  EXPECT_EQ(otherWait, WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(second));
  EXPECT_FALSE(ReleaseMutex(first));

  // The session namespaces name the same mutex.
  HANDLE global = CreateMutexW(nullptr, FALSE, (L"Global\\" + name).c_str());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(global);

  CloseHandle(first);
  CloseHandle(second);
  CloseHandle(opened);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HANDLE again = CreateMutexW(nullptr, FALSE, name.c_str());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(again);
}

TEST(SyncTest, NamedMutexIsSeenByASecondProcess) {
  std::string name = jf::ToUtf8(UniqueName("xproc"));
  HANDLE mine = CreateMutexW(nullptr, FALSE, jf::FromUtf8(name).c_str());
  ASSERT_NE(mine, nullptr);
  {
    kerneltest::Probe probe({"create", name});
    ASSERT_TRUE(probe.Started());
    EXPECT_EQ(probe.ReadLine(), "exists");
    EXPECT_EQ(probe.Wait(), ERROR_ALREADY_EXISTS);
  }
  CloseHandle(mine);
  {
    kerneltest::Probe probe({"create", name});
    EXPECT_EQ(probe.ReadLine(), "new");
    EXPECT_EQ(probe.Wait(), 0);
  }

  // The other way round: the child holds it, this process sees it existing.
  kerneltest::Probe holder({"hold", name});
  ASSERT_EQ(holder.ReadLine(), "new");
  HANDLE seen = CreateMutexW(nullptr, TRUE, jf::FromUtf8(name).c_str());
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, jf::FromUtf8(name).c_str());
  EXPECT_NE(opened, nullptr);
  CloseHandle(opened);
  CloseHandle(seen);
  holder.CloseInput();
  EXPECT_EQ(holder.Wait(), 0);

  // The holder is gone, so the name is free again.
  HANDLE fresh = CreateMutexW(nullptr, FALSE, jf::FromUtf8(name).c_str());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(fresh);
}

// An object of another area, as processes and sockets are: signaled by a flag whose changes
// are announced with SignalStateChanged.
class FlagObject : public jf::KernelObject {
 public:
  std::atomic<bool> flag{false};
  std::atomic<int> closed{0};
  bool IsSignaled() override { return flag; }
  void OnLastHandleClosed() override { ++closed; }
};

TEST(SyncTest, ObjectsOfOtherAreasWakeWaitersAndLearnOfTheirLastHandle) {
  auto object = std::make_shared<FlagObject>();
  HANDLE first = jf::RegisterHandle(object);
  HANDLE second = jf::RegisterHandle(object);
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_EQ(jf::LookupHandleAs<FlagObject>(second), object);

  std::thread signaler([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    object->flag = true;
    jf::SignalStateChanged(object->Waiters());
  });
  EXPECT_EQ(WaitForSingleObject(first, 5000), WAIT_OBJECT_0);
  signaler.join();

  // A sleeping wait is listed on its object, and leaves the list when it ends.
  object->flag = false;
  std::atomic<DWORD> result{WAIT_FAILED};
  std::thread waiter([&] { result = WaitForSingleObject(second, 5000); });
  for (bool listed = false; !listed; std::this_thread::yield()) {
    jf::WithWaitLock([&] { listed = !object->Waiters().Empty(); });
  }
  object->flag = true;
  jf::SignalStateChanged(object->Waiters());
  waiter.join();
  EXPECT_EQ(result, WAIT_OBJECT_0);
  bool empty = false;
  jf::WithWaitLock([&] { empty = object->Waiters().Empty(); });
  EXPECT_TRUE(empty);

  CloseHandle(first);
  EXPECT_EQ(object->closed, 0);
  CloseHandle(second);
  EXPECT_EQ(object->closed, 1);
  EXPECT_EQ(jf::LookupHandle(second), nullptr);
}

TEST(SyncTest, CriticalSectionIsRecursiveAndExcludesOtherThreads) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section));
  EXPECT_EQ(section.RecursionCount, 2);
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(section.OwningThread), GetCurrentThreadId());

  BOOL otherTry = TRUE;
  std::thread other([&] {
    otherTry = TryEnterCriticalSection(&section);
    LeaveCriticalSection(&section);  // not the owner: ignored
  });
  other.join();
  EXPECT_FALSE(otherTry);
  EXPECT_EQ(section.RecursionCount, 2);
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);
  EXPECT_EQ(section.RecursionCount, 0);
  DeleteCriticalSection(&section);

  // Many threads, each entering twice per step, never lose an update.
  ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&section, 4000));
  long counter = 0;
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        EnterCriticalSection(&section);
        EnterCriticalSection(&section);
        ++counter;
        LeaveCriticalSection(&section);
        LeaveCriticalSection(&section);
      }
    });
  }
  for (auto& w : workers) w.join();
  EXPECT_EQ(counter, 20000);
  DeleteCriticalSection(&section);
}

TEST(SyncTest, InterlockedOperationsReturnWhatWindowsReturns) {
  LONG v = 5;
  EXPECT_EQ(InterlockedIncrement(&v), 6);
  EXPECT_EQ(InterlockedDecrement(&v), 5);
  EXPECT_EQ(InterlockedExchange(&v, 9), 5);
  EXPECT_EQ(InterlockedExchangeAdd(&v, 3), 9);
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 7), 12);  // no match: unchanged
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 12), 12);
  EXPECT_EQ(v, 1);
  LONG64 w = 1LL << 40;
  EXPECT_EQ(InterlockedIncrement64(&w), (1LL << 40) + 1);
  EXPECT_EQ(InterlockedCompareExchange64(&w, 0, (1LL << 40) + 1), (1LL << 40) + 1);
  int target = 0;
  PVOID p = nullptr;
  EXPECT_EQ(InterlockedCompareExchangePointer(&p, &target, nullptr), nullptr);
  EXPECT_EQ(InterlockedExchangePointer(&p, nullptr), &target);

  LONG shared = 0;
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) InterlockedIncrement(&shared);
    });
  }
  for (auto& w2 : workers) w2.join();
  EXPECT_EQ(shared, 40000);
}

}  // namespace
