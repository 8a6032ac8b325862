// The one bar of the progress page: the download fills 90 per cent of it, the install
// animation and the MD5 check share the rest; a bubble above it shows the download
// percentage.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class InstallProgress {
 public:
  static const int kFullAnimationStep = 450;

  struct Bubble {
    bool visible = false;
    RECT rect = RECT();
    std::wstring text;
  };

  // The bar's length in pixels of a bar `width` wide.
  static int ComputeLength(int width, int64_t totalBytes, int64_t completeBytes, int animationStep, int md5Percent);
  // The bubble for a bar of `length` in a window `windowHeight` high.
  static Bubble ComputeBubble(int length, int windowHeight, int64_t totalBytes, int64_t completeBytes);
  // The background image that draws a bar of `length`.
  static std::wstring BarImage(int length);
  // The animation counter after one 100 ms tick.
  static int NextAnimationStep(int step, bool installFinished);
  // The MD5 check's percentage after `done` of `size` bytes; -1 leaves it unchanged.
  static int Md5Percent(int64_t done, int64_t size);

  // The last length drawn; a change of the length is the only reason to redraw.
  bool Changed(int length);
  void Reset() { m_lastLength = 0; }
  int LastLength() const { return m_lastLength; }

 private:
  int m_lastLength = 0;
};
