#include "ui/window/WndShadow.h"

#include <cmath>
#include <cstring>
#include <map>

namespace SkinUI {

namespace {

typedef BOOL(WINAPI* UpdateLayeredWindowProc)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*,
                                              DWORD);

const wchar_t kShadowClass[] = L"VrShadowWnd";

UpdateLayeredWindowProc g_updateLayered = nullptr;
HINSTANCE g_instance = nullptr;

// Owner window -> its shadow.
typedef std::map<HWND, CWndShadow*> CWndShadowMap;
CWndShadowMap& ShadowMap() {
  static CWndShadowMap* map = new CWndShadowMap;
  return *map;
}

CWndShadow* Find(HWND owner) {
  CWndShadowMap::iterator it = ShadowMap().find(owner);
  return it == ShadowMap().end() ? nullptr : it->second;
}

}  // namespace

CWndShadow::CWndShadow() = default;

CWndShadow::~CWndShadow() { Detach(); }

bool CWndShadow::Initialize(HINSTANCE instance) {
  if (g_updateLayered != nullptr) return false;
  HMODULE user32 = GetModuleHandleW(L"USER32.DLL");
  if (user32 == nullptr) return false;
  // Through void(*)(): any entry point converts from there without a cast warning.
  g_updateLayered = reinterpret_cast<UpdateLayeredWindowProc>(
      reinterpret_cast<void (*)()>(GetProcAddress(user32, "UpdateLayeredWindow")));
  if (g_updateLayered == nullptr) return false;
  g_instance = instance;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kShadowClass;
  RegisterClassExW(&wc);
  return true;
}

HWND CWndShadow::Create(HWND owner) {
  if (g_updateLayered == nullptr || owner == nullptr || !IsWindow(owner)) return nullptr;
  if (m_owner != nullptr) return m_hWnd;  // already following a window
  if (Find(owner) != nullptr) return nullptr;  // one shadow per owner
  ShadowMap()[owner] = this;
  m_owner = owner;
  m_hWnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClass, kShadowClass, WS_POPUPWINDOW,
                           CW_USEDEFAULT, 0, 0, 0, owner, nullptr, g_instance, nullptr);
  if (m_hWnd == nullptr) {
    ShadowMap().erase(owner);
    m_owner = nullptr;
    return nullptr;
  }
  m_status = kEnabled;
  RECT client = {};
  GetClientRect(owner, &client);
  m_lastSize = MAKELPARAM(client.right, client.bottom);
  Show(owner);
  SetTimer(m_hWnd, reinterpret_cast<UINT_PTR>(this), 1000, DelayedUpdateProc);
  ShowWindow(m_hWnd, SW_HIDE);
  m_prevProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWndShadow::ParentSubclassProc)));
  return m_hWnd;
}

void CWndShadow::Detach() {
  if (m_owner == nullptr) return;
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_owner, GWLP_WNDPROC)) == &CWndShadow::ParentSubclassProc &&
      m_prevProc != nullptr) {
    SetWindowLongPtrW(m_owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
  }
  ShadowMap().erase(m_owner);
  m_owner = nullptr;
  if (IsWindow(m_hWnd)) {
    KillTimer(m_hWnd, reinterpret_cast<UINT_PTR>(this));
    DestroyWindow(m_hWnd);
  }
  m_status = 0;
}

void CWndShadow::Show(HWND owner) {
  m_status &= BYTE(~(kVisible | kParentVisible));
  if ((m_status & kEnabled) != 0) {
    LONG_PTR style = GetWindowLongPtrW(owner, GWL_STYLE);
    if ((style & WS_VISIBLE) != 0) {
      m_status |= kParentVisible;
      if ((style & (WS_MAXIMIZE | WS_MINIMIZE)) == 0) m_status |= kVisible;
    }
  }
  if ((m_status & kVisible) != 0) {
    ShowWindow(m_hWnd, SW_SHOWNA);
    Update(owner);
  } else {
    ShowWindow(m_hWnd, SW_HIDE);
  }
}

