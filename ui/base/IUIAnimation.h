// The animation base of animated controls: while running, the animation is stepped by the
// animation driver of its window's manager.
#pragma once
#include <windows.h>

namespace SkinUI {

class CUIAnimationDriver;

class IUIAnimation {
 public:
  explicit IUIAnimation(CUIAnimationDriver* driver = nullptr) : m_driver(driver) {}
  IUIAnimation(const IUIAnimation&) = delete;
  IUIAnimation& operator=(const IUIAnimation&) = delete;

  // Slots, in order.
  virtual ~IUIAnimation();
  virtual void StartAnimation();
  virtual void StopAnimation();
  virtual void OnAnimationStep();
  virtual DWORD GetAnimationInterval() const = 0;
  virtual void SetCurrentFrame(int frame) { m_currentFrame = frame; }

  bool IsAnimationRunning() const;
  int GetCurrentFrame() const { return m_currentFrame; }
  int GetFrameCount() const { return m_frameCount; }
  void SetFrameCount(int count) { m_frameCount = count; }
  DWORD GetLastStepTick() const { return m_lastStepTick; }
  CUIAnimationDriver* GetAnimationDriver() const { return m_driver; }
  void SetAnimationDriver(CUIAnimationDriver* driver) { m_driver = driver; }

 protected:
  DWORD m_lastStepTick = 0;
  DWORD m_reserved = 0;
  int m_currentFrame = 0;
  int m_frameCount = 0;
  CUIAnimationDriver* m_driver = nullptr;
};

}  // namespace SkinUI
