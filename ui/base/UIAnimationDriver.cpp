#include "ui/base/UIAnimationDriver.h"

#include <vector>

#include "ui/base/IUIAnimation.h"
#include "ui/base/WindowWnd.h"

namespace SkinUI {

CUIAnimationDriver::~CUIAnimationDriver() { Stop(); }

void CUIAnimationDriver::SetWindow(HWND hwnd) {
  if (m_timerId != 0) ::KillTimer(m_hwnd, m_timerId);
  m_timerId = 0;
  m_hwnd = hwnd;
  if (!m_animations.empty()) StartTimer();
}

void CUIAnimationDriver::StartTimer() {
  m_timerId = ::SetTimer(m_hwnd, reinterpret_cast<UINT_PTR>(this), 20, &CUIAnimationDriver::TimerProc);
}

void CUIAnimationDriver::Add(IUIAnimation* animation) {
  if (!animation) return;
  m_animations.insert(animation);
  if (!m_animations.empty() && m_timerId == 0) StartTimer();
}

void CUIAnimationDriver::Remove(IUIAnimation* animation) {
  m_animations.erase(animation);
  if (m_animations.empty() && m_timerId != 0) {
    ::KillTimer(m_hwnd, m_timerId);
    m_timerId = 0;
  }
}

bool CUIAnimationDriver::IsRunning(IUIAnimation* animation) const {
  return m_animations.find(animation) != m_animations.end();
}

void CUIAnimationDriver::Stop() {
  if (m_timerId != 0) ::KillTimer(m_hwnd, m_timerId);
  m_timerId = 0;
  // Animations still registered forget this driver, so their own stop never reaches it.
  for (IUIAnimation* animation : m_animations) animation->SetAnimationDriver(nullptr);
  m_animations.clear();
}

void CUIAnimationDriver::OnTimer() {
  // A tick is a framework frame: a step that closes the window leaves this driver (owned by
  // the window's manager) alive until the tick is over, and the tick then ends.
  CWindowWnd::DispatchScope frame(CWindowWnd::DispatchScope::kMessage);
  // A step may stop its own animation or others: walk a copy and skip those gone meanwhile.
  std::vector<IUIAnimation*> running(m_animations.begin(), m_animations.end());
  for (IUIAnimation* animation : running) {
    if (m_hwnd && !::IsWindow(m_hwnd)) return;
    if (m_animations.find(animation) == m_animations.end()) continue;
    DWORD now = ::GetTickCount();
    if (now - animation->GetLastStepTick() >= animation->GetAnimationInterval()) animation->OnAnimationStep();
  }
}

void CALLBACK CUIAnimationDriver::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  reinterpret_cast<CUIAnimationDriver*>(id)->OnTimer();
}

}  // namespace SkinUI
