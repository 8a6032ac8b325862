#include "ui/base/IUIAnimation.h"

#include "ui/base/UIAnimationDriver.h"

namespace SkinUI {

IUIAnimation::~IUIAnimation() {
  // Only the driver's own set is touched here: the derived part is already gone.
  if (m_driver) m_driver->Remove(this);
}

void IUIAnimation::StartAnimation() {
  if (!m_driver) return;
  m_currentFrame = 0;
  m_driver->Add(this);
}

void IUIAnimation::StopAnimation() {
  if (!m_driver) return;
  m_currentFrame = 0;
  m_driver->Remove(this);
}

void IUIAnimation::OnAnimationStep() { m_lastStepTick = ::GetTickCount(); }

bool IUIAnimation::IsAnimationRunning() const { return m_driver && m_driver->IsRunning(const_cast<IUIAnimation*>(this)); }

}  // namespace SkinUI
