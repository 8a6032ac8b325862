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

  // The window whose timer steps the animations. A new window restarts the timer there: the
  // one of a window that was destroyed died with it.
  void SetWindow(HWND hwnd);
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
  void StartTimer();

  HWND m_hwnd = nullptr;
  std::set<IUIAnimation*> m_animations;
  UINT_PTR m_timerId = 0;
};

}  // namespace SkinUI
