#include "platform/src/web/WebEmbeddingWindow.h"

#include <algorithm>
#include <cstring>

#include "platform/src/web/WebKeyMap.h"

namespace jf {

namespace {

constexpr wchar_t kClassName[] = L"JfWebBrowserView";
constexpr uint32_t kNoHardwareKey = 0;

int LowX(LPARAM lParam) { return short(LOWORD(lParam)); }
int HighY(LPARAM lParam) { return short(HIWORD(lParam)); }

}  // namespace

WebEmbeddingWindow::WebEmbeddingWindow(WebEngineView* view, Callbacks callbacks)
    : m_view(view), m_callbacks(std::move(callbacks)) {}

WebEmbeddingWindow::~WebEmbeddingWindow() {
  Destroy();
  if (m_bitmap) DeleteObject(m_bitmap);
}

bool WebEmbeddingWindow::Create(HWND parent, const RECT& rc) {
  if (m_hwnd) return true;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &WebEmbeddingWindow::WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);  // fails harmlessly when the class is there already
  EnsureBitmap(std::max(1, int(rc.right - rc.left)), std::max(1, int(rc.bottom - rc.top)));
  m_hwnd = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rc.left, rc.top,
                           rc.right - rc.left, rc.bottom - rc.top, parent, nullptr, instance, this);
  m_view->Resize(m_width, m_height);
  m_callbacks.engineCalled();
  return m_hwnd != nullptr;
}

void WebEmbeddingWindow::Destroy() {
  if (!m_hwnd) return;
  HWND hwnd = m_hwnd;
  m_hwnd = nullptr;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
}

void WebEmbeddingWindow::Move(const RECT& rc) {
  const int width = std::max(1, int(rc.right - rc.left));
  const int height = std::max(1, int(rc.bottom - rc.top));
  if (m_hwnd) MoveWindow(m_hwnd, rc.left, rc.top, width, height, TRUE);
  if (width != m_width || height != m_height) {
    EnsureBitmap(width, height);
    m_view->Resize(width, height);
    m_callbacks.engineCalled();
  }
}

void WebEmbeddingWindow::EnsureBitmap(int width, int height) {
  if (m_bitmap && width == m_width && height == m_height) return;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, as the engine's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return;
  // White until the first frame, as an empty page.
  std::memset(bits, 0xFF, size_t(width) * size_t(height) * 4);
  if (m_bitmap) DeleteObject(m_bitmap);
  m_bitmap = bitmap;
  m_bits = bits;
  m_width = width;
  m_height = height;
}

void WebEmbeddingWindow::Frame(const uint8_t* bits, int width, int height, int stride) {
  if (!m_bits) return;
  const int rows = std::min(height, m_height);
  const size_t bytes = size_t(std::min(width, m_width)) * 4;
  for (int y = 0; y < rows; ++y) {
    std::memcpy(static_cast<uint8_t*>(m_bits) + size_t(y) * size_t(m_width) * 4, bits + size_t(y) * size_t(stride),
                bytes);
  }
  if (m_hwnd) InvalidateRect(m_hwnd, nullptr, FALSE);
}

void WebEmbeddingWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(m_hwnd, &ps);
  if (dc && m_bitmap) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, m_bitmap);
    BitBlt(dc, 0, 0, m_width, m_height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  EndPaint(m_hwnd, &ps);
}

LRESULT CALLBACK WebEmbeddingWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<WebEmbeddingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || msg == WM_NCCREATE || msg == WM_NCDESTROY) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (!self->m_hwnd) self->m_hwnd = hwnd;  // messages sent while CreateWindowExW runs
  return self->Handle(msg, wParam, lParam);
}

LRESULT WebEmbeddingWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  const int x = LowX(lParam), y = HighY(lParam);
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      m_view->SetFocused(msg == WM_SETFOCUS);
      if (m_callbacks.focusChanged) m_callbacks.focusChanged(msg == WM_SETFOCUS);
      break;
    case WM_MOUSEMOVE:
      m_view->MouseMove(x, y, WebKeyMap::Modifiers(wParam));
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      if (GetFocus() != m_hwnd) SetFocus(m_hwnd);
      SetCapture(m_hwnd);
      const int button = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK   ? 1
                         : msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK ? 3
                                                                            : 2;
      m_view->MouseButton(x, y, button, true, WebKeyMap::Modifiers(wParam));
      break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      ReleaseCapture();
      const int button = msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 3 : 2;
      m_view->MouseButton(x, y, button, false, WebKeyMap::Modifiers(wParam));
      if (msg == WM_RBUTTONUP && m_callbacks.contextMenu) {
        POINT pt = {x, y};
        ClientToScreen(m_hwnd, &pt);
        m_callbacks.contextMenu(pt);
      }
      break;
    }
    case WM_MOUSEWHEEL: {
      POINT pt = {x, y};
      ScreenToClient(m_hwnd, &pt);
      m_view->Wheel(pt.x, pt.y, double(short(HIWORD(wParam))));
      break;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: {
      const uint32_t keysym = WebKeyMap::KeysymForVirtualKey(wParam);
      if (!keysym) return DefWindowProcW(m_hwnd, msg, wParam, lParam);
      m_view->Key(keysym, uint32_t((lParam >> 16) & 0xFF), msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN,
                  WebKeyMap::Modifiers(0));
      break;
    }
    case WM_CHAR:
      // Control characters come as keys (Backspace, Enter, Tab, Escape).
      if (wParam >= 0x20 && wParam != 0x7F) {
        const uint32_t keysym = WebEngineView::KeysymForChar(uint32_t(wParam));
        m_view->Key(keysym, kNoHardwareKey, true, 0);
        m_view->Key(keysym, kNoHardwareKey, false, 0);
      }
      break;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTTAB;
    default:
      return DefWindowProcW(m_hwnd, msg, wParam, lParam);
  }
  m_callbacks.engineCalled();
  return 0;
}

}  // namespace jf
