// One native window: class registration (own class or a superclass of a system class),
// creation, the link between window and object, show, centre, modal loop, close and icon.
#pragma once
#include <windows.h>

namespace SkinUI {

class CWindowWnd {
 public:
  CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;
  virtual ~CWindowWnd() = default;

  // Virtual operations, in slot order.
  virtual HWND Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                      int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
                      HMENU menu = nullptr);
  virtual void ShowWindow(bool show = true, bool takeFocus = true);
  virtual void CenterWindow();
  virtual LPCWSTR GetWindowClassName() const = 0;
  virtual LPCWSTR GetSuperClassName() const;
  virtual UINT GetClassStyle() const;
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void OnFinalMessage(HWND hwnd);

  HWND Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, const RECT& rc, HMENU menu = nullptr);
  HWND CreateInRect(HWND parent, DWORD style, DWORD exStyle, RECT rc);
  HWND GetHWND() const { return m_hwnd; }
  operator HWND() const { return m_hwnd; }
  UINT ShowModal();
  void Close(UINT code = IDOK);
  void SetIcon(UINT resourceId);

  bool RegisterWindowClass();
  bool RegisterSuperclass();

 protected:
  static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK StaticControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool inProperty);

  HWND m_hwnd = nullptr;
  WNDPROC m_oldWndProc;
};

}  // namespace SkinUI