void CWndShadow::MoveToOwner(HWND owner, UINT flags) {
  RECT rc = {};
  GetWindowRect(owner, &rc);
  SetWindowPos(m_hWnd, nullptr, rc.left + m_xOffset - m_size, rc.top + m_yOffset - m_size, 0, 0,
               flags | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWndShadow::Update(HWND owner) {
  if (g_updateLayered == nullptr || !IsWindow(m_hWnd)) return;
  RECT rc = {};
  GetWindowRect(owner, &rc);
  int width = rc.right - rc.left + 2 * m_size;
  int height = rc.bottom - rc.top + 2 * m_size;
  if (width <= 0 || height <= 0) return;
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = height;  // bottom-up
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  bmi.bmiHeader.biSizeImage = DWORD(width) * DWORD(height) * 4;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr || bits == nullptr) {
    if (section != nullptr) DeleteObject(section);
    return;
  }
  memset(bits, 0, size_t(width) * size_t(height) * 4);
  MakeShadow(static_cast<DWORD*>(bits), owner, &rc);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, section);
  POINT dest = {rc.left + m_xOffset - m_size, rc.top + m_yOffset - m_size};
  POINT source = {0, 0};
  SIZE size = {width, height};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  MoveWindow(m_hWnd, dest.x, dest.y, width, height, FALSE);
  g_updateLayered(m_hWnd, nullptr, &dest, &size, memory, &source, 0, &blend, ULW_ALPHA);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(section);
}

BYTE CWndShadow::RingAlpha(int k, int size) {
  if (size <= 0 || k < 0 || k >= size) return 0;
  double t = 255.0 * std::sin(std::pow(k + 1, 2.5) * 0.4712388981 / std::pow(size, 2.4));
  unsigned tk = t > 0 ? unsigned(t) : 0u;
  return BYTE(unsigned(tk * 0.46) & 0xFF);
}

DWORD CWndShadow::PreMultiply(COLORREF color, BYTE alpha) {
  return (DWORD(GetRValue(color)) * alpha / 255) << 16 | (DWORD(GetGValue(color)) * alpha / 255) << 8 |
         (DWORD(GetBValue(color)) * alpha / 255);
}

void CWndShadow::MakeShadow(DWORD* pixels, HWND owner, const RECT* ownerRect) {
  (void)owner;
  const int s = m_size;
  const int width = ownerRect->right - ownerRect->left + 2 * s;
  const int height = ownerRect->bottom - ownerRect->top + 2 * s;
  const double edge = std::pow(s, 1.4);
  // The alpha along one side of ring k, faded towards both ends of the side.
  auto fade = [&](int at, int length, BYTE ring) {
    double a = ring;
    if (at < 3 * s) a = double(unsigned(std::sin(at * 1.570796327 / edge) * a));
    if (at > length - 3 * s) a = double(unsigned(std::sin((length - at) * 1.570796327 / edge) * a));
    return BYTE(a);
  };
  auto put = [&](int x, int y, BYTE alpha) {
    pixels[size_t(height - 1 - y) * size_t(width) + size_t(x)] = DWORD(alpha) << 24 | PreMultiply(m_color, alpha);
  };
  for (int k = 0; k < s; ++k) {
    BYTE ring = RingAlpha(k, s);
    for (int y = k; y <= height - k - 1; ++y) {
      BYTE a = fade(y, height, ring);
      put(k, y, a);
      put(width - 1 - k, y, a);
    }
    for (int x = k; x <= width - k - 1; ++x) {
      BYTE a = fade(x, width, ring);
      put(x, k, a);
      put(x, height - 1 - k, a);
    }
  }
}

void CALLBACK CWndShadow::DelayedUpdateProc(HWND hwnd, UINT msg, UINT_PTR id, DWORD time) {
  (void)msg;
  (void)time;
  KillTimer(hwnd, id);
  HWND owner = GetWindow(hwnd, GW_OWNER);
  CWndShadow* shadow = Find(owner);
  if (shadow != nullptr && shadow->m_hWnd == hwnd) shadow->Update(owner);
}

