// Steps the running animations of one window on a 20 ms timer of that window.
#pragma once
#include <windows.h>

#include <set>

namespace SkinUI {

class IUIAnimation;

class CUIAnimationDriver {
 public:
  CUIAnimationDriver() = default;
  CUIAnimationDriver(const CUIAnimationDriver&) = delete;
  CUIAnimationDriver& operator=(const CUIAnimationDriver&) = delete;
  ~CUIAnimationDriver();

  void SetWindow(HWND hwnd) { m_hwnd = hwnd; }
  HWND GetWindow() const { return m_hwnd; }
  void Add(IUIAnimation* animation);
  // Takes the animation out of the set; the last one out kills the timer.
  void Remove(IUIAnimation* animation);
  bool IsRunning(IUIAnimation* animation) const;
  // Kills the timer and forgets every animation (the manager is going away).
  void Stop();
  UINT_PTR GetTimerId() const { return m_timerId; }
  size_t GetCount() const { return m_animations.size(); }

  // One tick: steps every animation whose interval has elapsed.
  void OnTimer();
  static void CALLBACK TimerProc(HWND hwnd, UINT msg, UINT_PTR id, DWORD time);

 private:
  HWND m_hwnd = nullptr;
  std::set<IUIAnimation*> m_animations;
  UINT_PTR m_timerId = 0;
};

}  // namespace SkinUI
