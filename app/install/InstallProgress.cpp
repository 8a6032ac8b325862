#include "app/install/InstallProgress.h"

#include "commonlib/util/StringUtils.h"

namespace {
const int kBubbleHalfWidth = 14;
}

int InstallProgress::ComputeLength(int width, int64_t totalBytes, int64_t completeBytes, int animationStep,
                                   int md5Percent) {
  if (totalBytes <= 0) return 0;
  float r = static_cast<float>(completeBytes) / static_cast<float>(totalBytes);
  float x = 0.9f * static_cast<float>(animationStep) / kFullAnimationStep + 0.1f * static_cast<float>(md5Percent) / 100;
  return static_cast<int>(0.9f * width * r + 0.1f * width * x);
}

InstallProgress::Bubble InstallProgress::ComputeBubble(int length, int windowHeight, int64_t totalBytes,
                                                       int64_t completeBytes) {
  Bubble bubble;
  float r = totalBytes > 0 ? static_cast<float>(completeBytes) / static_cast<float>(totalBytes) : 0.0f;
  int percent = static_cast<int>(r * 100);
  if (length > kBubbleHalfWidth && percent > 0) {
    bubble.visible = true;
    bubble.rect.left = length - kBubbleHalfWidth;
    bubble.rect.top = windowHeight - 34;
    bubble.rect.right = length + kBubbleHalfWidth;
    bubble.rect.bottom = windowHeight - 11;
    bubble.text = StringUtils::Format(L"%d%%", percent);
  }
  return bubble;
}

std::wstring InstallProgress::BarImage(int length) {
  return StringUtils::Format(L" file='progress_fore.png' source='0,10,470,16'  dest='0,0,%d,6' ", length);
}

int InstallProgress::NextAnimationStep(int step, bool installFinished) {
  step += 3;
  if (installFinished) {
    step += 6;
  } else if (step > 337) {
    step -= 2;
  } else if (step > 225) {
    step -= 1;
  }
  return step;
}

int InstallProgress::Md5Percent(int64_t done, int64_t size) {
  if (size <= 0) return -1;
  int64_t percent = done * 100 / size;
  return static_cast<int>(percent > 100 ? 100 : percent);
}

bool InstallProgress::Changed(int length) {
  if (length == m_lastLength) return false;
  m_lastLength = length;
  return true;
}
