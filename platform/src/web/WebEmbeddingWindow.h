// The browser's child window in its host: the page's latest frame kept in a DIB section and
// drawn in WM_PAINT (so it lands in the window's backing store like everything else), and the
// mouse, wheel, keys, characters and focus of the window passed to the engine.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

#include "platform/src/web/WebEngineView.h"

namespace jf {

class WebEmbeddingWindow {
 public:
  struct Callbacks {
    std::function<void()> engineCalled;        // the engine has work: run its loop soon
    std::function<void(bool)> focusChanged;
    std::function<bool(POINT screen)> contextMenu;  // true: the host showed its own (or none)
  };

  WebEmbeddingWindow(WebEngineView* view, Callbacks callbacks);
  ~WebEmbeddingWindow();
  WebEmbeddingWindow(const WebEmbeddingWindow&) = delete;
  WebEmbeddingWindow& operator=(const WebEmbeddingWindow&) = delete;

  bool Create(HWND parent, const RECT& rc);
  void Destroy();
  HWND Handle() const { return m_hwnd; }
  // Places the window (parent coordinates) and sizes the page to it.
  void Move(const RECT& rc);
  // A frame of the engine: premultiplied BGRA rows.
  void Frame(const uint8_t* bits, int width, int height, int stride);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  void EnsureBitmap(int width, int height);
  void Paint();

  WebEngineView* m_view;
  Callbacks m_callbacks;
  HWND m_hwnd = nullptr;
  HBITMAP m_bitmap = nullptr;
  void* m_bits = nullptr;
  int m_width = 0;
  int m_height = 0;
};

}  // namespace jf