// The owner was shown or hidden (its procedure has run and answered `result`).
LRESULT CWndShadow::OnOwnerShow(HWND owner, WPARAM shown, LRESULT result) {
  if (!shown) {
    ShowWindow(m_hWnd, SW_HIDE);
    m_status &= BYTE(~(kVisible | kParentVisible));
  } else {
    m_status |= kVisible | kParentVisible;
    m_updatePending = true;
    Show(owner);
  }
  return result;
}

// The owner changed size: the shadow hides while the owner is maximised or minimised and
// follows it otherwise. True when the shadow first shows with this size: the owner's
// procedure has then run already and `result` holds its answer.
bool CWndShadow::OnOwnerSize(HWND owner, WPARAM wParam, LPARAM lParam, WNDPROC prev, LRESULT& result) {
  if (wParam == SIZE_MAXIMIZED || wParam == SIZE_MINIMIZED) {
    ShowWindow(m_hWnd, SW_HIDE);
    m_status &= BYTE(~kVisible);
  } else if ((GetWindowLongPtrW(owner, GWL_STYLE) & WS_VISIBLE) != 0) {
    m_status |= kParentVisible;
    if ((m_status & kVisible) == 0) {
      result = CallWindowProcW(prev, owner, WM_SIZE, wParam, lParam);
      // The owner's procedure may have destroyed the owner, and this shadow with it.
      if (Find(owner) != this) return true;
      m_status |= kVisible;
      Update(owner);
      ShowWindow(m_hWnd, SW_SHOWNA);
      m_updatePending = true;
      m_lastSize = lParam;
      return true;
    }
    // A growing owner is rebuilt at its next paint, a shrinking one at once.
    if (LOWORD(lParam) > LOWORD(m_lastSize) || HIWORD(lParam) > HIWORD(m_lastSize)) {
      m_updatePending = true;
    } else {
      Update(owner);
    }
  }
  m_lastSize = lParam;
  return false;
}

LRESULT CALLBACK CWndShadow::ParentSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWndShadow* shadow = Find(hwnd);
  if (shadow == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  WNDPROC prev = shadow->m_prevProc;
  // The owner's procedure may destroy the owner, and the shadow object with it (a window
  // that deletes itself at its final message): after it the shadow is looked up again.
  auto passOn = [&]() {
    LRESULT answer = CallWindowProcW(prev, hwnd, msg, wParam, lParam);
    shadow = Find(hwnd);
    return answer;
  };
  LRESULT result = 0;
  switch (msg) {
    case WM_SHOWWINDOW:
      if ((shadow->m_status & kEnabled) != 0) {
        result = passOn();
        return shadow != nullptr ? shadow->OnOwnerShow(hwnd, wParam, result) : result;
      }
      break;
    case WM_DESTROY:
      if (IsWindow(shadow->m_hWnd)) {
        KillTimer(shadow->m_hWnd, reinterpret_cast<UINT_PTR>(shadow));
        DestroyWindow(shadow->m_hWnd);
      }
      break;
    case WM_MOVE:
      if ((shadow->m_status & kVisible) != 0) {
        result = passOn();
        if (shadow != nullptr) shadow->MoveToOwner(hwnd, 0);
        return result;
      }
      break;
    case WM_SIZE:
      if ((shadow->m_status & kEnabled) != 0 && shadow->OnOwnerSize(hwnd, wParam, lParam, prev, result)) return result;
      break;
    case WM_PAINT: {
      result = passOn();
      if (shadow != nullptr && shadow->m_updatePending) {
        shadow->m_updatePending = false;
        shadow->Show(hwnd);
      }
      return result;
    }
    case WM_NCDESTROY:
      shadow->Detach();
      return CallWindowProcW(prev, hwnd, msg, wParam, lParam);
    case WM_EXITSIZEMOVE:
      if ((shadow->m_status & kVisible) != 0) shadow->Update(hwnd);
      break;
    case WM_DWMCOMPOSITIONCHANGED:
      shadow->Show(hwnd);
      break;
    default:
      break;
  }
  return passOn();
}

}  // namespace SkinUI
